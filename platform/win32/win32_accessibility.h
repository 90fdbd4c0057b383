// SPDX-License-Identifier: MIT
// What screen readers get from the Win32 window beyond the system's own
// proxies: a name for each control that has no caption of its own, and
// spoken outcomes.
//
// Names. The system's proxies name an edit box, a list or a scroll bar after
// a label just before it in the Z order, and so could name one control a
// label; Wine's name only edit boxes that way. Each such control therefore
// answers WM_GETOBJECT for its client area with the system's own proxy
// wrapped: everything as the proxy says, but the name.
//
// Announcements. A UI Automation notification (UiaRaiseNotificationEvent,
// Windows 10 1709 and later), raised on the window's host provider; the
// function is looked up in the system folder's uiautomationcore.dll, so
// that a system without it (Wine 8 has none) says nothing and fails nothing.
#pragma once

#include <windows.h>

#include "platform/text.h"

namespace malvorn::win32 {

// Makes a screen reader call the control `name`; a scroll bar whose
// position p stands for offset - p (the depth bar) also gives that as its
// value, where the system would give the position.
void nameForScreenReaders(HWND control, const Text& name, int valueOffset = 0);

// What kind of news an announcement is, as UI Automation sorts them.
enum class News { Done, Removed };

// Has a screen reader say the words, on behalf of the window or control;
// false where the system cannot.
bool announceToScreenReaders(HWND from, const Text& words, News kind);

}  // namespace malvorn::win32
