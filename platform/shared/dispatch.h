// SPDX-License-Identifier: MIT
// Delivering an event whose handler traps nothing: a failure that escapes
// it is reported with its number and description and the program ends.
// Every backend sends its events through here.
#pragma once

#include <exception>
#include <utility>

#include "platform/error.h"
#include "platform/window_system.h"

namespace malvorn {

// The failure an exception stands for: a PlatformError as it is; running
// out of memory is error 7, an arithmetic overflow error 6, anything else
// error 51 (internal error) with the exception's own text. Handlers that
// trap failures report every exception this way, not only PlatformError.
Failure failureOf(const std::exception& e);

void reportUnhandledAndEnd [[noreturn]] (IWindowSystem& windows, const Failure& failure);
inline void reportUnhandledAndEnd [[noreturn]] (IWindowSystem& windows, const std::exception& e) {
    reportUnhandledAndEnd(windows, failureOf(e));
}

template <class Handler>
void dispatchEvent(IWindowSystem& windows, Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception& e) {
        reportUnhandledAndEnd(windows, e);
    }
}

}  // namespace malvorn
