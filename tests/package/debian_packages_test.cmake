# Makes the Debian packages of this build tree with CPack, then checks their control fields and contents.
cmake_minimum_required(VERSION 3.16)
include("${CMAKE_CURRENT_LIST_DIR}/steps.cmake")
file(REMOVE_RECURSE "${WORK_DIR}")

run_step(${CMAKE_COMMAND} -E chdir "${BUILD_DIR}" cpack -G DEB -B "${WORK_DIR}/packages")
run_step(dpkg --print-architecture)
string(STRIP "${step_output}" arch)
file(GLOB made RELATIVE "${WORK_DIR}/packages" "${WORK_DIR}/packages/*.deb")
expect_equal("packages" "${made}" "frostfeld_${VERSION}_${arch}.deb;libivory-dev_${VERSION}_${arch}.deb")

# Fixed fields exactly, Depends by the packages it must name, a maintainer's address, a description body.
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

# The game: exactly launcher, binary, data and desktop files, icons of their sizes, an entry starting the
# launcher on the PATH with the installed icon; appstreamcli also pairs the metainfo's id with the entry.
set(game_root "${WORK_DIR}/frostfeld/usr")
set(app_id io.github.frostfeld.Frostfeld)
set(entry share/applications/${app_id}.desktop)
set(expected bin/frostfeld libexec/frostfeld/frostfeld ${entry} share/frostfeld/snow.bmp share/frostfeld/texturen/female.iv
    share/man/man6/frostfeld.6 share/metainfo/${app_id}.metainfo.xml share/icons/hicolor/scalable/apps/${app_id}.svg)
foreach(size 16 22 24 32 48 64 128 256)
  set(icon share/icons/hicolor/${size}x${size}/apps/${app_id}.png)
  list(APPEND expected ${icon})
  run_step(identify -format %wx%h "${game_root}/${icon}")
  expect_equal("${icon}" "${step_output}" "${size}x${size}")
endforeach()
list(SORT expected)
file(GLOB_RECURSE game_files RELATIVE "${game_root}" "${game_root}/*")
expect_equal("frostfeld contents" "${game_files}" "${expected}")
run_step(test -x "${game_root}/bin/frostfeld")
file(STRINGS "${game_root}/${entry}" entry_lines REGEX "^(Exec|Icon)=")
expect_equal("the entry's Exec and Icon" "${entry_lines}" "Exec=frostfeld;Icon=${app_id}")
run_step(desktop-file-validate "${game_root}/${entry}")
run_step(appstreamcli validate-tree --no-net "${WORK_DIR}/frostfeld")

# The library: exactly its install component's files, under /usr.
expect_ivory_install("${WORK_DIR}/libivory-dev/usr" ${LIBRARY_KIND})
