# Installs the library of this tree (TREE_KIND) and one of the other kind,
# built here once, as the component "ivory", checks both install trees and
# builds the example consumer against each with CMake and with pkg-config; the
# examples are built against the shared install and run. See CMakeLists.txt.
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${WORK_DIR}")
include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
set(lib "${INSTALL_LIBDIR}")

# The two libraries; only the tree's may be a sanitizer build.
set(kinds static shared)
list(REMOVE_ITEM kinds ${TREE_KIND})
set(other_kind ${kinds})
string(COMPARE EQUAL "${other_kind}" shared other_is_shared)
set(build_of_${TREE_KIND} "${BUILD_DIR}")
set(build_of_${other_kind} "${WORK_DIR}/${other_kind}-library")
set(link_flags_${TREE_KIND} ${sanitizer_link_flags})
run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${build_of_${other_kind}}" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
         -DCMAKE_INSTALL_LIBDIR=${INSTALL_LIBDIR} -DIVORY_BUILD_SHARED=${other_is_shared}
         -DFROSTFELD_BUILD_GAME=OFF -DFROSTFELD_BUILD_TESTS=OFF -DFROSTFELD_BUILD_EXAMPLES=OFF
         -DFROSTFELD_SANITIZE=OFF)
run_step(${CMAKE_COMMAND} --build "${build_of_${other_kind}}" -j 2)

# A consumer needs libivory.so exactly when it was built against the shared library.
function(expect_linked kind program)
  run_step(readelf -d "${program}")
  string(REGEX MATCH "\\[libivory\\.so\\.${major}\\]" needed "${step_output}")
  set(needed_static "")
  set(needed_shared "[libivory.so.${major}]")
  expect_equal("libivory.so needed by ${program}" "${needed}" "${needed_${kind}}")
endfunction()

foreach(kind static shared)
  set(prefix "${WORK_DIR}/${kind}")
  run_step(${CMAKE_COMMAND} --install "${build_of_${kind}}" --prefix "${prefix}" --component ivory)
  expect_ivory_install("${prefix}" ${kind})
  file(STRINGS "${prefix}/${lib}/pkgconfig/ivory.pc" placeholders REGEX "@")
  expect_equal("unconfigured lines in ivory.pc" "${placeholders}" "")
  file(STRINGS "${prefix}/include/ivory/version.h" version_line REGEX "IVORY_VERSION_STRING")
  expect_equal("version.h" "${version_line}" "#define IVORY_VERSION_STRING \"${VERSION}\"")
  if(kind STREQUAL "shared")
    # Hidden visibility: nothing of the library's internals is exported
    # (GCC's indirect functions for cloned loops are the one exception).
    run_step(nm -D --defined-only "${prefix}/${lib}/libivory.so.${VERSION}")
    string(REGEX MATCHALL "[0-9a-f]+ [A-Za-hj-z] _ZN5Ivory6detail[^\n]*" internals "${step_output}")
    list(FILTER internals EXCLUDE REGEX "\\.resolver$")
    expect_equal("internal symbols exported" "${internals}" "")
  endif()

  # CMake: find_package(Ivory) and Ivory::ivory. The consumer runs from the
  # install's library folder through the rpath CMake gives it.
  set(consumer_build "${WORK_DIR}/${kind}-consumer-cmake")
  run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/consumer" -B "${consumer_build}" -G "${GENERATOR}"
           -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_EXE_LINKER_FLAGS=${link_flags_${kind}}")
  run_step(${CMAKE_COMMAND} --build "${consumer_build}")
  run_step("${consumer_build}/ivory_consumer")
  expect_equal("the CMake consumer" "${step_output}" "Ivory ${VERSION}\nmean 2.5\n")
  expect_linked(${kind} "${consumer_build}/ivory_consumer")

  set(static_option_static --static)
  expect_pkg_config_consumer("${prefix}" "${WORK_DIR}/${kind}-consumer-pc/ivory_consumer" "${link_flags_${kind}}"
                             ${static_option_${kind}})
  expect_linked(${kind} "${WORK_DIR}/${kind}-consumer-pc/ivory_consumer")
endforeach()

# The examples against the shared install.
set(examples_build "${WORK_DIR}/examples")
run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples" -B "${examples_build}" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${WORK_DIR}/shared -DCMAKE_BUILD_TYPE=Release
         "-DCMAKE_EXE_LINKER_FLAGS=${link_flags_shared}")
run_step(${CMAKE_COMMAND} --build "${examples_build}" -j 2)
file(GLOB expected_outputs "${SOURCE_DIR}/tests/examples/expected/*.txt")
foreach(expected IN LISTS expected_outputs)
  get_filename_component(example "${expected}" NAME_WE)
  run_step(${CMAKE_COMMAND} -DPROGRAM=${examples_build}/${example} -DEXPECTED=${expected}
           -DWORK_DIR=${WORK_DIR}/run-${example} -P "${SOURCE_DIR}/tests/examples/run_example.cmake")
endforeach()
message(STATUS "static and shared installs, CMake and pkg-config consumers, examples: all as expected")
