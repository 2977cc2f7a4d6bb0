# SPDX-License-Identifier: GPL-3.0-or-later
# A Debian package of what `cmake --install` installs:
#   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
#   cmake --build build-release --target package
# Its dependencies are computed from the binaries (dpkg-shlibdeps).
set(KT90_DEB_DOCDIR share/doc/norvakkt90dde)

# Debian wants the copyright file and a compressed changelog in the
# package's document folder.
install(FILES data/copyright DESTINATION ${KT90_DEB_DOCDIR})
set(KT90_CHANGELOG ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${KT90_CHANGELOG}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/changelog.Debian > ${KT90_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog.Debian)
add_custom_target(kt90_changelog ALL DEPENDS ${KT90_CHANGELOG})
install(FILES ${KT90_CHANGELOG} DESTINATION ${KT90_DEB_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvakkt90dde)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1) # the packaging's own revision, as in the changelog
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the KT-90 antenna rotator controller")
set(CPACK_PACKAGE_DESCRIPTION
  "Shows where the antenna points, points it, jogs it with the arrow\n\
keys and stops it, switches the controller's six power outputs,\n\
follows a satellite from a tracking program and files the\n\
controller's configuration block, over a serial port or TCP. It\n\
serves hamlib's network rotator protocol; kt90rotd does the same\n\
without a window, for a station without a screen.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KT-90 panel developers <kt90-panel@example.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, iputils-ping")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gpredict, libhamlib-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
