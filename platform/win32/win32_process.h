// SPDX-License-Identifier: MIT
// Starting a command line hidden, without waiting for it.
#pragma once

#include "platform/process.h"

namespace malvorn::win32 {

class ProcessStarter : public IProcessStarter {
public:
    Text urlOpenCommand(const Text& url) const override { return u"cmd /c start " + url; }
    void startHidden(const Text& commandLine) override;
};

}  // namespace malvorn::win32
