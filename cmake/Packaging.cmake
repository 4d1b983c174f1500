# Install layout and the Debian package.
# Installed: the program in bin/, its read-only resources and the pristine demo bank in
# share/tesvora/ (the program copies the bank into the candidate's data folder on first
# start), the desktop entry, AppStream data and icons where the desktop looks for them.

set(TESVORA_SHARE ${CMAKE_INSTALL_DATADIR}/tesvora)
install(DIRECTORY ${TESVORA_APPDIR}/pic ${TESVORA_APPDIR}/sound ${TESVORA_APPDIR}/htm
  DESTINATION ${TESVORA_SHARE})
# The pristine bank, never the build folder's own bank with its answers.
install(FILES ${CMAKE_BINARY_DIR}/demo/ZT468913.db DESTINATION ${TESVORA_SHARE}/data)
install(FILES ${CMAKE_SOURCE_DIR}/assets/desktop/org.tesvora.Tesvora.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/assets/desktop/org.tesvora.Tesvora.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tesvora)
set(CPACK_PACKAGE_VENDOR Tesvora)
set(CPACK_PACKAGE_CONTACT "Tesvora <packages@tesvora.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Study program for a professional qualification exam")
set(CPACK_PACKAGE_DESCRIPTION "Chapter practice, practice by exam point, timed mock exams, questions of\
 one's own, a study plan, daily logs and charts over an encrypted question bank.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not say: the window system plugin, fonts for Chinese, Qt's own
# Chinese texts for the standard dialogs, a MIDI soundfont.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei, qt6-translations-l10n, timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_STRIP_FILES ON)
include(CPack)
