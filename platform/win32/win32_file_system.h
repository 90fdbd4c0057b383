// SPDX-License-Identifier: MIT
// Folder enumeration and attribute queries over the Windows API.
//
// The walk asks about every name it reads twice (whether it can be read,
// and whether it is a folder to walk into, with the folder's identity, so
// that a folder met again through a link is not walked twice). Every answer
// comes from the file system at the moment of the question: a name deleted,
// or turned from a file into a folder, while the walk pumped events is seen
// as it is then, not as the folder's listing had it.
//
// To keep that cheap, the folders on the walk's current chain stay open,
// and a name in one of them is asked about relative to its handle (opened
// for its attributes alone, relative to the folder), which spares the
// system the lookup of every folder of the path; Wine and Windows answer
// this the same way. A folder's identity needs it opened: it is opened relative
// to its parent's handle, with the right to list it, and that same handle
// then serves the folder's enumeration, which follows at once when the walk
// goes in; so the identity is that of the very folder walked, and a folder
// costs one open, as before.
#pragma once

#include <cstdint>
#include <memory>
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
    void startEnumerationInto(const Text& folderPath, std::int32_t mask, Text& name) override {
        name = firstAccepted(folderPath, mask);
    }
    void nextNameInto(Text& name) override { name = nextAccepted(); }
    FileAttributes attributes(const Text& path) override;
    bool attributesReadable(const Text& path) override;
    void runEnded() override;

    // How many queries were made through the handle of a held folder (for
    // tests).
    std::size_t askedThroughFolder = 0;
    // Lists every folder with FindFirstFileExW, as where a file system does
    // not list a folder through its handle (for tests).
    bool listWithFind = false;

private:
    // A folder on the current chain, open.
    struct Held {
        Text folder;  // as enumerated, with the final separator
        void* handle;
    };
    // The folder the last query opened for its identity, kept for the
    // enumeration that follows.
    struct Opened {
        Text path;  // without the final separator
        void* handle = nullptr;
        FileIdentity identity;
    };

    void endEnumeration();
    void closeOpened();
    void releaseFolders();
    const Held* heldFolder(TextView folder) const;
    const Held* heldFolderOf(const Text& path, TextView& name) const;
    std::uint32_t askWord(const Held& folder, TextView name);
    void identify(const Held& folder, const Text& path, TextView name, FileAttributes& a);
    void* openFolder(const Text& folderPath, FileIdentity& identity);
    bool readBatch();  // the next batch of entries; false at the end
    bool fallBackToFind(const Text& folderPath);
    Text firstAccepted(const Text& folderPath, std::int32_t mask);
    Text nextAccepted();

    void* listing_ = nullptr;  // the held handle being enumerated, or null
    void* find_;               // HANDLE of FindFirstFile, INVALID_HANDLE_VALUE when none
    bool findHasEntry_ = false;
    std::vector<unsigned char> buffer_;
    std::size_t offset_ = 0;
    bool batchValid_ = false;
    std::int32_t mask_ = 0;
    bool root_ = false;        // a drive's root: no "." and ".."
    std::vector<Held> chain_;  // outermost first
    Opened opened_;
    std::unique_ptr<unsigned char[]> findData_;  // WIN32_FIND_DATAW of the fallback
};

// Whether an entry with these attribute bits passes an enumeration mask:
// hidden, system and folder entries only when the mask names them.
bool passesMask(std::uint32_t attributes, std::int32_t mask);

// The identity of an open file or folder: its 128-bit id and volume serial
// where the file system gives them, else identityByIndex. A file system
// without ids (FAT) gives none.
FileIdentity identityOf(void* handle);
// The 64-bit file index and 32-bit volume serial (GetFileInformationByHandle).
FileIdentity identityByIndex(void* handle);

}  // namespace malvorn::win32
