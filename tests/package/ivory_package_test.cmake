# Installs this tree's library (TREE_KIND) and one of the other kind, built here, and builds users against each.
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${WORK_DIR}")
include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")

# The two libraries; only the tree's may be a sanitizer build, whose users link its runtimes.
set(other_kind static shared)
list(REMOVE_ITEM other_kind ${TREE_KIND})
string(COMPARE EQUAL "${other_kind}" shared other_is_shared)
set(build_of_${TREE_KIND} "${BUILD_DIR}")
set(build_of_${other_kind} "${WORK_DIR}/${other_kind}-library")
if(SANITIZE)
  set(link_flags_${TREE_KIND} -fsanitize=address,undefined)
endif()
run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${build_of_${other_kind}}" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_INSTALL_LIBDIR=${INSTALL_LIBDIR}
         -DIVORY_BUILD_SHARED=${other_is_shared} -DFROSTFELD_SANITIZE=OFF
         -DFROSTFELD_BUILD_GAME=OFF -DFROSTFELD_BUILD_TESTS=OFF -DFROSTFELD_BUILD_EXAMPLES=OFF)
run_step(${CMAKE_COMMAND} --build "${build_of_${other_kind}}" -j 2)

# The consumer prints the version (from version.h) and needs libivory.so exactly when built against it.
set(needed_shared "[libivory.so.${major}]")
function(expect_consumer kind program)
  run_step("${program}")
  expect_equal("${program}" "${step_output}" "Ivory ${VERSION}\nmean 2.5\n")
  run_step(readelf -d "${program}")
  string(REGEX MATCH "\\[libivory\\.so\\.${major}\\]" needed "${step_output}")
  expect_equal("libivory.so needed by ${program}" "${needed}" "${needed_${kind}}")
endfunction()

foreach(kind static shared)
  set(prefix "${WORK_DIR}/${kind}")
  run_step(${CMAKE_COMMAND} --install "${build_of_${kind}}" --prefix "${prefix}" --component ivory)
  expect_ivory_install("${prefix}" ${kind})
  if(kind STREQUAL "shared")
    # Hidden visibility: no internals exported (but GCC's indirect functions for cloned loops).
    run_step(nm -D --defined-only "${prefix}/${lib}/libivory.so.${VERSION}")
    string(REGEX MATCHALL "[0-9a-f]+ [A-Za-hj-z] _ZN5Ivory6detail[^\n]*" internals "${step_output}")
    list(FILTER internals EXCLUDE REGEX "\\.resolver$")
    expect_equal("internal symbols exported" "${internals}" "")
  endif()

  # CMake: find_package(Ivory) and Ivory::ivory; the rpath CMake gives finds the library.
  set(consumer_build "${WORK_DIR}/${kind}-consumer-cmake")
  run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/consumer" -B "${consumer_build}" -G "${GENERATOR}"
           -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_EXE_LINKER_FLAGS=${link_flags_${kind}}")
  run_step(${CMAKE_COMMAND} --build "${consumer_build}")
  expect_consumer(${kind} "${consumer_build}/ivory_consumer")

  # pkg-config: -fsigned-char among the flags (static users ask for the private dependencies too).
  set(ENV{PKG_CONFIG_PATH} "${prefix}/${lib}/pkgconfig")
  run_step(pkg-config --modversion ivory)
  expect_equal("pkg-config version" "${step_output}" "${VERSION}\n")
  set(static_option_static --static)
  run_step(pkg-config ${static_option_${kind}} --cflags --libs ivory)
  separate_arguments(flags UNIX_COMMAND "${step_output}")
  if(NOT "-fsigned-char" IN_LIST flags)
    message(FATAL_ERROR "pkg-config flags lack -fsigned-char: ${flags}")
  endif()
  set(program "${WORK_DIR}/${kind}-consumer-pkg-config")
  run_step(${CXX_COMPILER} -std=c++17 "${SOURCE_DIR}/examples/consumer/main.cpp" -o "${program}" ${flags} ${link_flags_${kind}})
  run_step(pkg-config --variable=libdir ivory)
  string(STRIP "${step_output}" libdir)
  set(ENV{LD_LIBRARY_PATH} "${libdir}")
  expect_consumer(${kind} "${program}")
  unset(ENV{LD_LIBRARY_PATH})
endforeach()

# The examples against the shared install.
set(examples_build "${WORK_DIR}/examples")
run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples" -B "${examples_build}" -G "${GENERATOR}"
         -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${WORK_DIR}/shared -DCMAKE_BUILD_TYPE=Release
         "-DCMAKE_EXE_LINKER_FLAGS=${link_flags_shared}")
run_step(${CMAKE_COMMAND} --build "${examples_build}" -j 2)
file(GLOB expected_outputs "${CMAKE_CURRENT_LIST_DIR}/data/*.txt")  # what each example prints
foreach(expected IN LISTS expected_outputs)
  get_filename_component(example "${expected}" NAME_WE)
  set(run "${WORK_DIR}/run-${example}")  # a fresh folder, also the example's argument
  file(MAKE_DIRECTORY "${run}")
  run_step(${CMAKE_COMMAND} -E chdir "${run}" "${examples_build}/${example}" "${run}")
  file(READ "${expected}" expected_output)
  expect_equal("${example}" "${step_output}" "${expected_output}")
endforeach()
