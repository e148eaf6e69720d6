# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack --preset release` after a release build makes
# swirlon_<version>_<arch>.deb from everything the install rules put under /usr.
include(GNUInstallDirs)

set(SWIRLON_PACKAGE_MAINTAINER "Swirlon developers <swirlon@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

# Debian keeps each package's licence beside its documentation.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/swirlon RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME swirlon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SWIRLON_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Swirlon shows a two-dimensional incompressible viscous flow in a doubly\n"
    "periodic box evolving live from a picture whose colours give the initial\n"
    "vorticity, at Reynolds numbers 100, 1000 or 10000, as a false-colour\n"
    "picture of the vorticity or of the squared speed. Its pseudo-spectral\n"
    "solver runs on a 128x128 grid free of aliasing. The menus are in Japanese.\n"
    "swirlon-batch runs the same flow without a window and writes pictures,\n"
    "diagnostics and state files. The Python module swirlon (import swirlon)\n"
    "steps the same flow from a script, with numpy arrays in and out.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Library dependencies come from the binaries (dpkg-shlibdeps); the window's Japanese menus need
# a Japanese font, and Qt's own dialogs read better with its translations. The Python module
# hands out numpy arrays; the programs work without it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-ipafont-gothic)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, python3-numpy")

include(CPack)
