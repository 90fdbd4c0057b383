// SPDX-License-Identifier: MIT
// Text and the Windows API: Text is UTF-16 like the API's wide strings, so
// the wide (W) functions take it as it is; the narrow (A) functions get the
// system's ANSI code page.
#pragma once

#include <string>

#include "platform/text.h"

namespace malvorn::win32 {

// wchar_t is 16 bits on Windows: the same code units, another type.
inline const wchar_t* wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline Text fromWide(const wchar_t* text, std::size_t length) {
    return Text(reinterpret_cast<const char16_t*>(text), length);
}
Text fromWide(const wchar_t* text);

// Text in the ANSI code page. `lossy` (when given) tells whether any
// character had no exact counterpart there and came out as the default
// character; best-fit look-alikes are never used.
std::string toAnsi(TextView text, bool* lossy = nullptr);

// A path as the file functions want it: paths too long for the classic
// limit get the \\?\ prefix (\\?\UNC\ for network paths), made full
// first where they are relative. Shorter paths stay as they are.
std::wstring apiPath(TextView path);

}  // namespace malvorn::win32
