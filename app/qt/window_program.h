// SPDX-License-Identifier: MIT
// The window program on Linux from start to end, as `malvorn` runs it: the
// real window over Qt 6 Widgets and the POSIX file system, until the window
// has closed. A test program runs the same function, so that what it sees
// is what a user's program does.
#pragma once

#include <functional>

#include "platform/qt/qt_window_system.h"

namespace malvorn::app {

// Runs the program and returns its exit status. `whenUp`, when given, runs
// once the window is up, just before the event loop: a test program uses it
// to act on the window the way a person would. `malvorn` gives none.
int runWindowProgram(int argc, char** argv, const std::function<void(qt::WindowSystem&)>& whenUp = {});

}  // namespace malvorn::app
