# SPDX-License-Identifier: MIT
# Packages through CPack: a Debian package on Linux (cpack --preset deb) and
# a zip of malvorn.exe for Windows (cpack --preset windows-zip). Both take
# their version from project(VERSION).
set(CPACK_PACKAGE_NAME malvorn)
set(CPACK_PACKAGE_VENDOR "the Malvorn developers")
set(CPACK_PACKAGE_CONTACT "the Malvorn developers <developers@malvorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "folder tree lister with a window and a command line")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Unpacked anywhere, the zip's one folder holds the program, README and
  # licence, named so that a double click opens the texts.
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "malvorn-${PROJECT_VERSION}-windows-x86_64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # CPack puts the summary above this text and indents it; an empty line
  # becomes the paragraph break.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Malvorn writes the folder tree under a chosen folder as plain text, one line
per entry: full paths, or bare names indented by level, folders only or
files too, with or without hidden entries, to a chosen depth. The window
(malvorn, Qt 6) saves the text to a file; malvorn-list writes it to
standard output for scripts.

The window speaks Simplified Chinese throughout.")
  # The libraries from dpkg-shlibdeps; the font and Qt's own translations
  # are read at run time, which no library dependency shows: without a CJK
  # font every caption is drawn as boxes, and without the translations the
  # save dialog speaks English.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The programs use Qt's public API alone, so shlibdeps asks only for the
  # Qt libraries at the versions they were built against, no exact Qt build.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
endif()

include(CPack)
