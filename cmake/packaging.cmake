# SPDX-License-Identifier: MIT
# Packages through CPack: a Debian package on Linux (cpack --preset deb),
# and for Windows a zip of malvorn.exe (cpack --preset windows-zip) and an
# installer (cpack --preset windows-installer, NSIS, its script
# cmake/NSIS.template.in). All take their version from project(VERSION).
include(${CMAKE_CURRENT_LIST_DIR}/publisher.cmake)
set(CPACK_PACKAGE_NAME malvorn)
set(CPACK_PACKAGE_VENDOR "${MALVORN_PUBLISHER}")
set(CPACK_PACKAGE_CONTACT "${MALVORN_PUBLISHER} <developers@malvorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "folder tree lister with a window and a command line")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The zip's one folder and the installed folder hold the program, the
  # readme for Windows users and the licence, named so that a double click
  # opens the texts, with the line ends Notepad has always shown.
  foreach(text IN ITEMS app/win32/README.txt LICENSE)
    get_filename_component(name ${text} NAME_WE)
    file(READ ${PROJECT_SOURCE_DIR}/${text} content)
    file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/windows-texts/${name}.txt CONTENT "${content}" @ONLY
      NEWLINE_STYLE CRLF)
    install(FILES ${PROJECT_BINARY_DIR}/windows-texts/${name}.txt DESTINATION .)
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "malvorn-${PROJECT_VERSION}-windows-x86_64")
  # The installer is named after the zip, with -setup.exe
  # (cmake/packaging-generator.cmake renames it when CPack runs NSIS).
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/packaging-generator.cmake)
  list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Malvorn)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_BINARY_DIR}/windows-texts/LICENSE.txt)
  set(CPACK_MALVORN_ICON ${PROJECT_SOURCE_DIR}/app/win32/malvorn.ico)
  set(CPACK_MALVORN_COPYRIGHT "${MALVORN_COPYRIGHT}")
  set(CPACK_MALVORN_SHORTCUT_COMMENT "把选定目录下的目录树写成纯文本，并存成文件")
  # The installer finds a running Malvorn by its main window's class, named
  # where the window is registered.
  file(STRINGS ${PROJECT_SOURCE_DIR}/platform/win32/win32_window_system.cpp class_line
    REGEX "MainClass\\[\\] = L\"[A-Za-z]+\";")
  string(REGEX REPLACE ".*L\"([A-Za-z]+)\".*" "\\1" CPACK_MALVORN_MAIN_WINDOW_CLASS "${class_line}")
  if(NOT CPACK_MALVORN_MAIN_WINDOW_CLASS MATCHES "^[A-Za-z]+$")
    message(FATAL_ERROR "packaging: the main window's class not found in win32_window_system.cpp")
  endif()
else()
  set(CPACK_GENERATOR DEB)
  # malvorn_<version>+deb<release>_amd64.deb (cmake/debian-release.cmake).
  include(${CMAKE_CURRENT_LIST_DIR}/debian-release.cmake)
  set(CPACK_DEBIAN_PACKAGE_VERSION "${MALVORN_DEBIAN_VERSION}")
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
  # Without Qt's Wayland plugin the window runs through XWayland on a
  # Wayland desktop, blurred when the screen is scaled.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
endif()

include(CPack)
