// SPDX-License-Identifier: MIT
// Starting a separate process, hidden and without waiting.
#pragma once

#include "platform/text.h"

namespace malvorn {

class IProcessStarter {
public:
    virtual ~IProcessStarter() = default;
    // The command line that opens a web address in the default browser
    // ("cmd /c start URL" on Windows, the desktop's URL opener elsewhere).
    virtual Text urlOpenCommand(const Text& url) const = 0;
    // Starts the command line hidden; does not wait. Throws PlatformError
    // when it cannot be started.
    virtual void startHidden(const Text& commandLine) = 0;
};

}  // namespace malvorn
