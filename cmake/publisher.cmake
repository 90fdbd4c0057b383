# SPDX-License-Identifier: MIT
# Who publishes Malvorn, in the one spelling that the Debian package, the
# Windows installer and its uninstall entry, the version resource of
# malvorn.exe and the AppStream record all carry. The year is the first
# release's, as in LICENSE.
set(MALVORN_PUBLISHER "the Malvorn developers")
set(MALVORN_COPYRIGHT "Copyright (c) 2026 ${MALVORN_PUBLISHER}")
