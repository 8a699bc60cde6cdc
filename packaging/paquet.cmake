# The Debian package (scripts/paquet.sh): the two programs, their menu entries, icon, AppStream
# metainfo, manual pages and the guide, under /usr. Included from the top-level CMakeLists.
set(CORV_PAQUET_SOURCE ${CMAKE_SOURCE_DIR}/packaging)
set(CORV_PAQUET_BUILD ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${CORV_PAQUET_BUILD})

install(TARGETS corvandelle corvandelle-rapports RUNTIME DESTINATION bin)

# Manual pages and the changelog, compressed without a time stamp (the same bytes every build).
set(CORV_FICHIERS_COMPRESSES)
foreach(fichier corvandelle.1 corvandelle-rapports.1 changelog)
  configure_file(${CORV_PAQUET_SOURCE}/${fichier} ${CORV_PAQUET_BUILD}/${fichier} @ONLY)
  add_custom_command(OUTPUT ${CORV_PAQUET_BUILD}/${fichier}.gz
    COMMAND gzip -9nf -k ${CORV_PAQUET_BUILD}/${fichier}
    DEPENDS ${CORV_PAQUET_BUILD}/${fichier} VERBATIM)
  list(APPEND CORV_FICHIERS_COMPRESSES ${CORV_PAQUET_BUILD}/${fichier}.gz)
endforeach()

# The icon's pictures in the hicolor theme, drawn from the one SVG.
find_program(CORV_RSVG_CONVERT rsvg-convert)
set(CORV_ICONES_PNG)
set(CORV_TAILLES_ICONE 16 32 48 64 128 256)
if(CORV_RSVG_CONVERT)
  foreach(taille ${CORV_TAILLES_ICONE})
    set(png ${CORV_PAQUET_BUILD}/icones/${taille}x${taille}/corvandelle.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CORV_PAQUET_BUILD}/icones/${taille}x${taille}
      COMMAND ${CORV_RSVG_CONVERT} -w ${taille} -h ${taille} -o ${png} ${CORV_PAQUET_SOURCE}/corvandelle.svg
      DEPENDS ${CORV_PAQUET_SOURCE}/corvandelle.svg VERBATIM)
    list(APPEND CORV_ICONES_PNG ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${taille}x${taille}/apps)
  endforeach()
else()
  message(STATUS "rsvg-convert (librsvg2-bin) absent : le paquet n'aura pas les icônes PNG (scripts/dependances.sh paquet).")
endif()
add_custom_target(paquet_fichiers ALL DEPENDS ${CORV_FICHIERS_COMPRESSES} ${CORV_ICONES_PNG})

configure_file(${CORV_PAQUET_SOURCE}/org.corvandelle.Corvandelle.metainfo.xml
               ${CORV_PAQUET_BUILD}/org.corvandelle.Corvandelle.metainfo.xml @ONLY)
install(FILES ${CORV_PAQUET_SOURCE}/org.corvandelle.Corvandelle.desktop
              ${CORV_PAQUET_SOURCE}/org.corvandelle.CorvandelleRapports.desktop
        DESTINATION share/applications)
install(FILES ${CORV_PAQUET_BUILD}/org.corvandelle.Corvandelle.metainfo.xml DESTINATION share/metainfo)
install(FILES ${CORV_PAQUET_SOURCE}/corvandelle.svg DESTINATION share/icons/hicolor/scalable/apps)
# The pages are French: in the French section, and in the default one too, so that `man
# corvandelle` finds them whatever the locale (C, English…).
foreach(section share/man/fr/man1 share/man/man1)
  install(FILES ${CORV_PAQUET_BUILD}/corvandelle.1.gz ${CORV_PAQUET_BUILD}/corvandelle-rapports.1.gz
          DESTINATION ${section})
endforeach()
install(FILES ${CORV_PAQUET_SOURCE}/copyright ${CORV_PAQUET_BUILD}/changelog.gz DESTINATION share/doc/corvandelle)
# The guide: its pages, and the pictures tst_Guide takes of the real windows (scripts/paquet.sh
# runs it first; the package test checks they are there).
foreach(fichier index.html guide.css)
  configure_file(${CMAKE_SOURCE_DIR}/docs/guide/${fichier} ${CMAKE_BINARY_DIR}/guide/${fichier} COPYONLY)
endforeach()
install(DIRECTORY ${CMAKE_BINARY_DIR}/guide/ DESTINATION share/doc/corvandelle/guide)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvandelle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "billetterie@corvandelle.org")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "L'équipe de Corvandelle <billetterie@corvandelle.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://corvandelle.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "box office for a small theatre company")
# The summary above is the synopsis line; this is the long description under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Corvandelle keeps the box office of a small theatre company: client orders
of tickets, plays and their performances, sellers, the tickets each seller
holds and ticket exchanges, with reports on screen, on paper, as PDF, CSV
or spreadsheet. The interface is in French.")
# The libraries the programs link are found by dpkg-shlibdeps; what Qt loads at run time is not:
# the SQL drivers, the platform plugins, Qt's French translation, and the font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, qt6-translations-l10n, fonts-dejavu-core")
# The guide opens in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
