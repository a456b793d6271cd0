# Steps of the package tests: a command that must succeed, an exact value, an install's contents.
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
set(lib "${INSTALL_LIBDIR}")

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

# Exactly the public headers (the tree's and the two generated, no private one), library, CMake package, ivory.pc.
function(expect_ivory_install root kind)
  file(GLOB headers RELATIVE "${SOURCE_DIR}/imagelib/include" "${SOURCE_DIR}/imagelib/include/ivory/*.h")
  set(expected ${headers} ivory/export.h ivory/version.h)
  list(TRANSFORM expected PREPEND "include/")
  string(TOLOWER "${BUILD_TYPE}" config)
  if(NOT config)
    set(config noconfig)
  endif()
  list(APPEND expected ${lib}/cmake/Ivory/IvoryConfig.cmake ${lib}/cmake/Ivory/IvoryConfigVersion.cmake
       ${lib}/cmake/Ivory/IvoryTargets.cmake ${lib}/cmake/Ivory/IvoryTargets-${config}.cmake ${lib}/pkgconfig/ivory.pc)
  set(library_static ${lib}/libivory.a)
  set(library_shared ${lib}/libivory.so ${lib}/libivory.so.${major} ${lib}/libivory.so.${VERSION})
  list(APPEND expected ${library_${kind}})
  list(SORT expected)
  file(GLOB_RECURSE installed RELATIVE "${root}" "${root}/*")  # sorted, as the expected list
  expect_equal("${kind} install under ${root}" "${installed}" "${expected}")
endfunction()
