// SPDX-License-Identifier: MIT
// Starting a command line hidden, without waiting for it.
#pragma once

#include <string>

#include "platform/process.h"

namespace malvorn::win32 {

class ProcessStarter : public IProcessStarter {
public:
    Text urlOpenCommand(const Text& url) const override { return u"cmd /c start " + url; }
    // Starts the program the command line names first, in the system folder
    // as its current folder.
    void startHidden(const Text& commandLine) override;

    // The program a command line starts: a bare name ("cmd") is the
    // system's own (GetSystemDirectoryW, ".exe" added when it has no
    // extension), never one found in the program's or the current folder;
    // a path is taken as it is.
    static std::wstring programOf(const Text& commandLine);
};

}  // namespace malvorn::win32
