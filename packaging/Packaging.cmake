# Linux install rules (the program, its menu entry, the icon in the theme sizes) and the Debian
# package that cpack -G DEB builds from them. Windows releases are made by tools/make-installer.sh.
if(WIN32 OR APPLE)
    return()
endif()
include(GNUInstallDirs)

install(TARGETS Podivex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/linux/podivex.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon is painted at build time by the same code that paints the Windows .ico.
set(PODIVEX_THEME ${CMAKE_BINARY_DIR}/icons/hicolor)
add_custom_command(OUTPUT ${PODIVEX_THEME}/256x256/apps/podivex.png
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:make_icon> --hicolor ${PODIVEX_THEME}
    DEPENDS make_icon
    COMMENT "Painting the icon theme sizes")
add_custom_target(podivex_icons ALL DEPENDS ${PODIVEX_THEME}/256x256/apps/podivex.png)
install(DIRECTORY ${PODIVEX_THEME} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Debian's documentation: the copyright, a compressed change log and the manual page.
set(PODIVEX_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/podivex) # named after the package
string(TIMESTAMP PODIVEX_BUILD_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${CMAKE_BINARY_DIR}/changelog
     "podivex (${PROJECT_VERSION}) stable; urgency=medium\n\n  * Release ${PROJECT_VERSION}.\n\n"
     " -- Quillmere <podivex@quillmere.com>  ${PODIVEX_BUILD_DATE}\n")
configure_file(${CMAKE_CURRENT_LIST_DIR}/linux/Podivex.1 ${CMAKE_BINARY_DIR}/Podivex.1 COPYONLY)
foreach(doc changelog Podivex.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${doc}.gz
        COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/${doc} -c > ${CMAKE_BINARY_DIR}/${doc}.gz
        DEPENDS ${CMAKE_BINARY_DIR}/${doc})
endforeach()
add_custom_target(podivex_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz ${CMAKE_BINARY_DIR}/Podivex.1.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/linux/copyright ${CMAKE_BINARY_DIR}/changelog.gz
        DESTINATION ${PODIVEX_DOCDIR})
install(FILES ${CMAKE_BINARY_DIR}/Podivex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME podivex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}) # all four numbers
set(CPACK_PACKAGE_VENDOR Quillmere)
set(CPACK_PACKAGE_CONTACT "Quillmere <podivex@quillmere.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "touch controls and ink over a full-screen slide show")
set(CPACK_PACKAGE_DESCRIPTION
    "Podivex follows the full-screen slide show of a presentation program such as\n"
    "LibreOffice Impress and lays large touch controls over it: previous and next\n"
    "slide, page counter, end and minimise show, and a transparent layer for ink\n"
    "that is kept for each slide.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
# The libraries' package names come from dpkg-shlibdeps; the X11 platform plugin is loaded at run
# time and so named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-impress")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
