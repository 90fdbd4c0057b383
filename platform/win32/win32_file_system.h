// Folder enumeration and attribute queries over FindFirstFileExW,
// FindNextFileW and GetFileAttributesW.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace malvorn::win32 {

class Win32FileSystem : public IFileSystem {
public:
    Win32FileSystem();
    ~Win32FileSystem() override;
    Win32FileSystem(const Win32FileSystem&) = delete;
    Win32FileSystem& operator=(const Win32FileSystem&) = delete;

    char16_t separator() const override { return u'\\'; }
    Text startEnumeration(const Text& folderPath, std::int32_t mask) override;
    Text nextName() override;
    FileAttributes attributes(const Text& path) override;

private:
    void endEnumeration();
    // The name in the find buffer, or empty text when the mask refuses it.
    Text accepted() const;

    void* find_;      // HANDLE of the enumeration under way, or INVALID_HANDLE_VALUE
    void* data_;      // WIN32_FIND_DATAW, kept out of this header
    std::int32_t mask_ = 0;
};

// Whether an entry with these attribute bits passes an enumeration mask:
// hidden, system and folder entries only when the mask names them.
bool passesMask(std::uint32_t attributes, std::int32_t mask);

} // namespace malvorn::win32
