// SPDX-License-Identifier: MIT
// The window's keyboard: Tab and Shift+Tab, the buttons' access keys, Enter
// and Esc, and the depth box's keys, handled before a message is dispatched.
//
// Not IsDialogMessage: dialog navigation follows the z-order, but inside the
// frame the designed front-to-back order is the reverse of the tab order.
#pragma once

#include <windows.h>

#include "platform/form_design.h"

namespace malvorn::win32 {

class WindowSystem;

// Deals with a key message of the window before it is dispatched; true when
// it has been dealt with and is not to be dispatched.
bool preTranslate(WindowSystem& ws, MSG& msg);

// Moves the focus to the next (or previous) control in tab order that can
// take it.
void moveFocus(WindowSystem& ws, bool backwards);

// Lets the window's KeyDown handler of the box `id` see each key before
// the box does.
void watchKeyDown(WindowSystem& ws, HWND box, ControlId id);

}  // namespace malvorn::win32
