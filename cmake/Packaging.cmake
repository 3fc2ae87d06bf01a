# The Debian package, built by CPack from the install rules in Install.cmake:
#   cpack -G DEB --config <build>/CPackConfig.cmake   (scripts/package does it all)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME etikor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vornhalt)
set(CPACK_PACKAGE_CONTACT "Etikor developers <etikor@vornhalt.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print-data server beside a production machine's PLC")
# Debian's extended description: lines of at most 80 columns (CPack indents each by one),
# paragraphs parted by a line holding a full stop.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Etikor runs beside the PLC of a production machine. When the PLC raises
a request, Etikor looks the lot up in the print-data database (SQLite,
PostgreSQL, ODBC or an Access file), prints labels, drawings and raw
printer jobs through CUPS or directly to socket printers, writes the
result back into the PLC over OPC UA and logs the request.
.
The package holds the desktop program etikor, the service etikord (one
systemd unit instance per station, etikord@<station>) and the reference
server manager etikor-manager on D-Bus.]=])

set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link are found by dpkg-shlibdeps; listed here is only what they
# load or call at run time without linking it:
# - adduser: postinst creates the system user with it where systemd-sysusers is missing;
# - libqt6sql6-sqlite: Qt's SQLite driver plugin, for the print-data database in a file.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser, libqt6sql6-sqlite")
# The reference manager's service needs a system bus; stations print through CUPS queues
# unless they only have socket printers.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "dbus, cups")
# Central print-data databases; gLabels designs the label layouts.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-psql, libqt6sql6-odbc, glabels")

set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
# Folders the installation creates get 0755 whatever the builder's umask: a group-writable
# /usr/share/... in the package would be wrong on every machine it is installed on.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
