# SPDX-License-Identifier: MIT
# The Debian release this tree is built on: each release gets a package of
# its own, built against its Qt (Debian 13's Qt 6.8 has what Debian 12's
# Qt 6.4 lacks). The release rides in the package's version as in Debian's
# own stable updates, 1.0.0+deb12 and 1.0.0+deb13, so the file names tell
# them apart and an upgrade to the newer release takes the newer package.
# Elsewhere (no Debian VERSION_ID) the version is the project's alone.
set(MALVORN_DEBIAN_VERSION "${PROJECT_VERSION}")
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release os_id REGEX "^ID=")
  file(STRINGS /etc/os-release os_version REGEX "^VERSION_ID=")
  string(REGEX REPLACE "^VERSION_ID=\"?([0-9]+)\"?$" "\\1" os_version "${os_version}")
  if(os_id STREQUAL "ID=debian" AND os_version MATCHES "^[0-9]+$")
    set(MALVORN_DEBIAN_VERSION "${PROJECT_VERSION}+deb${os_version}")
  endif()
endif()
