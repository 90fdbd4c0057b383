// SPDX-License-Identifier: MIT
// Folder enumeration and attribute queries over the wide Windows API.
//
// The walk asks for the attributes of every name it reads, up to three
// times, and for the identity of every folder it may enter, so that a folder
// met again through a link is not walked twice. Asking the system each time
// (and opening each folder for its identity) made a listing ten times
// slower, under Wine above all. Instead a folder is read through its own
// handle (GetFileInformationByHandleEx, FileIdBothDirectoryInfo), which
// hands over the attributes and the file id of every entry, and these are
// kept for the folders on the current chain until the walk has left them.
// Links (reparse points), whose listed attributes and id are the link's own
// and not its target's, are still asked about one by one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace malvorn::win32 {

class FileSystem : public IFileSystem {
public:
    FileSystem();
    ~FileSystem() override;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    char16_t separator() const override { return u'\\'; }
    Text startEnumeration(const Text& folderPath, std::int32_t mask) override;
    Text nextName() override;
    FileAttributes attributes(const Text& path) override;

    // How many queries were answered from a listing rather than by the
    // system (for tests).
    std::size_t answeredFromListing = 0;

private:
    struct Listed {
        std::uint32_t attributes;
        std::uint64_t fileId;  // 0: no ids on this file system
    };
    // What the listing of one folder said about its entries.
    struct FolderIds {
        Text folder;  // as enumerated, with the final separator
        std::uint64_t volume = 0;
        bool volumeKnown = false;
        std::unordered_map<Text, Listed> ids;
    };

    void endEnumeration();
    bool readBatch();  // the next batch of entries; false at the end
    bool fallBackToFind(const Text& folderPath);
    Text nextAccepted();
    FolderIds* idsOf(const Text& folder);

    void* handle_;  // HANDLE of the folder (or of FindFirstFile), INVALID_HANDLE_VALUE when none
    bool usingFind_ = false;
    bool findHasEntry_ = false;
    std::vector<unsigned char> buffer_;
    std::size_t offset_ = 0;
    bool batchValid_ = false;
    std::int32_t mask_ = 0;
    bool root_ = false;                      // a drive's root: no "." and ".."
    std::vector<FolderIds> chain_;           // folders whose ids are kept, outermost first
    std::unique_ptr<unsigned char[]> find_;  // WIN32_FIND_DATAW of the fallback
};

// Whether an entry with these attribute bits passes an enumeration mask:
// hidden, system and folder entries only when the mask names them.
bool passesMask(std::uint32_t attributes, std::int32_t mask);

}  // namespace malvorn::win32
