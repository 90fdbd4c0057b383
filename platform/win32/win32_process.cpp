// SPDX-License-Identifier: MIT
#include "platform/win32/win32_process.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

namespace {

std::wstring systemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    UINT n = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (n >= folder.size()) {
        folder.resize(n);
        n = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    }
    if (n == 0 || n >= folder.size()) throwLastError();
    folder.resize(n);
    return folder;
}

}  // namespace

std::wstring ProcessStarter::programOf(const Text& commandLine) {
    // The first word, in quotes or up to the first blank.
    std::size_t start = 0, end = 0;
    if (!commandLine.empty() && commandLine[0] == u'"') {
        start = 1;
        end = commandLine.find(u'"', 1);
    } else {
        end = commandLine.find_first_of(u" \t");
    }
    if (end == Text::npos) end = commandLine.size();
    Text program = commandLine.substr(start, end - start);
    if (program.find_first_of(u"\\/:") != Text::npos) return std::wstring(wide(program), program.size());
    // A bare name would be searched for in the program's folder and the
    // current folder before the system's: a cmd.exe put in either (a
    // download folder that the save dialog moved into, say) would run.
    if (program.find(u'.') == Text::npos) program += u".exe";
    return systemFolder() + L"\\" + std::wstring(wide(program), program.size());
}

void ProcessStarter::startHidden(const Text& commandLine) {
    const std::wstring program = programOf(commandLine);
    // CreateProcessW may write into the command line, so it gets a copy.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    // The system folder as the process's current folder: the one the
    // program has (where the user last saved, or the folder it was started
    // from) stays free, and a program the command starts does not inherit it.
    const std::wstring folder = systemFolder();
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.c_str(), &si, &pi))
        throwLastError();
    // Nobody waits for it: the handles only have to be let go.
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace malvorn::win32
