# Included last by the top folder, once every install rule is known.
# The Debian package. Its dependencies are those of the libraries the
# programs link, found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kinsheet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The first packaging of each version; packaging/changelog.Debian.in says
# the same.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Kinsheet developers <kinsheet@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GEDCOM genealogy file to spreadsheet tables converter")
# The summary comes first by itself; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Kinsheet turns a GEDCOM family tree file into flat tables with one row per
person: the person's own fields, father and mother, and up to three
marriages. It writes CSV (also CSV UTF-8 for Excel), a fixed-width text
report, Excel 97-2003 and Excel 2007+ workbooks, Access databases and SQLite
databases, and can keep living people private.

The package holds the desktop program, kinsheet, and the command-line tool,
kinsheet-batch.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open shows an export and the help page.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kinsheet.example.org/")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
