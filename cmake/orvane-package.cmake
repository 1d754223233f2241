# The Debian package (scripts/package): what desktops expect beside the programs, and CPack's
# DEB generator. The programs and the language files have their install rules in src/.
include(GNUInstallDirs)

set(ORVANE_RELEASE_DATE 2026-03-01)
set(ORVANE_RELEASE_DATE_RFC2822 "Sun, 01 Mar 2026 12:00:00 +0000")
set(ORVANE_DATADIR ${CMAKE_INSTALL_FULL_DATADIR})
set(pkg ${PROJECT_SOURCE_DIR}/packaging)
set(out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${out})

# Manual pages and the changelog are installed compressed, without a time stamp in the gzip
# header, so that the same sources give the same package.
set(ORVANE_GZIPPED)
foreach(page orvane.1 orvane-report.1 orvane-langbuild.1)
  configure_file(${pkg}/man/${page} ${out}/${page} @ONLY)
  list(APPEND ORVANE_GZIPPED ${page})
endforeach()
configure_file(${pkg}/changelog ${out}/changelog @ONLY)
list(APPEND ORVANE_GZIPPED changelog)
set(ORVANE_GZIPPED_OUTPUTS)
foreach(name IN LISTS ORVANE_GZIPPED)
  add_custom_command(OUTPUT ${out}/${name}.gz
    COMMAND gzip -9nf -k ${out}/${name}
    DEPENDS ${out}/${name}
    VERBATIM)
  list(APPEND ORVANE_GZIPPED_OUTPUTS ${out}/${name}.gz)
endforeach()
add_custom_target(orvane_package_files ALL DEPENDS ${ORVANE_GZIPPED_OUTPUTS})

install(FILES ${out}/orvane.1.gz ${out}/orvane-report.1.gz ${out}/orvane-langbuild.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg}/copyright ${out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane)

configure_file(${pkg}/org.orvane.orvane.metainfo.xml.in ${out}/org.orvane.orvane.metainfo.xml
               @ONLY)
install(FILES ${out}/org.orvane.orvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/orvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The Wayland helpers go here once they exist: the KWin script to
# ${CMAKE_INSTALL_DATADIR}/kwin/scripts/<its id>/, the GNOME Shell extension to
# ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/<its uuid>/, and whatever the program itself
# reads to ${CMAKE_INSTALL_DATADIR}/orvane/<folder>/, found through ShippedFolder()
# (src/app/datafolders.h) as the language files are.
# The KWin script is no KWin package: the program loads it by path over D-Bus (with its bus name
# filled in), so it goes with the program's own data; under kwin/scripts/ it would be offered in
# the user's KWin settings as a script to enable that does nothing there.
install(FILES ${ORVANE_KWIN_SCRIPT} DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane/wayland)

# GNOME Shell: both variants of the extension go to the data folder, and `orvane-report setup`
# copies the one the user's Shell loads into the user's extension folder. Not installed
# system-wide under gnome-shell/extensions/: one folder there holds one variant, and which one
# fits is known only from the Shell that runs.
install(DIRECTORY ${CMAKE_BINARY_DIR}/gnome-shell/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/orvane/gnome-shell)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvane developers")
set(CPACK_PACKAGE_CONTACT "Orvane developers <info@orvane.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvane.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "records which windows you use, and for how long
Every 5 seconds Orvane looks at the window that has the focus and notes
which program owns it and what its title says; each uninterrupted stretch
becomes one entry with a start and a length. The record is shown as a tree
of days, weeks or months, a timeline chart and a table, with CSV and text
export, clean-up of long entries, a notification-area icon and switchable
languages. orvane-report reads the record from the command line.
.
Windows of X11 sessions are seen, and XWayland windows where the
compositor publishes them as the active window.")
include(CPack)
