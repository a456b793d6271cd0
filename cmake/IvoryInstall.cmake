# Installs Ivory as the component "ivory": headers, library, CMake package and
# pkg-config file. Included from imagelib/CMakeLists.txt once the target and
# its links are complete.

include(CMakePackageConfigHelpers)

# Private dependencies: users of a static library link them as well, so its
# CMake package finds them, its pkg-config file lists them for static links and
# its Debian package depends on them. Each known one by the name every tool
# knows it under.
get_target_property(ivory_links ivory LINK_LIBRARIES)
get_target_property(ivory_type ivory TYPE)
set(IVORY_CONFIG_DEPENDENCIES "")
set(ivory_pc_requires_private "")
set(ivory_debian_depends "")
if("hwy::hwy" IN_LIST ivory_links)
  list(APPEND ivory_pc_requires_private libhwy)
  if(ivory_type STREQUAL "STATIC_LIBRARY")
    string(APPEND IVORY_CONFIG_DEPENDENCIES "find_dependency(hwy)\n")
    list(APPEND ivory_debian_depends libhwy-dev)
  endif()
endif()
string(REPLACE ";" ", " IVORY_PC_REQUIRES_PRIVATE "${ivory_pc_requires_private}")
string(REPLACE ";" ", " IVORY_DEBIAN_DEPENDS "${ivory_debian_depends}")
set(IVORY_DEBIAN_DEPENDS "${IVORY_DEBIAN_DEPENDS}" PARENT_SCOPE)

install(TARGETS ivory EXPORT IvoryTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ivory
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ivory
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ivory)
install(FILES ${IVORY_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ivory COMPONENT ivory)

set(ivory_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Ivory)
install(EXPORT IvoryTargets NAMESPACE Ivory:: DESTINATION ${ivory_cmake_dir} COMPONENT ivory)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/IvoryConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/IvoryConfig.cmake
  INSTALL_DESTINATION ${ivory_cmake_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/IvoryConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/IvoryConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/IvoryConfigVersion.cmake
  DESTINATION ${ivory_cmake_dir} COMPONENT ivory)

# The pkg-config file finds the prefix from its own place (${pcfiledir}), so
# it stays right wherever the tree is installed: cmake --install --prefix,
# DESTDIR, or the Debian package.
set(ivory_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH IVORY_PC_PREFIX_FROM_PC_DIR "/prefix/${ivory_pc_dir}" "/prefix")
string(REGEX REPLACE "/$" "" IVORY_PC_PREFIX_FROM_PC_DIR "${IVORY_PC_PREFIX_FROM_PC_DIR}")
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(IVORY_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(IVORY_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
set(IVORY_PC_CFLAGS "")
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  string(APPEND IVORY_PC_CFLAGS " -fsigned-char")
endif()
if(ivory_type STREQUAL "STATIC_LIBRARY")
  string(APPEND IVORY_PC_CFLAGS " -DIVORY_STATIC_DEFINE")
endif()
# What only a static link needs (pkg-config --static), each line only when it has something to say.
set(ivory_pc_static_lines "")
if(IVORY_PC_REQUIRES_PRIVATE)
  list(APPEND ivory_pc_static_lines "Requires.private: ${IVORY_PC_REQUIRES_PRIVATE}")
endif()
if(CMAKE_THREAD_LIBS_INIT)
  list(APPEND ivory_pc_static_lines "Libs.private: ${CMAKE_THREAD_LIBS_INIT}")
endif()
string(REPLACE ";" "\n" IVORY_PC_STATIC_LINES "${ivory_pc_static_lines}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/ivory.pc.in ${CMAKE_CURRENT_BINARY_DIR}/ivory.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/ivory.pc DESTINATION ${ivory_pc_dir} COMPONENT ivory)
