# Installation (executables, the manual, desktop file, icon, AppStream metainfo, man pages)
# and the Debian package (cpack -G DEB).
#
# The executables and the manual come from other parts of the build; each is installed only
# when its target exists, so every configuration (also one without the GUI) works.

include(GNUInstallDirs)

set(KORVEX_APP_ID "com.example.korvex")
set(korvex_packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(korvex_packaging_out ${CMAKE_BINARY_DIR}/packaging)

foreach(program korvex korvex-scan)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

if(TARGET korvex_manual)
    install(FILES ${CMAKE_BINARY_DIR}/app/KorvexHelp.pdf ${CMAKE_BINARY_DIR}/app/KorvexHelp.md
            DESTINATION ${CMAKE_INSTALL_DATADIR}/korvex)
endif()

# The metainfo names the web site's pages only when the build has one.
if(KORVEX_WEB_BASE)
    string(REGEX REPLACE "/+$" "" korvex_web_base "${KORVEX_WEB_BASE}")
    set(KORVEX_METAINFO_URLS "<url type=\"homepage\">${korvex_web_base}/</url>
  <url type=\"help\">${korvex_web_base}/support/</url>")
else()
    set(KORVEX_METAINFO_URLS "<!-- no web site: the manual comes with the package -->")
endif()
configure_file(${korvex_packaging_dir}/${KORVEX_APP_ID}.metainfo.xml
               ${korvex_packaging_out}/${KORVEX_APP_ID}.metainfo.xml @ONLY)

# The application, and the handler of Mac aliases (korvex --open): the only desktop file for
# their type, so the default one. desktop-file-utils' dpkg trigger updates the cache of handlers.
install(FILES ${korvex_packaging_dir}/korvex.desktop ${korvex_packaging_dir}/korvex-open-alias.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Dolphin: "Find Broken Mac Aliases" on folders, "Show Original" on Mac aliases. KIO wants
# service menus executable.
install(PROGRAMS ${korvex_packaging_dir}/servicemenus/korvex-find-broken-aliases.desktop
                 ${korvex_packaging_dir}/servicemenus/korvex-show-original.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)
install(FILES ${korvex_packaging_dir}/korvex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${korvex_packaging_out}/${KORVEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The file type of Mac aliases; shared-mime-info's dpkg trigger on this folder runs
# update-mime-database when the package is installed or removed.
install(FILES ${korvex_packaging_dir}/korvex.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# Man pages, compressed as Debian wants them (reproducibly: no name, no time stamp).
find_program(KORVEX_GZIP gzip)
foreach(page korvex.1 korvex-scan.1)
    if(KORVEX_GZIP)
        add_custom_command(
            OUTPUT ${korvex_packaging_out}/${page}.gz
            COMMAND sh -c "\"$1\" -9 -n -c \"$2\" > \"$3\"" gzip ${KORVEX_GZIP}
                    ${korvex_packaging_dir}/${page} ${korvex_packaging_out}/${page}.gz
            DEPENDS ${korvex_packaging_dir}/${page}
            VERBATIM)
        list(APPEND korvex_man_pages ${korvex_packaging_out}/${page}.gz)
    else()
        list(APPEND korvex_man_pages ${korvex_packaging_dir}/${page})
    endif()
endforeach()
add_custom_target(korvex_man_pages ALL DEPENDS ${korvex_man_pages})
install(FILES ${korvex_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_PACKAGE_NAME korvex)
set(CPACK_PACKAGE_VENDOR "The Korvex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find broken macOS Finder aliases on Linux disks")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvex walks a folder (a copied Mac folder, a Samba or netatalk share used by Macs, a disk
written by a Mac), recognises every macOS Finder alias, reads the Apple bookmark data stored
in it and resolves it without asking anything and without mounting anything. The aliases that
no longer resolve are listed in a plain-text report. On request it writes a text file beside
each broken alias and refreshes the aliases that still resolve.

The package holds the desktop application korvex and the command-line twin korvex-scan.")
set(CPACK_PACKAGE_CONTACT "The Korvex developers <korvex@example.com>")
if(KORVEX_WEB_BASE)
    set(CPACK_PACKAGE_HOMEPAGE_URL "${korvex_web_base}/")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; Qt's platform plugins and a browser opener are not
# linked, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, fonts-dejavu-core, shared-mime-info, desktop-file-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "attr")
include(CPack)
