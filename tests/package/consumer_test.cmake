# Install the project, then configure, build and run examples/consumer against the installed package.
file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run_step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "step failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run_step(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}" --component Unspecified)
# A sanitizer build installs an instrumented library: its consumer must link the runtimes.
set(consumer_flags "")
if(SANITIZE)
  set(consumer_flags "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined")
endif()
run_step(${CMAKE_COMMAND} -S "${CONSUMER_SOURCE}" -B "${WORK_DIR}/build" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
         ${consumer_flags})
run_step(${CMAKE_COMMAND} --build "${WORK_DIR}/build")
run_step("${WORK_DIR}/build/ivory_consumer")
if(NOT last_output MATCHES "mean 2\\.5")
  message(FATAL_ERROR "unexpected consumer output: ${last_output}")
endif()
message(STATUS "consumer output: ${last_output}")
