// SPDX-License-Identifier: MIT
// What the window program sets up on its QApplication before the window
// exists: its names as the desktop knows them, its icon, and Qt's own
// Chinese translations.
#pragma once

class QApplication;

namespace malvorn::qt {

// The desktop entry's name without ".desktop": the taskbar and the menu
// match a running window to its entry by it.
inline constexpr const char* DesktopFileName = "example.malvorn.Malvorn";

// Application name, desktop file name and window icon; then
// Qt's translations (qtbase_zh_CN.qm from QLibraryInfo's translations
// folder), whatever LANG says, so that the save dialog and the standard
// buttons speak the window's language. Returns false, after a warning on
// standard error, when the translations are not installed: the window works
// all the same, with those texts in English.
bool setUpApplication(QApplication& app);

}  // namespace malvorn::qt
