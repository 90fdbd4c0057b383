// SPDX-License-Identifier: MIT
#include "platform/win32/win32_text.h"

#include <windows.h>

namespace malvorn::win32 {

Text fromWide(const wchar_t* text) { return text ? fromWide(text, wcslen(text)) : Text(); }

std::string toAnsi(TextView text, bool* lossy) {
    if (lossy) *lossy = false;
    if (text.empty()) return {};
    const auto* in = reinterpret_cast<const wchar_t*>(text.data());
    const int inLength = static_cast<int>(text.size());
    // The UTF-8 code page takes neither the flag nor the "default used" out
    // parameter; every character has a UTF-8 form anyway.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int size = WideCharToMultiByte(CP_ACP, flags, in, inLength, nullptr, 0, nullptr, usedDefaultOut);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, flags, in, inLength, out.data(), size, nullptr, usedDefaultOut);
    if (lossy) *lossy = usedDefault != FALSE;
    return out;
}

namespace {

// Whether a component of the path is "." or "..".
bool hasDotComponent(const std::wstring& p) {
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find(L'\\', start);
        if (end == std::wstring::npos) end = p.size();
        const std::size_t n = end - start;
        if ((n == 1 && p[start] == L'.') || (n == 2 && p[start] == L'.' && p[start + 1] == L'.')) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::wstring apiPath(TextView path) {
    std::wstring p(reinterpret_cast<const wchar_t*>(path.data()), path.size());
    // 248 rather than 260: CreateDirectory and FindFirstFile on a folder
    // refuse anything that leaves no room for an 8.3 name.
    constexpr std::size_t ClassicLimit = MAX_PATH - 12;
    if (p.size() < ClassicLimit) return p;
    if (p.rfind(L"\\\\?\\", 0) == 0 || p.rfind(L"\\\\.\\", 0) == 0) return p;
    // The long form is taken literally and only with a full path: "/", "."
    // and "..", and a path relative to the current folder or drive, are
    // resolved before it is put in front.
    const bool absolute = (p.size() >= 3 && p[1] == L':' && p[2] == L'\\') || p.rfind(L"\\\\", 0) == 0;
    if (!absolute || p.find(L'/') != std::wstring::npos || hasDotComponent(p)) {
        const DWORD size = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
        if (size > 0) {
            std::wstring full(size, L'\0');
            const DWORD got = GetFullPathNameW(p.c_str(), size, full.data(), nullptr);
            if (got > 0 && got < size) {
                full.resize(got);
                p = full;
            }
        }
    }
    if (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) return L"\\\\?\\" + p;
    if (p.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + p.substr(2);
    return p;
}

}  // namespace malvorn::win32
