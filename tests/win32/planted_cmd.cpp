// SPDX-License-Identifier: MIT
// Stands for a cmd.exe that someone put where a program search would find
// it before the system's: it only leaves a file beside itself to say that
// it ran. Copied as cmd.exe by the close tests.
#include <windows.h>

#include <cwchar>

int main() {
    wchar_t path[MAX_PATH + 32] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (!slash) return 1;
    std::wcscpy(slash + 1, L"planted-cmd-ran.txt");
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return 0;
}
