# SPDX-License-Identifier: MIT
# Read by CPack for each generator it runs (CPACK_PROJECT_CONFIG_FILE). The
# zip unpacks into one folder of its own; the installer takes the zip's
# name with -setup, as Windows users expect of a program that installs
# itself.
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
