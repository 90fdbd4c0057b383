// SPDX-License-Identifier: MIT
#include "win32_fixture.h"

#include <atomic>

namespace malvorn::wintest {

namespace {

void removeTree(const std::wstring& path) {
    const std::wstring api = apiPath(t(path));
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(apiPath(t(path + L"\\*")).c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = d.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            const std::wstring childApi = apiPath(t(child));
            SetFileAttributesW(childApi.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileW(childApi.c_str());
        } while (FindNextFileW(h, &d));
        FindClose(h);
    }
    SetFileAttributesW(api.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(api.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    const std::wstring name =
        base + L"\\malvorn-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    removeTree(name);
    if (!CreateDirectoryW(name.c_str(), nullptr)) ADD_FAILURE() << "cannot create " << toUtf8(t(name));
    path_ = t(name);
}

ScratchFolder::~ScratchFolder() { removeTree(w(path_)); }

void ScratchFolder::folder(const std::string& relative, DWORD attributes) const {
    const std::wstring p = apiPath(*this / relative);
    ASSERT_TRUE(CreateDirectoryW(p.c_str(), nullptr)) << relative << " error " << GetLastError();
    if (attributes) ASSERT_TRUE(SetFileAttributesW(p.c_str(), attributes));
}

void ScratchFolder::file(const std::string& relative, const std::string& content, DWORD attributes) const {
    const std::wstring p = apiPath(*this / relative);
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << relative << " error " << GetLastError();
    DWORD done = 0;
    if (!content.empty()) WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
    CloseHandle(h);
    if (attributes) ASSERT_TRUE(SetFileAttributesW(p.c_str(), attributes));
}

std::string readBytes(const Text& path) {
    const std::wstring p = apiPath(path);
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

std::wstring currentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

}  // namespace malvorn::wintest
