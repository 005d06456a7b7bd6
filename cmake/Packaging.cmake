# Installing Veltro as a desktop program, and its Debian package:
#     cmake --install build-release --prefix ~/.local
#     (cd build-release && cpack -G DEB)
# The program finds its data in <prefix>/share/veltro/ when it runs from <prefix>/bin/.

include(GNUInstallDirs)

set(VELTRO_HOMEPAGE_URL "https://www.tidewellkorvan.com/veltro" CACHE STRING "Home page named by the metainfo")
set(VELTRO_DATA_DIR ${CMAKE_INSTALL_DATADIR}/veltro)
set(VELTRO_RESOURCES ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS veltro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

file(GLOB VELTRO_INSTALLED_DATA CONFIGURE_DEPENDS
    ${VELTRO_RESOURCES}/lang/veltro.x*
    ${VELTRO_RESOURCES}/help/veltro*.rtf
    ${VELTRO_RESOURCES}/html/*.htt)
install(FILES ${VELTRO_INSTALLED_DATA} DESTINATION ${VELTRO_DATA_DIR})

install(FILES ${VELTRO_RESOURCES}/desktop/veltro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELTRO_RESOURCES}/desktop/veltro.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
configure_file(${VELTRO_RESOURCES}/desktop/veltro.metainfo.xml.in
    ${PROJECT_BINARY_DIR}/com.tidewellkorvan.Veltro.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/com.tidewellkorvan.Veltro.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${VELTRO_RESOURCES}/icons/veltro-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME veltro.png)
endforeach()
install(FILES ${VELTRO_RESOURCES}/icons/veltro.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME veltro)
set(CPACK_PACKAGE_VENDOR "Tidewell Korvan")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer for the result files of swimming competitions")
set(CPACK_PACKAGE_HOMEPAGE_URL ${VELTRO_HOMEPAGE_URL})
set(CPACK_PACKAGE_CONTACT "Tidewell Korvan")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded only when a transfer starts, so the library dependencies found from the program do not name it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libcurl4)
# Message boxes and Qt's dialogs speak the chosen language only with Qt's own translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
include(CPack)
