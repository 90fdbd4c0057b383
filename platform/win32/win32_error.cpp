#include "platform/win32/win32_error.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

Text systemMessage(std::uint32_t code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    Text text;
    if (length > 0 && buffer) text = fromWide(buffer, length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
    if (text.empty()) text = u"Error " + decimal(code);
    return text;
}

PlatformError errorFor(std::uint32_t code) {
    return PlatformError(static_cast<std::int32_t>(code), systemMessage(code));
}

PlatformError lastError() { return errorFor(GetLastError()); }

void throwLastError() { throw lastError(); }

}  // namespace malvorn::win32
