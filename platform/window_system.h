// SPDX-License-Identifier: MIT
// Program-wide services of the window system, and creation of the window.
#pragma once

#include <functional>
#include <memory>

#include "platform/controls.h"
#include "platform/form_design.h"
#include "platform/form_events.h"
#include "platform/main_window.h"

namespace malvorn {

inline constexpr int MB_ICONEXCLAMATION_OK = 48;  // warning icon, one OK button
inline constexpr int MB_ICONSTOP_OK = 16;         // error icon, one OK button

// Thrown by the endProgram of a window system that leaves the ending to
// its program (the console's: malvorn-list ends itself once the walk has
// unwound, with its output flushed; the headless double's, so that a test
// sees the program end), and by the tests' own end hooks.
struct ProgramEnded {};

// What a program or a test puts in place of a window system's own doings,
// the same for every backend. An empty hook leaves the backend's own.
struct WindowSystemHooks {
    // Instead of the modal box: receives what the box would show.
    std::function<void(const Text& text, const Text& title, int style)> messageBox;
    // Instead of ending the process. It must not return (it throws); if it
    // does, the program ends all the same.
    std::function<void()> endProgram;
    // At every event pump that asks for the events, before they run, with
    // the number of such pumps so far.
    std::function<void(int pumps)> pump;
    // Where showAlive looks at the window system's queue, before it looks.
    std::function<void()> alive;
};

class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    WindowSystemHooks hooks;
    int pumps = 0;  // event pumps that asked for the events, so far

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

protected:
    // A backend's pump calls this as it asks for the events.
    void pumped() {
        ++pumps;
        if (hooks.pump) hooks.pump(pumps);
    }
};

}  // namespace malvorn
