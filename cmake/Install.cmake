# Desktop integration, shared files and the Debian package.
#
# The program itself is installed by src/CMakeLists.txt (bin/girthminder). This file adds what a
# desktop needs to offer it in its menus and software centres, the menu's launcher, the sample
# report templates, the manuals and the Debian changelog, and the CPack settings for
# `cpack -G DEB`.

include(GNUInstallDirs)

set(GIRTH_APP_ID org.girthminder.Girthminder)
set(GIRTH_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")
set(GIRTH_ICON_DIR "${PROJECT_SOURCE_DIR}/src/res/icons")

# Menu entry and software-centre metadata. Their file names carry the application id, which
# AppStream requires to match the desktop entry named in <launchable>.
install(FILES "${GIRTH_PACKAGING_DIR}/${GIRTH_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${GIRTH_PACKAGING_DIR}/${GIRTH_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Icons in the hicolor theme, named after the application id as the desktop entry's Icon= says.
# 16, 32 and 48 pixels are the same pictures the window uses; 128 pixels is rendered from the
# SVG and kept in packaging/ so that building needs no image tools.
foreach(size 16 32 48)
  install(FILES "${GIRTH_ICON_DIR}/girthminder-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
          RENAME "${GIRTH_APP_ID}.png")
endforeach()
install(FILES "${GIRTH_PACKAGING_DIR}/icons/girthminder-128.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps"
        RENAME "${GIRTH_APP_ID}.png")
install(FILES "${GIRTH_ICON_DIR}/girthminder.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        RENAME "${GIRTH_APP_ID}.svg")

# The menu's command: starts the program in the user's data folder with the sample templates in
# place. It finds the program beside itself and the samples by a path relative to itself, so the
# same script works in /usr, in ~/.local and in any other prefix.
cmake_path(RELATIVE_PATH CMAKE_INSTALL_DATADIR BASE_DIRECTORY "${CMAKE_INSTALL_BINDIR}"
           OUTPUT_VARIABLE GIRTH_DATA_FROM_BIN)
set(GIRTH_TEMPLATES_FROM_BIN "${GIRTH_DATA_FROM_BIN}/girthminder/templates")
configure_file("${GIRTH_PACKAGING_DIR}/girthminder-desktop.in" girthminder-desktop @ONLY)
install(PROGRAMS "${CMAKE_CURRENT_BINARY_DIR}/girthminder-desktop" DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The manual page and the Debian changelog, compressed as Debian wants them (-n: no name or time
# stamp, so the package is reproducible). Building the program builds them too.
set(GIRTH_GZIPPED_DOCS girthminder.1 changelog)
set(GIRTH_GZIPPED_OUTPUTS)
foreach(doc ${GIRTH_GZIPPED_DOCS})
  add_custom_command(OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${doc}.gz"
                     COMMAND gzip -9n -c "${GIRTH_PACKAGING_DIR}/${doc}" > "${CMAKE_CURRENT_BINARY_DIR}/${doc}.gz"
                     DEPENDS "${GIRTH_PACKAGING_DIR}/${doc}"
                     VERBATIM)
  list(APPEND GIRTH_GZIPPED_OUTPUTS "${CMAKE_CURRENT_BINARY_DIR}/${doc}.gz")
endforeach()
add_custom_target(girth_gzipped_docs ALL DEPENDS ${GIRTH_GZIPPED_OUTPUTS})
add_dependencies(girthminder girth_gzipped_docs)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/girthminder.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
# girthminder(1) describes the menu's command too.
file(CREATE_LINK girthminder.1.gz "${CMAKE_CURRENT_BINARY_DIR}/girthminder-desktop.1.gz" SYMBOLIC)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/girthminder-desktop.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/girthminder")

# Sample report templates, put in the data folder by the menu's command, and the manual.
install(FILES "${PROJECT_SOURCE_DIR}/templates/ReportOutter.htm"
              "${PROJECT_SOURCE_DIR}/templates/ReportInner.htm"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/girthminder/templates")
install(FILES "${PROJECT_SOURCE_DIR}/docs/manual.htm"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/girthminder")

# The licence, where Debian looks for it.
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/girthminder"
        RENAME copyright)

# Debian package: `cpack -G DEB` in the build directory.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME girthminder)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Girthminder developers")
set(CPACK_PACKAGE_CONTACT "The Girthminder developers <maintainers@girthminder.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal log of body measurements while dieting")
set(CPACK_PACKAGE_DESCRIPTION [=[
Girthminder keeps a personal log of body measurements while dieting: each
entry is a date picked in a calendar and six measurements (weight, chest,
neck, arm, leg and waist), kept exactly as typed. The log is the text file
diet.dat in the directory the program is started in; started from the
desktop menu, that is ~/.local/share/girthminder. The Report button
fills two HTML templates of the user's with the entries and opens the
result in the web browser; the menu puts sample templates in place.]=])
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.girthminder.org/")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME girthminder)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
# The libraries the binary links are found by dpkg-shlibdeps (package dpkg-dev). Qt loads its
# window-system plugin and the scalable icon's drawing plugin at run time, which no linker
# sees, so those packages are named here; the found dependencies are appended to them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
