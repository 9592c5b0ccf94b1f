# Desktop integration, shared files and the Debian package.
#
# The program itself is installed by src/CMakeLists.txt (bin/girthminder). This file adds what a
# desktop needs to offer it in its menus and software centres, the sample report templates and
# the manual, and the CPack settings for `cpack -G DEB`.

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

# Sample report templates for users to copy beside their diet.dat, and the manual.
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
diet.dat in the directory the program is started in. The Report button
fills two HTML templates of the user's with the entries and opens the
result in the web browser; sample templates are in
/usr/share/girthminder/templates.]=])
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
