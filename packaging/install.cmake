# What `cmake --install` puts where (GNU directories under the chosen prefix), and the
# Debian package CPack makes of the same: the viewer and the makers' tools in bin/ (each tool
# installs itself from its tool.cmake), the player among the helpers in libexec/pagovia/, the
# demo magazine, the man pages, the desktop entry and its icon under share/.
# The asset generators (pagovia-gen-*) stay in the build tree: they draw the demo's own
# pictures, which are installed with it.
install(TARGETS pagovia RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tunedeck)
  install(TARGETS tunedeck RUNTIME DESTINATION ${PAGOVIA_PLAYER_DIR})
endif()

# The assembled demo, without its copy of the player: the installed viewer finds its own.
install(DIRECTORY ${CMAKE_BINARY_DIR}/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pagovia/demo
  PATTERN musicplayer EXCLUDE)

file(GLOB PAGOVIA_MAN_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/*.1)
install(FILES ${PAGOVIA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop entry opens the installed demo, so its paths are those of the prefix actually
# installed to (a package's /usr, or `--prefix`), filled in at install time.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/pagovia.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(CODE "
  set(PAGOVIA_BIN \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(PAGOVIA_DEMO \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/pagovia/demo\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/pagovia.desktop.in\" \"${CMAKE_BINARY_DIR}/packaging/pagovia.desktop\" @ONLY)
  file(INSTALL \"${CMAKE_BINARY_DIR}/packaging/pagovia.desktop\"
    DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pagovia)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Pagovia developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen viewer for disk magazines, with a demo issue")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pagovia shows an electronic disk magazine in the spirit of the diskmags of the
home-computer demo scene: articles in a small bracket markup, menu images,
background pictures, scrolling text lines and tracker tunes, all read from a
folder of plain files tied together by one prefs.txt. It runs full screen with
OpenGL and plays the tunes with its own player, tunedeck (libopenmpt, SDL2).

The package holds the viewer, the player, the makers' tools, the demo magazine
in /usr/share/pagovia/demo, manual pages and a desktop entry.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Pagovia developers <pagovia@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The package's prefix is /usr whatever the tree was configured for. The desktop entry is
# written at install time with the prefix the files will have, so CPack installs to /usr
# below a staging DESTDIR rather than to a staging prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
include(CPack)
