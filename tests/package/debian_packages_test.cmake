# Builds the Debian packages from this build tree with CPack into a scratch
# folder, then checks their control fields and contents, unpacked with
# dpkg-deb, and builds the example consumer against the unpacked library
# package through pkg-config. See CMakeLists.txt.
cmake_minimum_required(VERSION 3.16)
include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/ivory_files.cmake")
file(REMOVE_RECURSE "${WORK_DIR}")

# Every install rule names its component: none falls into "Unspecified".
file(GLOB_RECURSE install_scripts "${BUILD_DIR}/cmake_install.cmake")
# The package tests' own scratch trees are not this tree's (and may be
# half-written by a test running beside this one).
list(FILTER install_scripts EXCLUDE REGEX "/tests/package/[^/]+/")
foreach(script IN LISTS install_scripts)
  file(STRINGS "${script}" unnamed REGEX "\"Unspecified\"")
  expect_equal("install rules without a component in ${script}" "${unnamed}" "")
endforeach()

run_step(${CMAKE_COMMAND} -E chdir "${BUILD_DIR}" cpack -G DEB -B "${WORK_DIR}/packages")
run_step(dpkg --print-architecture)
string(STRIP "${step_output}" arch)
file(GLOB made RELATIVE "${WORK_DIR}/packages" "${WORK_DIR}/packages/*.deb")
list(SORT made)
expect_equal("packages" "${made}" "frostfeld_${VERSION}_${arch}.deb;libivory-dev_${VERSION}_${arch}.deb")

# Control fields: fixed ones exactly, Depends by the packages it must name.
function(check_control package section)
  set(deb "${WORK_DIR}/packages/${package}_${VERSION}_${arch}.deb")
  foreach(field Package Version Architecture Section)
    run_step(dpkg-deb -f "${deb}" ${field})
    string(STRIP "${step_output}" value)
    set(expected_Package ${package})
    set(expected_Version ${VERSION})
    set(expected_Architecture ${arch})
    set(expected_Section ${section})
    expect_equal("${package}: ${field}" "${value}" "${expected_${field}}")
  endforeach()
  run_step(dpkg-deb -f "${deb}" Depends)
  foreach(dependency IN LISTS ARGN)
    if(NOT step_output MATCHES "(^|, )${dependency}( |,|\n|$)")
      message(FATAL_ERROR "${package} does not depend on ${dependency}: ${step_output}")
    endif()
  endforeach()
  run_step(dpkg-deb -f "${deb}" Maintainer Description)
  if(NOT step_output MATCHES "Maintainer: [^\n]+ <[^\n]+@[^\n]+>\nDescription: [^\n]+\n [^\n]+")
    message(FATAL_ERROR "${package}: maintainer or description missing:\n${step_output}")
  endif()
  run_step(dpkg-deb -x "${deb}" "${WORK_DIR}/${package}")
endfunction()

check_control(frostfeld games libglut3\\.12 libglu1-mesa libcoin80c)
string(REPLACE ", " ";" ivory_depends "${IVORY_DEBIAN_DEPENDS}")
check_control(libivory-dev libdevel ${ivory_depends})

# The game: launcher, binary and data in the standard places, nothing of the library.
set(game_root "${WORK_DIR}/frostfeld/usr")
foreach(file bin/frostfeld libexec/frostfeld/frostfeld share/frostfeld/snow.bmp share/frostfeld/texturen/female.iv)
  if(NOT EXISTS "${game_root}/${file}")
    message(FATAL_ERROR "frostfeld lacks /usr/${file}")
  endif()
endforeach()
files_under(game_files "${game_root}")
list(FILTER game_files INCLUDE REGEX "^include/|ivory")
expect_equal("library files in frostfeld" "${game_files}" "")

# The library: exactly the files of its install component, under /usr.
files_under(library_files "${WORK_DIR}/libivory-dev/usr")
ivory_install_files(expected ${LIBRARY_KIND})
expect_equal("libivory-dev contents" "${library_files}" "${expected}")

# Built against the unpacked package as a user would against the installed one.
set(ENV{PKG_CONFIG_PATH} "${WORK_DIR}/libivory-dev/usr/${INSTALL_LIBDIR}/pkgconfig")
run_step(pkg-config --static --cflags --libs ivory)
separate_arguments(pc_flags UNIX_COMMAND "${step_output}")
set(sanitizer_flags "")
if(SANITIZE)
  set(sanitizer_flags -fsanitize=address,undefined)
endif()
run_step(${CXX_COMPILER} -std=c++17 "${SOURCE_DIR}/examples/consumer/main.cpp" -o "${WORK_DIR}/ivory_consumer"
         ${pc_flags} ${sanitizer_flags})
run_step(pkg-config --variable=libdir ivory)
string(STRIP "${step_output}" libdir)
set(ENV{LD_LIBRARY_PATH} "${libdir}")
run_step("${WORK_DIR}/ivory_consumer")
expect_equal("consumer of the unpacked package" "${step_output}" "Ivory ${VERSION}\nmean 2.5\n")
message(STATUS "frostfeld and libivory-dev: fields and contents as expected")
