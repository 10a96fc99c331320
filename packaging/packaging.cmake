# `make package`: a Debian package of what `cmake --install` puts in place,
# named quorvane_<version>_<arch>.deb, its version taken from the project.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "office ぽるめに")
set(CPACK_PACKAGE_CONTACT "office ぽるめに <info@example.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.example.com/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns the contents of a CSV file into HTML table tags")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the synopsis line; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quorvane reads a CSV file field by field and writes the complete text of an
HTML table, one tag per line, ready to copy into a page: you set the number
of fields per row and an attribute text for each column. The window program
quorvane speaks Japanese; quorvane-tag does the same from the command line.
Files are read as Shift_JIS (code page 932) or UTF-8.
.
${PROJECT_DESCRIPTION}")
# Library dependencies come from dpkg-shlibdeps. The Qt platform plugins are
# loaded at run time, not linked, so that package is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUORVANE_UI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()

include(CPack)
