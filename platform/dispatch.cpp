#include "platform/dispatch.h"

#include <new>
#include <stdexcept>
#include <string>

namespace malvorn {

Failure failureOf(const std::exception& e) {
    if (const auto* platform = dynamic_cast<const PlatformError*>(&e)) return platform->failure();
    // A string or vector asked to grow past its largest size is out of
    // memory as far as the user can tell.
    if (dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e))
        return Failure{errors::OutOfMemory, fromUtf8("内存不足")};
    if (dynamic_cast<const std::overflow_error*>(&e) || dynamic_cast<const std::range_error*>(&e))
        return Failure{errors::Overflow, fromUtf8("溢出")};
    // The exception's own text is kept: it is what tells a developer where
    // the failure came from.
    return Failure{errors::InternalError, fromUtf8(std::string("内部错误: ") + e.what())};
}

void reportUnhandledAndEnd(IWindowSystem& windows, const Failure& failure) {
    windows.messageBox(fromUtf8("运行时错误 ") + decimal(failure.number) + fromUtf8("：") + failure.description,
                       fromUtf8("Malvorn"), MB_ICONSTOP_OK);
    windows.endProgram();
    std::terminate();  // endProgram never returns
}

}  // namespace malvorn
