# Installation and the Debian package. `cmake --install` puts varnok and zk in
# bin/, zk's picture module in lib/varnok/, the help pages, the examples and
# the default settings in share/varnok/, and the desktop entry, the icons and
# the MIME type of ZK sources where the desktop looks for them. `cpack -G DEB` makes varnok_VERSION_ARCH.deb of it.
include(GNUInstallDirs)

set(VARNOK_DATA_DIR ${CMAKE_INSTALL_DATADIR}/varnok)
set(VARNOK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS varnok zk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS varnok-picture LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/varnok)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/ide/help/ DESTINATION ${VARNOK_DATA_DIR}/help)
install(FILES ${VARNOK_PACKAGING_DIR}/icons/varnok-64.png
  DESTINATION ${VARNOK_DATA_DIR}/help RENAME varnok.png)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VARNOK_DATA_DIR}/examples
  FILES_MATCHING PATTERN "*.zk")
install(FILES ${VARNOK_PACKAGING_DIR}/Zk.ini DESTINATION ${VARNOK_DATA_DIR})

install(FILES ${VARNOK_PACKAGING_DIR}/varnok.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VARNOK_PACKAGING_DIR}/varnok-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME varnok.xml)
install(FILES ${VARNOK_PACKAGING_DIR}/icons/varnok.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${VARNOK_PACKAGING_DIR}/icons/varnok-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME varnok.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/varnok)

# The Debian package. dpkg-shlibdeps finds the libraries the two programs link;
# what they load at run time is named here: Qt's platform plugins (a window
# needs xcb or wayland), the metric-compatible fonts of the pictures and the
# editor, and Qt's Russian translation of its own dialogs. The desktop's
# databases of applications, icons and MIME types are refreshed by dpkg
# triggers, so the package needs no scripts of its own.
set(CPACK_PACKAGE_NAME varnok)
set(CPACK_PACKAGE_VENDOR "Varnok")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programming environment for the ZK list-processing language")
set(CPACK_PACKAGE_DESCRIPTION
  "Varnok is an integrated programming environment for ZK, a small list-processing language \
for teaching: a source editor with ZK highlighting, syntax check, compilation to p-code, \
separately compiled units, and runs with live counters whose results are text or pictures. \
zk is its command-line front end. The interface and the guide are in Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varnok developers <varnok@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, shared-mime-info, desktop-file-utils")
include(CPack)
