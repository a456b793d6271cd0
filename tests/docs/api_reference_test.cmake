# Doxygen with the docs target's configuration: no warning, and a page for ImageBase (an empty input warns of nothing).
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${WORK_DIR}")
file(WRITE "${WORK_DIR}/Doxyfile"
  "@INCLUDE = \"${DOXYFILE}\"\nOUTPUT_DIRECTORY = \"${WORK_DIR}\"\nWARN_LOGFILE = \"${WORK_DIR}/warnings.log\"\n")
execute_process(COMMAND "${DOXYGEN}" "${WORK_DIR}/Doxyfile" WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE err)
file(READ "${WORK_DIR}/warnings.log" warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "" OR NOT EXISTS "${WORK_DIR}/html/classIvory_1_1ImageBase.html")
  message(FATAL_ERROR "doxygen (${result}) warned or made no page for ImageBase:\n${warnings}\n${err}")
endif()
