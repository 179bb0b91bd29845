# The Debian package (make package): qel13, qel13-admin and qel13-server in /usr/bin, the
# menu entry and its icon, the default settings file in /etc/qel13 (the embedded demo
# database with the shared first-connection account), kept as a configuration file, and the
# network server's systemd unit, installed but not enabled: a department enables it once
# its database and certificate are in place (docs/server.md). An installed client keeps its
# database in the user's ~/.local/share/qel13 (platform/os/system_info.h).
install(TARGETS qel13 qel13-admin qel13-server RUNTIME DESTINATION bin)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/qel13-server.service)
file(READ ${CMAKE_SOURCE_DIR}/docs/qel13-server.service unit)
string(REPLACE "/usr/local/bin/qel13-server" "/usr/bin/qel13-server" unit "${unit}")
file(WRITE ${CMAKE_BINARY_DIR}/package/qel13-server.service "${unit}")
install(FILES ${CMAKE_BINARY_DIR}/package/qel13-server.service DESTINATION lib/systemd/system)
install(FILES "$<TARGET_FILE_DIR:qel13>/Data/QEL" DESTINATION /etc/qel13)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/package/qel13.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/package/qel13.svg DESTINATION share/icons/hicolor/scalable/apps)

file(WRITE ${CMAKE_BINARY_DIR}/package/conffiles "/etc/qel13/QEL\n")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qel13)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QEL 13")
set(CPACK_PACKAGE_CONTACT "QEL 13 <qel13@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QEL 13 Учет успеваемости: grade sheets, record books and student accounts")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A desktop client for recording students' marks: grade sheets with checkpoint marks, totals and grades\n"
    "computed from the database's formulas and scales, printed statements and spreadsheet export, student\n"
    "record books and portal accounts. It works against the university's SQL Server through ODBC, or out\n"
    "of the box against an embedded database with demo data. qel13-admin is its command-line companion;\n"
    "qel13-server serves an embedded database to a department's clients over the network.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The PDF statements are set in DejaVu Sans; SQL Server is reached through FreeTDS.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "tdsodbc, unixodbc")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/package/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
