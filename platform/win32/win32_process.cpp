// SPDX-License-Identifier: MIT
#include "platform/win32/win32_process.h"

#include <windows.h>

#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

void ProcessStarter::startHidden(const Text& commandLine) {
    // CreateProcessW may write into the command line, so it gets a copy.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        throwLastError();
    // Nobody waits for it: the handles only have to be let go.
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace malvorn::win32
