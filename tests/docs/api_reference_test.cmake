# Runs Doxygen with the configuration of the docs target into a scratch
# folder and fails on any warning. See CMakeLists.txt.
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(WRITE "${WORK_DIR}/Doxyfile"
  "@INCLUDE = \"${DOXYFILE}\"\n"
  "OUTPUT_DIRECTORY = \"${WORK_DIR}\"\n"
  "WARN_LOGFILE = \"${WORK_DIR}/warnings.log\"\n"
  "WARN_AS_ERROR = FAIL_ON_WARNINGS\n")
execute_process(COMMAND "${DOXYGEN}" "${WORK_DIR}/Doxyfile" WORKING_DIRECTORY "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ "${WORK_DIR}/warnings.log" warnings)
if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "doxygen (${result}) warned:\n${warnings}\n${err}")
endif()
if(NOT EXISTS "${WORK_DIR}/html/classIvory_1_1ImageBase.html")
  message(FATAL_ERROR "doxygen made no page for ImageBase:\n${out}")
endif()
