# Runs one example in a fresh folder, which it gets as its argument; it must exit with 0
# and print exactly the expected text.  -DPROGRAM=<executable> -DEXPECTED=<text file> -DWORK_DIR=<folder>
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${PROGRAM}" "${WORK_DIR}" WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE printed ERROR_VARIABLE errors)
file(READ "${EXPECTED}" expected)
if(NOT result EQUAL 0 OR NOT printed STREQUAL expected)
  message(FATAL_ERROR "${PROGRAM} exited with ${result} and printed\n${printed}${errors}\ninstead of\n${expected}")
endif()
