// Delivering an event whose handler traps nothing: a failure that escapes
// it is reported with its number and description and the program ends.
// Every backend sends its events through here.
#pragma once

#include <utility>

#include "platform/error.h"
#include "platform/window_system.h"

namespace malvorn {

void reportUnhandledAndEnd [[noreturn]] (IWindowSystem& windows, const PlatformError& error);

template <class Handler>
void dispatchEvent(IWindowSystem& windows, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const PlatformError& error) {
        reportUnhandledAndEnd(windows, error);
    }
}

}  // namespace malvorn
