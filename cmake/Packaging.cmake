# SPDX-License-Identifier: GPL-3.0-or-later
# Installation where a distribution expects things (relative to the prefix), and a Debian package of
# the same (scripts/package).
include(GNUInstallDirs)

install(TARGETS tonebench tonebench-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(TONEBENCH_DESKTOP ${PROJECT_SOURCE_DIR}/resources/desktop)
install(FILES ${TONEBENCH_DESKTOP}/tonebench.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TONEBENCH_DESKTOP}/tonebench-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tonebench.xml)
install(FILES ${TONEBENCH_DESKTOP}/icons/tonebench.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256 512)
  install(FILES ${TONEBENCH_DESKTOP}/icons/tonebench-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tonebench.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/factory/Factory.plist DESTINATION ${CMAKE_INSTALL_DATADIR}/tonebench)
# Debian's machine-readable copyright file, the README, the changelog (compressed, as Debian keeps it)
# and the manual pages.
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonebench)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/package/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/package/changelog
  COMMENT "Compressing the changelog")
add_custom_target(changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonebench)
include(${CMAKE_CURRENT_LIST_DIR}/ManualPages.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonebench)
set(CPACK_PACKAGE_VENDOR "ToneBench")
set(CPACK_PACKAGE_CONTACT "ToneBench developers <tonebench@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Patch editor and librarian for the Roland Juno-106")
# One string: several would be joined with ";" into the package's description.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "ToneBench edits the sounds of a Juno-106 over MIDI SysEx, keeps them as a library of preset files, "
       "records the patches the instrument sends, and plays notes from the computer keyboard. "
       "tonebench-cli does the librarian's batch work for scripts.")
set(CPACK_PACKAGE_LICENSE "GPL-3.0-or-later")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The libraries the programs link come from dpkg-shlibdeps; the Qt plugins they load at run time
# (the platform and SVG image plugins) are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, dbus")
include(CPack)
