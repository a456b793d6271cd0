# Steps of the package tests: a command that must succeed, a value that must be
# exactly what is expected, and what an install of Ivory must hold.

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

# An install of the component "ivory" of this kind under root holds exactly the public headers
# (the tree's and the two generated ones, no private helper), the library, the CMake package and ivory.pc.
function(expect_ivory_install root kind)
  file(GLOB headers RELATIVE "${SOURCE_DIR}/imagelib/include" "${SOURCE_DIR}/imagelib/include/ivory/*.h")
  set(expected ${headers} ivory/export.h ivory/version.h)
  list(TRANSFORM expected PREPEND "include/")
  string(TOLOWER "${BUILD_TYPE}" config)
  if(NOT config)
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
