# Installation rules and the Debian package:
#   cmake --build <build> --target package   ->   brivane_<version>_amd64.deb
# Programs in /usr/bin, a menu entry and its icon, a French man page per
# program, the docs and the demo; dependencies come from dpkg-shlibdeps.
include(GNUInstallDirs)

set(brivane_programmes brivane brivane-import brivane-company brivane-demo-company
  brivane-dbase-fixture brivane-dbase-post)
set(brivane_pages)
foreach(programme IN LISTS brivane_programmes)
  if(NOT TARGET ${programme})
    continue()
  endif()
  install(TARGETS ${programme} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Man pages carry the version of the build and go in gzipped, as Debian wants them.
  set(page ${CMAKE_BINARY_DIR}/man/${programme}.1)
  set(BRIVANE_VERSION ${PROJECT_VERSION})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/man/${programme}.1 ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND gzip -9n -c ${page} > ${page}.gz
    DEPENDS ${page}
    COMMENT "Man page ${programme}.1")
  list(APPEND brivane_pages ${page}.gz)
endforeach()
add_custom_target(brivane_pages_man ALL DEPENDS ${brivane_pages})
install(FILES ${brivane_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/brivane.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/brivane.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

file(GLOB brivane_docs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md
  ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${brivane_docs}
  ${PROJECT_SOURCE_DIR}/packaging/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brivane)

# The demo runs the installed programs on copies of the sample invoices.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/demo.sh DESTINATION ${CMAKE_INSTALL_DATADIR}/brivane)
file(GLOB brivane_exemples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/exemples/*.csv)
install(FILES ${brivane_exemples} DESTINATION ${CMAKE_INSTALL_DATADIR}/brivane/exemples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brivane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Équipe Brivane <brivane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "transfert de factures CSV vers un système comptable")
set(CPACK_PACKAGE_DESCRIPTION
  "Brivane lit une facture de vente d'un fichier CSV, la valide selon les limites du\n\
système comptable et l'y enregistre : client créé ou mis à jour, produits absents\n\
ajoutés, facture écrite avec ses deux lignes de taxes. Système 1 : la compagnie\n\
intégrée ; système 2 : les tables dBASE IV du dossier de la compagnie.\n\
Programmes : brivane (fenêtre) et brivane-import (sans fenêtre).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What dpkg-shlibdeps cannot see: Qt's display plugins and the keyring's
# library, loaded at run time, and Qt's French texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, libsecret-1-0")
# The demo shows the dBASE rows with it when it is there; a keyring keeps the
# password out of the settings file.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-dbfread, gnome-keyring | kwalletmanager")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
