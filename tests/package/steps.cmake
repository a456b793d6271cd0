# Steps of the package tests: a command that must succeed, a value that must be
# exactly what is expected, and what an install of Ivory must hold and give.
# Users of a sanitizer build link its runtimes.
if(SANITIZE)
  set(sanitizer_link_flags -fsanitize=address,undefined)
endif()

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "step failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_equal what actual expected)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}:\n${actual}\ninstead of\n${expected}")
  endif()
endfunction()

# The files under root, relative to it and sorted.
function(files_under out root)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
  list(SORT files)
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# An install of the component "ivory" of this kind under root holds exactly the public
# headers (the source tree's and the two generated ones, never the private helpers),
# the library, the CMake package and the pkg-config file.
function(expect_ivory_install root kind)
  file(GLOB headers RELATIVE "${SOURCE_DIR}/imagelib/include" "${SOURCE_DIR}/imagelib/include/ivory/*.h")
  set(expected ${headers} ivory/export.h ivory/version.h)
  list(TRANSFORM expected PREPEND "include/")
  string(MAKE_C_IDENTIFIER "${BUILD_TYPE}" config)
  string(TOLOWER "${config}" config)
  if(config STREQUAL "")
    set(config noconfig)
  endif()
  set(lib "${INSTALL_LIBDIR}")
  list(APPEND expected ${lib}/cmake/Ivory/IvoryConfig.cmake ${lib}/cmake/Ivory/IvoryConfigVersion.cmake
       ${lib}/cmake/Ivory/IvoryTargets.cmake ${lib}/cmake/Ivory/IvoryTargets-${config}.cmake ${lib}/pkgconfig/ivory.pc)
  string(REGEX MATCH "^[0-9]+" major "${VERSION}")
  set(library_static ${lib}/libivory.a)
  set(library_shared ${lib}/libivory.so ${lib}/libivory.so.${major} ${lib}/libivory.so.${VERSION})
  list(APPEND expected ${library_${kind}})
  list(SORT expected)
  files_under(installed "${root}")
  expect_equal("${kind} install under ${root}" "${installed}" "${expected}")
endfunction()

# Builds the example consumer with the flags pkg-config gives for the ivory.pc under
# root (with the options after link_flags), runs it with the library folder it names
# on the library path, and checks what it prints. A static library's users ask for
# its private dependencies too (--static); a sanitizer build's link its runtimes.
function(expect_pkg_config_consumer root program link_flags)
  set(ENV{PKG_CONFIG_PATH} "${root}/${INSTALL_LIBDIR}/pkgconfig")
  run_step(pkg-config --modversion ivory)
  expect_equal("pkg-config version" "${step_output}" "${VERSION}\n")
  run_step(pkg-config ${ARGN} --cflags --libs ivory)
  separate_arguments(flags UNIX_COMMAND "${step_output}")
  if(NOT "-fsigned-char" IN_LIST flags)
    message(FATAL_ERROR "pkg-config flags lack -fsigned-char: ${flags}")
  endif()
  get_filename_component(folder "${program}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  run_step(${CXX_COMPILER} -std=c++17 "${SOURCE_DIR}/examples/consumer/main.cpp" -o "${program}" ${flags} ${link_flags})
  run_step(pkg-config --variable=libdir ivory)
  string(STRIP "${step_output}" libdir)
  set(ENV{LD_LIBRARY_PATH} "${libdir}")
  run_step("${program}")
  unset(ENV{LD_LIBRARY_PATH})
  expect_equal("${program}" "${step_output}" "Ivory ${VERSION}\nmean 2.5\n")
endfunction()
