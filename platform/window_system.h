// SPDX-License-Identifier: MIT
// Program-wide services of the window system, and creation of the window.
#pragma once

#include <memory>

#include "platform/controls.h"
#include "platform/form_design.h"
#include "platform/form_events.h"
#include "platform/main_window.h"

namespace malvorn {

inline constexpr int MB_ICONEXCLAMATION_OK = 48;  // warning icon, one OK button
inline constexpr int MB_ICONSTOP_OK = 16;         // error icon, one OK button

class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    // Builds the window and its controls, hidden, with every control at its
    // designed position, caption, value and tab order. Events go to `events`.
    virtual MainWindow createMainWindow(const FormDesign& design, IFormEvents& events) = 0;

    // Runs the event loop until the window has closed.
    virtual void run() = 0;

    // Runs all pending events, each to its end, and returns the number of
    // windows still open (0 once the window has closed).
    virtual int doEvents() = 0;

    // A pump point of a long run (the folder walk's): runs pending events as
    // doEvents does, except that a backend whose asking costs a system call
    // may leave the asking out when it last asked under a millisecond ago
    // (PumpPacer). Returns the number of windows open now either way.
    virtual int doEventsPaced() { return doEvents(); }

    // Called by a long run (the folder walk) at every step between its pump
    // points, where it can go on for long on a slow disk: lets the window
    // system see that the program is alive (Windows offers to end a window
    // that has not looked at its queue for 5 seconds) without running any
    // event; those wait for the next pump point. Nothing by default.
    virtual void showAlive() {}

    // Ends the program at once; no handler runs afterwards.
    [[noreturn]] virtual void endProgram() = 0;

    // Modal message box; returns when dismissed.
    virtual void messageBox(const Text& text, const Text& title, int style) = 0;

    // The system's default alert sound.
    virtual void beep() = 0;
};

}  // namespace malvorn
