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
# Library dependencies come from dpkg-shlibdeps. What the window loads at run
# time is named here: the Qt platform plugins; a Japanese font, one of those
# the window asks for, without which every caption would be empty boxes; and
# Qt's own translations, so that its file dialog speaks Japanese too.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUORVANE_UI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
endif()

# The Debian changelog (a native package's, hence changelog.gz) and the
# copyright file, installed where Debian keeps a package's documents. The
# changelog is compressed at build time into the build directory.
include(GNUInstallDirs)
set(quorvane_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/quorvane)
set(debian_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${debian_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${debian_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(quorvane_debian_changelog ALL DEPENDS ${debian_changelog})
install(FILES ${debian_changelog} ${PROJECT_SOURCE_DIR}/packaging/copyright
  DESTINATION ${quorvane_doc_dir})

include(CPack)

# On Windows (the mingw build) an installer and a zip instead.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows/windows.cmake)
endif()
