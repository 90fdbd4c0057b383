// SPDX-License-Identifier: MIT
// What every window test does to the window object whatever the window
// system under it: sets up a run, reads the result box back as lines, and
// records the message boxes and the end of the program through the hooks.
#pragma once

#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/window_system.h"
#include "tests/support/listing_lines.h"
#include "window/frmMain.h"

namespace malvorn::testing {

// Puts `start` into the path box without the folder chain following it
// (the listing's folders need not exist where the folder lists look).
inline void putStart(frmMain& form, const std::string& start) {
    form.State.SkipChange = True;
    form.C.txtPath->setText(fromUtf8(start));
}

// Sets up a run as the walk tests want it: the path box holds `start`, the
// depth and the three options as given.
inline void prepareRun(frmMain& form, const std::string& start, int levels, bool withFiles, bool withHidden,
                       bool bareNames) {
    form.State.Levels = levels;
    putStart(form, start);
    form.C.ChFiles->setValue(withFiles ? 1 : 0);
    form.C.ChHidden->setValue(withHidden ? 1 : 0);
    form.C.ChNoPath->setValue(bareNames ? 1 : 0);
}

// The result box split into its lines (each must end in CR LF).
inline std::vector<std::string> resultLines(const frmMain& form) {
    return splitListingLines(toUtf8(form.C.txtResult->text()));
}

struct Message {
    std::string text, title;
    int style;
};

// Message boxes go into `into` instead of onto the screen, and the end of
// the program throws ProgramEnded.
inline void recordMessagesAndEnd(WindowSystemHooks& hooks, std::vector<Message>& into) {
    hooks.messageBox = [&into](const Text& text, const Text& title, int style) {
        into.push_back({toUtf8(text), toUtf8(title), style});
    };
    hooks.endProgram = [] { throw ProgramEnded{}; };
}

}  // namespace malvorn::testing
