// SPDX-License-Identifier: MIT
// Folder enumeration and attribute queries over the Windows API.
//
// The walk asks about every name it reads: whether it can be read, as the
// listing delivers it (and with folders only whether it is a folder), and
// whether it is a folder to walk into, with the folder's identity, so that
// a folder met again through a link is not walked twice. A name costs one
// query beyond its folder's listing:
//
//  * As it is gathered, a name is asked about by its full path
//    (GetFileAttributesW, in the \\?\ form, which takes names as they
//    are): one call that opens nothing, and that Wine answers without a
//    trip to its server. A name gone since the listing was read fails
//    there; a file turned folder meanwhile is seen as a folder.
//  * That answer is kept with the name while its folder is on the walk's
//    chain. When the walk comes to go in, a name that was a file is a file
//    still, without another question; a name that was a folder is opened
//    as a folder relative to the folder's handle, and that open is the
//    answer: no folder any more, a folder whose identity the handle gives,
//    or a failed open (gone, or a link that leads nowhere). The handle then
//    serves the folder's enumeration, which follows at once, so the folder
//    identified is the folder walked, and a folder costs one open.
//  * A folder's identity is FILE_ID_INFO (the volume's serial, the 128-bit
//    id). On NTFS a folder that is no link is on its parent's volume and its
//    id is its 64-bit index, so its identity is read from the handle
//    without asking for the serial again (see identityIn).
//
// The folders on the walk's current chain stay open until the walk leaves
// them or the run ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
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
        firstAccepted(folderPath, mask);
        name = delivered_;
    }
    void nextNameInto(Text& name) override {
        nextAccepted();
        name = delivered_;
    }
    FileAttributes attributes(const Text& path) override;
    bool attributesReadable(const Text& path) override;
    void runEnded() override;

    // How many questions about a name of a held folder were asked of the
    // disk (for tests).
    std::size_t askedThroughFolder = 0;
    // Lists every folder with FindFirstFileExW, as where a file system does
    // not list a folder through its handle (for tests).
    bool listWithFind = false;

private:
    // A folder on the current chain, open, with what its gathering learnt
    // of its names.
    struct Held {
        Text folder;                       // as enumerated, with the final separator
        void* handle;                      // opened for listing
        std::wstring query;                // its long form, with the final separator: a name appended is asked by path
        Text names;                        // the names asked about as they were gathered, one after the other
        std::vector<std::size_t> ends;     // where each name ends in `names`
        std::vector<std::uint32_t> words;  // and the attribute word each had
        std::size_t recalled = 0;          // names before this one were asked about again
        FileIdentity identity;             // as the walk was given it
        bool indexIds = false;             // its volume's ids are its 64-bit indexes

        TextView name(std::size_t i) const {
            const std::size_t start = i == 0 ? 0 : ends[i - 1];
            return TextView(names).substr(start, ends[i] - start);
        }
    };
    // The folder the last query opened for its identity, kept for the
    // enumeration that follows.
    struct Opened {
        Text path;  // without the final separator
        void* handle = nullptr;
        FileIdentity identity;
        bool indexIds = false;
        std::wstring query;
    };

    void endEnumeration();
    void closeOpened();
    void releaseFolders();
    Held* heldFolder(TextView folder);
    Held* heldFolderOf(const Text& path, TextView& name);
    bool gathering(const Held& folder, TextView name) const;
    bool askByName(Held& folder, TextView name, std::uint32_t& word);
    void remember(Held& folder, TextView name, std::uint32_t word);
    bool recall(Held& folder, TextView name, std::uint32_t& word);
    void identify(Held& folder, const Text& path, TextView name, FileAttributes& a);
    FileIdentity identityIn(const Held* parent, void* handle, std::uint32_t word, bool& indexIds) const;
    void* openFolder(const Text& folderPath, Opened& opened);
    bool readBatch();  // the next batch of entries; false at the end
    bool fallBackToFind(const Text& folderPath);
    // Put the name delivered into delivered_, empty at the end.
    void firstAccepted(const Text& folderPath, std::int32_t mask);
    void nextAccepted();

    void* listing_ = nullptr;  // the held handle being enumerated, or null
    void* find_;               // HANDLE of FindFirstFile, INVALID_HANDLE_VALUE when none
    bool findHasEntry_ = false;
    Text delivered_;  // the name the enumeration under way delivered last
    std::vector<unsigned char> buffer_;
    std::size_t offset_ = 0;
    bool batchValid_ = false;
    std::int32_t mask_ = 0;
    bool root_ = false;        // a drive's root: no "." and ".."
    std::vector<Held> chain_;  // outermost first
    Opened opened_;
    std::wstring queryPath_;                     // the full path of the name last asked about
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
