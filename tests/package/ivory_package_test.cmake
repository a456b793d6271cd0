# Installs the library of this tree (TREE_KIND) and one of the other kind, built here once,
# as the component "ivory", checks both and builds the example consumer against each with
# CMake and with pkg-config, and the examples against the shared one. See CMakeLists.txt.
cmake_minimum_required(VERSION 3.16)
file(REMOVE_RECURSE "${WORK_DIR}")
include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
set(lib "${INSTALL_LIBDIR}")

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

# A consumer prints the version and a mean, and needs libivory.so exactly when it was
# built against the shared library.
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

  # CMake: find_package(Ivory) and Ivory::ivory; the consumer finds the library through
  # the rpath CMake gives it.
  set(consumer_build "${WORK_DIR}/${kind}-consumer-cmake")
  run_step(${CMAKE_COMMAND} -S "${SOURCE_DIR}/examples/consumer" -B "${consumer_build}" -G "${GENERATOR}"
           -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_EXE_LINKER_FLAGS=${link_flags_${kind}}")
  run_step(${CMAKE_COMMAND} --build "${consumer_build}")
  expect_consumer(${kind} "${consumer_build}/ivory_consumer")

  # pkg-config: this prefix's file, with -fsigned-char among the flags (a static library's
  # users ask for its private dependencies too); run with the libdir it names on the path.
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
file(GLOB expected_outputs "${CMAKE_CURRENT_LIST_DIR}/expected/*.txt")
foreach(expected IN LISTS expected_outputs)
  get_filename_component(example "${expected}" NAME_WE)
  run_step(${CMAKE_COMMAND} -DPROGRAM=${examples_build}/${example} -DEXPECTED=${expected}
           -DWORK_DIR=${WORK_DIR}/run-${example} -P "${CMAKE_CURRENT_LIST_DIR}/run_example.cmake")
endforeach()
