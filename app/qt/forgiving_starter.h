// Closing the window opens the publisher's page. A desktop without an URL
// opener must still let the window close: a failure to start it is only
// noted on stderr, with no box to dismiss on the way out.
#pragma once

#include <cstdio>

#include "platform/error.h"
#include "platform/process.h"

namespace malvorn::app {

class ForgivingStarter final : public IProcessStarter {
public:
    explicit ForgivingStarter(IProcessStarter& inner, std::FILE* log = stderr) : inner_(inner), log_(log) {}
    Text urlOpenCommand(const Text& url) const override { return inner_.urlOpenCommand(url); }
    void startHidden(const Text& commandLine) override {
        try {
            inner_.startHidden(commandLine);
        } catch (const PlatformError& e) {
            std::fprintf(log_, "malvorn: could not start \"%s\": %d %s\n", toUtf8(commandLine).c_str(),
                         static_cast<int>(e.number()), toUtf8(e.description()).c_str());
            std::fflush(log_);
        }
    }

private:
    IProcessStarter& inner_;
    std::FILE* log_;
};

}  // namespace malvorn::app
