# Install rules and the Debian package. Everything the programs read at run time lies below
# <prefix>/share/mahnwesen and is found relative to <prefix>/bin, so a staged folder works as well.
include(GNUInstallDirs)

set(MAHNWESEN_APP_ID de.qel_suite.Mahnwesen)
set(MAHNWESEN_DATADIR ${CMAKE_INSTALL_DATADIR}/mahnwesen)

install(TARGETS mahnwesen mahnwesen-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/reports/mahnung.html DESTINATION ${MAHNWESEN_DATADIR}/reports)

# Qt's German texts for its own dialogs (buttons, file dialogs): shipped beside the program so an
# installation in any prefix finds them.
find_file(MAHNWESEN_QTBASE_DE_QM qtbase_de.qm
  HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}" "/usr/${QT6_INSTALL_TRANSLATIONS}"
  NO_DEFAULT_PATH)
if(MAHNWESEN_QTBASE_DE_QM)
  install(FILES ${MAHNWESEN_QTBASE_DE_QM} DESTINATION ${MAHNWESEN_DATADIR}/translations)
else()
  message(WARNING "qtbase_de.qm not found (qt6-translations-l10n): Qt's dialogs stay English")
endif()

configure_file(${PROJECT_SOURCE_DIR}/data/${MAHNWESEN_APP_ID}.metainfo.xml
  ${PROJECT_BINARY_DIR}/data/${MAHNWESEN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/data/${MAHNWESEN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/${MAHNWESEN_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_BINARY_DIR}/data/${MAHNWESEN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${PROJECT_BINARY_DIR}/data/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/data/changelog
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/data/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright ${PROJECT_BINARY_DIR}/data/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mahnwesen)

# Manual pages and the guides with their pictures.
foreach(seite mahnwesen mahnwesen-admin)
  configure_file(${PROJECT_SOURCE_DIR}/data/${seite}.1 ${PROJECT_BINARY_DIR}/data/${seite}.1 @ONLY)
  execute_process(COMMAND gzip -9 -n -c ${PROJECT_BINARY_DIR}/data/${seite}.1
    OUTPUT_FILE ${PROJECT_BINARY_DIR}/data/${seite}.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/data/${seite}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/docs/handbuch-sachbearbeitung.md ${PROJECT_SOURCE_DIR}/docs/handbuch-administration.md
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mahnwesen)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/bilder/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mahnwesen/bilder
  FILES_MATCHING PATTERN "*.png")

# Debian package: dependencies from the linked libraries (dpkg-shlibdeps), plus what is loaded at run
# time and therefore invisible to it (SQL drivers, the SVG icon plug-in, fonts for the letters).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mahnwesen)
set(CPACK_PACKAGE_VENDOR "Die Entwickler des Mahnwesens")
set(CPACK_PACKAGE_CONTACT "Die Entwickler des Mahnwesens <mahnwesen@qel-suite.de>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dunning module of a merchandise-management and accounting suite")
set(CPACK_PACKAGE_DESCRIPTION "A desktop program in which a clerk finds the unpaid invoices of\na client company's business partners, books numbered dunnings with fees and\ninterest and prints the letters or stores them as PDF. Single workstations\nuse SQLite, several share one PostgreSQL database.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, postgresql-client")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
