# Builds the Debian packages from this build tree with CPack into a scratch
# folder, then checks their control fields and contents, unpacked with
# dpkg-deb, and builds the example consumer against the unpacked library
# package through pkg-config. See CMakeLists.txt.
cmake_minimum_required(VERSION 3.16)
include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")
file(REMOVE_RECURSE "${WORK_DIR}")

# Every install rule names its component: none falls into "Unspecified". The
# package tests' own scratch trees are not this tree's (and may be half-written
# by a test running beside this one).
file(GLOB_RECURSE install_scripts "${BUILD_DIR}/cmake_install.cmake")
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

# Control fields: fixed ones exactly, Depends by the packages it must name, a
# maintainer with an address and a description with a body. Then unpacked.
string(REPLACE "." "\\." version "${VERSION}")
function(check_control package section)
  run_step(dpkg-deb -f "${WORK_DIR}/packages/${package}_${VERSION}_${arch}.deb")
  list(TRANSFORM ARGN PREPEND "Depends: ([^\n]*, )?" OUTPUT_VARIABLE depends)
  list(TRANSFORM depends APPEND "[ ,\n]")
  foreach(line "Package: ${package}\n" "Version: ${version}\n" "Architecture: ${arch}\n" "Section: ${section}\n"
               "Maintainer: [^\n]+ <[^\n]+@[^\n]+>\n" "Description: [^\n]+\n [^\n]+" ${depends})
    if(NOT "\n${step_output}" MATCHES "\n${line}")
      message(FATAL_ERROR "${package}: no control line matches ${line}\n${step_output}")
    endif()
  endforeach()
  run_step(dpkg-deb -x "${WORK_DIR}/packages/${package}_${VERSION}_${arch}.deb" "${WORK_DIR}/${package}")
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
expect_ivory_install("${WORK_DIR}/libivory-dev/usr" ${LIBRARY_KIND})

# Built against the unpacked package as a user would against the installed one.
expect_pkg_config_consumer("${WORK_DIR}/libivory-dev/usr" "${WORK_DIR}/consumer/ivory_consumer" "${sanitizer_link_flags}"
                           --static)
message(STATUS "frostfeld and libivory-dev: fields and contents as expected")
