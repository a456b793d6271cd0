# The files an install of the component "ivory" holds, relative to its
# prefix: the public headers (those of the source tree and the two generated
# ones, never the private helpers), the library, the CMake package and the
# pkg-config file. Needs SOURCE_DIR, INSTALL_LIBDIR, VERSION and BUILD_TYPE.
function(ivory_install_files out kind)
  file(GLOB headers RELATIVE "${SOURCE_DIR}/imagelib/include" "${SOURCE_DIR}/imagelib/include/ivory/*.h")
  set(files ${headers} ivory/export.h ivory/version.h)
  list(TRANSFORM files PREPEND "include/")
  string(MAKE_C_IDENTIFIER "${BUILD_TYPE}" config)
  string(TOLOWER "${config}" config)
  if(config STREQUAL "")
    set(config noconfig)
  endif()
  set(lib "${INSTALL_LIBDIR}")
  list(APPEND files
    ${lib}/cmake/Ivory/IvoryConfig.cmake ${lib}/cmake/Ivory/IvoryConfigVersion.cmake
    ${lib}/cmake/Ivory/IvoryTargets.cmake ${lib}/cmake/Ivory/IvoryTargets-${config}.cmake
    ${lib}/pkgconfig/ivory.pc)
  if(kind STREQUAL "static")
    list(APPEND files ${lib}/libivory.a)
  else()
    string(REGEX MATCH "^[0-9]+" major "${VERSION}")
    list(APPEND files ${lib}/libivory.so ${lib}/libivory.so.${major} ${lib}/libivory.so.${VERSION})
  endif()
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The files under `root`, relative to it and sorted.
function(files_under out root)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()
