# Installation and the Debian package.
#
# Everything the program reads lives in one program folder, lib/tovo/ under
# the prefix: tovo, tovo-cli, the picture decoder tovo-decode, the two
# modules, the self-extractor stub, the labels file, the first favourites
# and history files, the help and the icons. bin/ holds links to the two commands; the desktop entry, the icons
# and the manual pages go to the system's folders. The marker file
# "installé.txt" tells the program that its folder belongs to the system, so
# the files it writes live in each user's data folder ($XDG_DATA_HOME/tovo/).

set(TOVO_PROGRAM_DIR lib/tovo)

install(TARGETS tovo tovo-cli tovo-decode RUNTIME DESTINATION ${TOVO_PROGRAM_DIR})
install(TARGETS tovo_ziprd tovo_zipwr LIBRARY DESTINATION ${TOVO_PROGRAM_DIR})
install(TARGETS tovo_sfx RUNTIME DESTINATION ${TOVO_PROGRAM_DIR})
install(FILES
  "${CMAKE_SOURCE_DIR}/data/français.tv"
  ${CMAKE_SOURCE_DIR}/data/favoris.txt
  ${CMAKE_SOURCE_DIR}/data/historique.txt
  "${CMAKE_SOURCE_DIR}/packaging/installé.txt"
  DESTINATION ${TOVO_PROGRAM_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/aide ${CMAKE_SOURCE_DIR}/data/icones DESTINATION ${TOVO_PROGRAM_DIR})

# bin/tovo and bin/tovo-cli: relative links into the program folder, so the
# program still finds its folder (the link's target) under any prefix.
set(links ${CMAKE_BINARY_DIR}/packaging/bin)
file(MAKE_DIRECTORY ${links})
foreach(command tovo tovo-cli)
  file(CREATE_LINK ../${TOVO_PROGRAM_DIR}/${command} ${links}/${command} SYMBOLIC)
  install(FILES ${links}/${command} DESTINATION bin)
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/packaging/tovo.desktop DESTINATION share/applications)
foreach(size ${TOVO_ICON_SIZES})
  install(FILES ${CMAKE_SOURCE_DIR}/data/icones/tovo-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME tovo.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/data/icones/tovo.svg DESTINATION share/icons/hicolor/scalable/apps)

# Manual pages and the Debian changelog, compressed as Debian wants them.
set(compressed)
foreach(file tovo.1 tovo-cli.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${file} > ${CMAKE_BINARY_DIR}/packaging/${file}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${file}
    VERBATIM)
  list(APPEND compressed ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
endforeach()
add_custom_target(tovo_packaging_files ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/tovo.1.gz ${CMAKE_BINARY_DIR}/packaging/tovo-cli.1.gz
        DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/tovo)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION share/doc/tovo RENAME changelog.Debian.gz)

# `make package`: tovo_4.4-1_amd64.deb, its library dependencies found by
# dpkg-shlibdeps, plus what the program needs at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora <tovo@velmora.fr>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs Qt's X11 platform plugin, French dialog texts, the
# metric twin of Arial, Qt's TIFF reader, and the metafile coder and its
# fonts for tovo-decode; none of them is a linked library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation, qt6-image-formats-plugins, libmagickcore-6.q16-6-extra, fonts-urw-base35")
# The ZIP association and the desktop launcher use these when present.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, desktop-file-utils, libglib2.0-bin")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "gestionnaire d'archives ZIP
Tovo ouvre une archive ZIP dans une fenêtre, en liste les fichiers, en
montre un aperçu (textes, pages HTML, images), extrait tout ou partie de
l'archive, y ajoute des fichiers, met à jour, supprime, répare une archive
endommagée et en fait un programme auto-extractible.
.
La commande tovo-cli fait le même travail en ligne de commande.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
