# Installation into the Linux desktop (binary, data, desktop entry, icons,
# MIME type, man page, bash completion) and the Debian package built from it.
include(GNUInstallDirs)

set(PHOTOREEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(PHOTOREEL_ICON_SIZES 16 24 32 48 64 128 256)

install(TARGETS photoreel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The demo film is optional: the tree may not carry one yet.
if(EXISTS ${PROJECT_SOURCE_DIR}/data/demo/demo.flz)
  install(FILES ${PROJECT_SOURCE_DIR}/data/demo/demo.flz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/photoreel)
endif()

install(FILES ${PHOTOREEL_PACKAGING_DIR}/photoreel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PHOTOREEL_PACKAGING_DIR}/photoreel-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME photoreel.xml)
install(FILES ${PHOTOREEL_PACKAGING_DIR}/icons/photoreel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS PHOTOREEL_ICON_SIZES)
  install(FILES ${PHOTOREEL_PACKAGING_DIR}/icons/photoreel-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME photoreel.png)
endforeach()

# The version in the page's footer follows the project's.
set(VERSION ${PROJECT_VERSION})
configure_file(${PHOTOREEL_PACKAGING_DIR}/photoreel.1 ${PROJECT_BINARY_DIR}/photoreel.1 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/photoreel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PHOTOREEL_PACKAGING_DIR}/photoreel.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME photoreel)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# Debian package. The shared libraries' packages come from dpkg-shlibdeps;
# the rest are found at run time by path or by name, so they are listed here.
set(CPACK_PACKAGE_NAME photoreel)
set(CPACK_PACKAGE_VENDOR "Photoreel Player developers")
set(CPACK_PACKAGE_CONTACT "Photoreel Player developers <photoreel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Player for Photoreel photo slideshow films")
set(CPACK_PACKAGE_DESCRIPTION
    "Plays Photoreel films (.flz film packages and self-running shows) with their transitions, titles and music, and inspects, extracts and makes them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_LICENSE GPL-3.0-or-later)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "timgm6mb-soundfont | fluid-soundfont-gm, fonts-liberation2, fonts-dejavu-core, fontconfig")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "zenity | kdialog, fonts-crosextra-carlito, fonts-crosextra-caladea, fonts-noto-cjk, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-impress")
include(CPack)
