#include "platform/dispatch.h"

#include <exception>

namespace malvorn {

void reportUnhandledAndEnd(IWindowSystem& windows, const PlatformError& error) {
    windows.messageBox(fromUtf8("运行时错误 ") + decimal(error.number()) + fromUtf8("：") + error.description(),
                       fromUtf8("Malvorn"), MB_ICONSTOP_OK);
    windows.endProgram();
    std::terminate();  // endProgram never returns
}

}  // namespace malvorn
