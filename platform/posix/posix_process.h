// SPDX-License-Identifier: MIT
// Starting a program on a POSIX system, detached from this one.
#pragma once

#include "platform/process.h"

namespace malvorn::posix {

class ProcessStarter final : public IProcessStarter {
public:
    // "xdg-open URL": the desktop's own opener picks the browser.
    Text urlOpenCommand(const Text& url) const override;
    // The command line is split at blanks into the program (searched in PATH)
    // and its arguments. The program runs in a session of its own with its
    // standard streams on /dev/null; nothing waits for it here.
    void startHidden(const Text& commandLine) override;
};

}  // namespace malvorn::posix
