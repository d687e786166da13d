# The Debian package: `cpack -G DEB` in the build folder makes
# cindral_<version>_<arch>.deb from what `cmake --install` puts in place
# (the program, its .desktop file, metainfo and icons).
set(CPACK_PACKAGE_NAME "cindral")
set(CPACK_PACKAGE_VENDOR "Cindral")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "Cindral maintainers <maintainers@cindral.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CPACK_DEBIAN_PACKAGE_NAME "cindral")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cindral.org/")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${PROJECT_DESCRIPTION}
 Reads the sixteen colours of a palette at a hexadecimal offset of a
 Nintendo DS or GBA ROM image, shows them as colour words with swatches
 and writes the edited palette back in place. A colour picker, a
 database of named offsets and a live update wizard stand beside it.")
# The shared libraries the program links come from dpkg-shlibdeps (Debian's
# libqt6gui6 also carries the X11 platform plugin; the Wayland one, loaded
# at run time, is named here). Without dpkg-dev the list is given by hand.
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland")
else()
  message(STATUS "dpkg-shlibdeps not found: the .deb names its dependencies by hand")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6gui6, libqt6network6, libqt6dbus6, libqt6core6, libsqlite3-0, qt6-wayland")
endif()

set(CPACK_GENERATOR "DEB")
include(CPack)
