# The Debian package, built by CPack (scripts/package): the two programs in
# /usr/bin, the sample add-ins in /usr/lib/kestra/addins, the desktop entry
# and icons. The package's postinst makes the site's installation folder
# (/var/lib/kestra, the programs' default) with `kestra-admin install`: the
# default settings files are what that command writes.

install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestra-holdings.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestra-holdings.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestra-holdings-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kestra-holdings.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/addins.md ${CMAKE_SOURCE_DIR}/docs/packaging.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestra-holdings)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestra-holdings)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestra holdings maintainers <holdings@kestra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Holdings client of the Kestra library suite")
set(CPACK_PACKAGE_DESCRIPTION "The holdings client (kestra-holdings) and its administration tool (kestra-admin):
new-book assignment, transfers, repair and weeding, stock-taking, labels and
cards, compact shelving and statistics, on SQLite, PostgreSQL or Oracle.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the programs link come from dpkg-shlibdeps; the Qt plugins
# they load at run time (the window system, the database drivers the admin
# tool uses) are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
