#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

bool passesMask(std::uint32_t attributes, std::int32_t mask) {
    if ((attributes & FILE_ATTRIBUTE_HIDDEN) && !(mask & attr::Hidden)) return false;
    if ((attributes & FILE_ATTRIBUTE_SYSTEM) && !(mask & attr::System)) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(mask & attr::Directory)) return false;
    return true;
}

namespace {
WIN32_FIND_DATAW& findData(void* p) { return *static_cast<WIN32_FIND_DATAW*>(p); }
} // namespace

Win32FileSystem::Win32FileSystem() : find_(INVALID_HANDLE_VALUE), data_(new WIN32_FIND_DATAW{}) {}

Win32FileSystem::~Win32FileSystem() {
    endEnumeration();
    delete static_cast<WIN32_FIND_DATAW*>(data_);
}

void Win32FileSystem::endEnumeration() {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    find_ = INVALID_HANDLE_VALUE;
}

Text Win32FileSystem::accepted() const {
    const WIN32_FIND_DATAW& d = findData(data_);
    if (!passesMask(d.dwFileAttributes, mask_)) return {};
    return fromWide(d.cFileName);
}

Text Win32FileSystem::startEnumeration(const Text& folderPath, std::int32_t mask) {
    endEnumeration();
    mask_ = mask;
    const std::wstring pattern = apiPath(folderPath + u"*");
    // The basic information level skips the 8.3 names nobody reads here.
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, data_, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        h = FindFirstFileW(pattern.c_str(), &findData(data_));  // systems before Windows 7
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // An empty drive root has not even "." and "..": nothing to list.
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return {};
        throw errorFor(code);
    }
    find_ = h;
    Text name = accepted();
    return name.empty() ? nextName() : name;
}

Text Win32FileSystem::nextName() {
    while (find_ != INVALID_HANDLE_VALUE) {
        if (!FindNextFileW(find_, &findData(data_))) {
            const DWORD code = GetLastError();
            endEnumeration();
            if (code == ERROR_NO_MORE_FILES) return {};
            throw errorFor(code);
        }
        Text name = accepted();
        if (!name.empty()) return name;
    }
    return {};
}

FileAttributes Win32FileSystem::attributes(const Text& path) {
    const std::wstring p = apiPath(path);
    const DWORD word = GetFileAttributesW(p.c_str());
    if (word == INVALID_FILE_ATTRIBUTES) throwLastError();
    FileAttributes a;
    a.word = static_cast<std::int32_t>(word);
    // Identity matters only for folders (a folder met again through a link
    // must not be walked twice); opening every file for it would cost a
    // handle a name. A folder that cannot be opened just has no identity.
    if (word & FILE_ATTRIBUTE_DIRECTORY) {
        HANDLE h = CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION info;
            if (GetFileInformationByHandle(h, &info)) {
                a.identity.volume = info.dwVolumeSerialNumber;
                a.identity.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
                a.identity.known = true;
            }
            CloseHandle(h);
        }
    }
    return a;
}

} // namespace malvorn::win32
