# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where: the programs, the desktop entry, its
# icon and AppStream data, the man pages, kt90rotd's systemd unit and the
# documents. kt90shot, the benchmarks and the tests are for this tree only.
include(GNUInstallDirs)

install(TARGETS norvakKT90dde kt90ctl kt90rotd kt90sim trackerfeed
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(KT90_APP_ID org.norvak.KT90dde)
install(FILES data/${KT90_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${KT90_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/${KT90_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Compressed, as man pages are installed.
file(GLOB KT90_MAN_PAGES ${PROJECT_SOURCE_DIR}/docs/man/*.1)
set(KT90_MAN_GZ)
foreach(page ${KT90_MAN_PAGES})
  get_filename_component(name ${page} NAME)
  set(gz ${PROJECT_BINARY_DIR}/man/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9nc ${page} > ${gz}
    DEPENDS ${page})
  list(APPEND KT90_MAN_GZ ${gz})
endforeach()
add_custom_target(kt90_man_pages ALL DEPENDS ${KT90_MAN_GZ})
install(FILES ${KT90_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The unit names the installed program.
configure_file(tools/kt90rotd/kt90rotd.service ${PROJECT_BINARY_DIR}/kt90rotd.service @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kt90rotd.service DESTINATION lib/systemd/system)

# The package's document folder, lower case as Debian names packages.
install(FILES README.md LICENSE BENCHMARKS.md docs/architecture.md docs/protocol.md
  docs/conversation.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/norvakkt90dde)
