# Installs the library of this tree (TREE_KIND) and one of the other kind,
# built here once, as the component "ivory", checks both install trees and
# builds the example consumer against each with CMake and with pkg-config; the
# examples are built against the shared install and run. See CMakeLists.txt.
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${WORK_DIR}")

include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")

# --- the two libraries -------------------------------------------------------
if(TREE_KIND STREQUAL "static")
  set(other_kind shared)
  set(other_is_shared ON)
else()
  set(other_kind static)
  set(other_is_shared OFF)
endif()
set(build_of_${TREE_KIND} "${BUILD_DIR}")
set(build_of_${other_kind} "${WORK_DIR}/${other_kind}-library")
# Only the tree may be a sanitizer build; its users must link the runtimes.
set(sanitize_${TREE_KIND} ${SANITIZE})
set(sanitize_${other_kind} OFF)
run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${build_of_${other_kind}}" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
         -DCMAKE_INSTALL_LIBDIR=${INSTALL_LIBDIR} -DIVORY_BUILD_SHARED=${other_is_shared}
         -DFROSTFELD_BUILD_GAME=OFF -DFROSTFELD_BUILD_TESTS=OFF -DFROSTFELD_BUILD_EXAMPLES=OFF
         -DFROSTFELD_SANITIZE=OFF)
run_step(${CMAKE_COMMAND} --build "${build_of_${other_kind}}" -j 2)

# --- what an install tree must hold, and nothing else ------------------------
include("${CMAKE_CURRENT_LIST_DIR}/ivory_files.cmake")
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
set(lib "${INSTALL_LIBDIR}")

function(check_install_tree kind prefix)
  files_under(installed "${prefix}")
  ivory_install_files(expected ${kind})
  expect_equal("${kind} install tree" "${installed}" "${expected}")
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
endfunction()

# Runs the consumer and checks what it prints and whether it needs libivory.so.
function(check_consumer kind program)
  run_step("${program}")
  expect_equal("${program}" "${step_output}" "Ivory ${VERSION}\nmean 2.5\n")
  run_step(readelf -d "${program}")
  string(FIND "${step_output}" "[libivory.so.${major}]" needed)
  if(kind STREQUAL "shared" AND needed EQUAL -1)
    message(FATAL_ERROR "${program} does not load libivory.so.${major}")
  elseif(kind STREQUAL "static" AND NOT needed EQUAL -1)
    message(FATAL_ERROR "${program} loads a shared Ivory")
  endif()
endfunction()

foreach(kind static shared)
  set(prefix "${WORK_DIR}/${kind}")
  run_step(${CMAKE_COMMAND} --install "${build_of_${kind}}" --prefix "${prefix}" --component ivory)
  check_install_tree(${kind} "${prefix}")
  set(sanitizer_flags "")
  if(sanitize_${kind})
    set(sanitizer_flags -fsanitize=address,undefined)
  endif()

  # CMake: find_package(Ivory) and Ivory::ivory. The consumer runs from the
  # install's library folder through the rpath CMake gives it.
  set(consumer_build "${WORK_DIR}/${kind}-consumer-cmake")
  run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/consumer" -B "${consumer_build}" -G "${GENERATOR}"
           -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_EXE_LINKER_FLAGS=${sanitizer_flags}")
  run_step(${CMAKE_COMMAND} --build "${consumer_build}")
  check_consumer(${kind} "${consumer_build}/ivory_consumer")

  # pkg-config: a static library's users ask for its private dependencies too.
  set(ENV{PKG_CONFIG_PATH} "${prefix}/${lib}/pkgconfig")
  run_step(pkg-config --modversion ivory)
  expect_equal("pkg-config version" "${step_output}" "${VERSION}\n")
  set(static_option "")
  if(kind STREQUAL "static")
    set(static_option --static)
  endif()
  run_step(pkg-config ${static_option} --cflags --libs ivory)
  separate_arguments(pc_flags UNIX_COMMAND "${step_output}")
  if(NOT "-fsigned-char" IN_LIST pc_flags)
    message(FATAL_ERROR "pkg-config flags lack -fsigned-char: ${pc_flags}")
  endif()
  file(MAKE_DIRECTORY "${WORK_DIR}/${kind}-consumer-pc")
  set(program "${WORK_DIR}/${kind}-consumer-pc/ivory_consumer")
  run_step(${CXX_COMPILER} -std=c++17 "${SOURCE_DIR}/examples/consumer/main.cpp" -o "${program}" ${pc_flags}
           ${sanitizer_flags})
  run_step(pkg-config --variable=libdir ivory)
  string(STRIP "${step_output}" libdir)
  set(ENV{LD_LIBRARY_PATH} "${libdir}")
  check_consumer(${kind} "${program}")
  unset(ENV{LD_LIBRARY_PATH})
endforeach()

# --- the examples against the shared install ---------------------------------
set(examples_build "${WORK_DIR}/examples")
set(sanitizer_flags "")
if(sanitize_shared)
  set(sanitizer_flags -fsanitize=address,undefined)
endif()
run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples" -B "${examples_build}" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${WORK_DIR}/shared -DCMAKE_BUILD_TYPE=Release
         "-DCMAKE_EXE_LINKER_FLAGS=${sanitizer_flags}")
run_step(${CMAKE_COMMAND} --build "${examples_build}" -j 2)
file(GLOB expected_outputs "${SOURCE_DIR}/tests/examples/expected/*.txt")
foreach(expected IN LISTS expected_outputs)
  get_filename_component(example "${expected}" NAME_WE)
  run_step(${CMAKE_COMMAND} -DPROGRAM=${examples_build}/${example} -DEXPECTED=${expected}
           -DWORK_DIR=${WORK_DIR}/run-${example} -P "${SOURCE_DIR}/tests/examples/run_example.cmake")
endforeach()
message(STATUS "static and shared installs, CMake and pkg-config consumers, examples: all as expected")
