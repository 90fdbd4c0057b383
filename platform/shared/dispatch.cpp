// SPDX-License-Identifier: MIT
#include "platform/shared/dispatch.h"

#include <new>
#include <stdexcept>
#include <string>

#include "platform/product_name.h"

namespace malvorn {

Failure failureOf(const std::exception& e) {
    if (const auto* platform = dynamic_cast<const PlatformError*>(&e)) return platform->failure();
    // A string or vector asked to grow past its largest size is out of
    // memory as far as the user can tell.
    if (dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e))
        return PlatformError(errors::OutOfMemory).failure();
    if (dynamic_cast<const std::overflow_error*>(&e) || dynamic_cast<const std::range_error*>(&e))
        return PlatformError(errors::Overflow).failure();
    // The exception's own text is kept: it is what tells a developer where
    // the failure came from.
    return Failure{errors::InternalError,
                   errorDescription(errors::InternalError) + fromUtf8(std::string("：") + e.what())};
}

void reportUnhandledAndEnd(IWindowSystem& windows, const Failure& failure) {
    windows.messageBox(fromUtf8("运行时错误 ") + decimal(failure.number) + fromUtf8("：") + failure.description,
                       fromUtf8(ProductName), MB_ICONSTOP_OK);
    windows.endProgram();
    std::terminate();  // endProgram never returns
}

}  // namespace malvorn
