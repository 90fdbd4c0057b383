// SPDX-License-Identifier: MIT
// Ctrl-C on the console: the first one is a request to stop, which the
// window system turns into a second click on the start button at the walk's
// next event pump; a second one ends the program at once (status 130, as a
// shell reports a program ended by it).
#pragma once

namespace malvorn::console {

// Takes Ctrl-C as above, and lets a reader that goes away (`| head`) end the
// program quietly, the way it ends any other program that writes to a pipe.
void installInterruptHandler();

// Whether Ctrl-C has been pressed since the program began.
bool interrupted();

}  // namespace malvorn::console
