# Debian packages made from the install components by CPack, from a build
# folder:  cpack -G DEB
#   frostfeld      the game, its data and launcher (component "game")
#   libivory-dev   Ivory's headers, library, CMake package and pkg-config
#                  file (component "ivory")

set(FROSTFELD_PACKAGE_MAINTAINER "The Frostfeld developers <frostfeld@example.org>"
    CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME frostfeld)
set(CPACK_PACKAGE_VENDOR "The Frostfeld developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_COMPONENTS_ALL ivory)
if(FROSTFELD_BUILD_GAME)
  list(APPEND CPACK_COMPONENTS_ALL game)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # NAME_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FROSTFELD_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# The game: its shared libraries (freeglut, GLU, Coin, GL, the C++ runtime)
# give its dependencies, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_GAME_PACKAGE_NAME frostfeld)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_DEBIAN_GAME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_GAME_DESCRIPTION "first-person snowball game on snowy hills
Walk over a generated landscape of snowy hills under fog and throw snowballs
at an enemy figure. One window, keyboard and mouse; Esc quits.")

# The library for developers; a static library brings its private
# dependencies' development packages along (IvoryInstall.cmake).
set(CPACK_DEBIAN_IVORY_PACKAGE_NAME libivory-dev)
set(CPACK_DEBIAN_IVORY_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_IVORY_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_IVORY_PACKAGE_DEPENDS "${IVORY_DEBIAN_DEPENDS}")
set(CPACK_DEBIAN_IVORY_DESCRIPTION "image library of up to four dimensions - development files
Ivory holds images of up to four dimensions with any number of channels in
eight element types. It reads BMP and headerless raw files and offers
resampling, intensity windows with 8- and 16-bit export, filtering,
gradients and interpolation. This package holds the headers, the library,
the CMake package (find_package(Ivory)) and the pkg-config file (ivory).")

include(CPack)
