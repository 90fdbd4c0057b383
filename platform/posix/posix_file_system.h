// SPDX-License-Identifier: MIT
// The folder walk's file system on a POSIX system: names and paths are the
// system's bytes, decoded as UTF-8 with undecodable bytes escaped (so that any
// name is listed and can be walked into), and "/" as the separator.
//
// A symbolic link is an entry of its own, as every tool of the system treats
// it (find, tree, ls -R): its attributes are the link's, with no folder bit,
// so the walk lists it and never goes into it, and a link that leads nowhere
// is listed all the same. Only the last step of a path is taken as it is; a
// link earlier in the path, or before a final "/", is followed, so a folder
// given as a link is the folder it names. With Links::Followed (the lister's
// --follow) a link has the attributes of what it leads to, and only one that
// leads nowhere, or round in a loop, answers with its own.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace malvorn::posix {

enum class Links { Listed, Followed };

class FileSystem final : public IFileSystem {
public:
    explicit FileSystem(Links links = Links::Listed);
    ~FileSystem() override;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    char16_t separator() const override { return u'/'; }
    void startEnumerationInto(const Text& folderPath, std::int32_t mask, Text& name) override;
    void nextNameInto(Text& name) override;
    FileAttributes attributes(const Text& path) override;
    bool attributesReadable(const Text& path) override;
    // Releases the folders (releaseFolders).
    void runEnded() override { releaseFolders(); }

    // Ends the enumeration under way and closes every folder handle kept for
    // attribute queries.
    void releaseFolders();

    // At most this many folders are held open at a time, whatever the depth;
    // fewer where the system gives out descriptors sooner.
    static constexpr std::size_t MaxHeldFolders = 32;

    // How many folders are held open now (for tests).
    std::size_t heldFolders() const { return held_.size(); }

private:
    struct HeldFolder {
        Text path;          // as enumerated, ending in "/"
        std::size_t bytes;  // length of its path in bytes
        int fd;
    };

    const HeldFolder* heldFolder(TextView folder) const;
    // The attributes of `name` relative to the folder `at` (a handle, or
    // AT_FDCWD for a whole path) under the link rule; 0 or the error number.
    int query(int at, const char* name, struct stat& st) const;
    // Opens the folder for an enumeration and holds it.
    void openFolder(const Text& folderPath, std::int32_t mask);
    void endEnumeration();
    bool isFolderEntry(const char* name, unsigned char type) const;

    const Links links_;

    // Folders on the way down to the last enumerated one, outermost first;
    // each one's path begins with the path of the one before it. Attribute
    // queries of names in one of them are answered relative to its handle.
    std::vector<HeldFolder> held_;
    // The path text of a folder given back, kept for its room.
    Text spare_;
    // Lowered below MaxHeldFolders once the descriptors ran out.
    std::size_t heldLimit_ = MaxHeldFolders;

    // The enumeration under way (of held_.back()).
    bool enumerating_ = false;
    std::int32_t mask_ = 0;
    bool sawDot_ = false, sawDotDot_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t filled_ = 0, next_ = 0;

    // The last name the enumeration gave, while its bytes (with their final
    // NUL) are still in the buffer; empty when there is none.
    Text lastName_;
    std::string_view lastBytes_;

    // The bytes of a name, with a final NUL, and their length.
    const char* nameBytes(TextView name, std::size_t& length);

    // Puts the name as bytes with a final NUL into name_ (a buffer kept for
    // its capacity) and returns their length.
    std::size_t encodeName(TextView name);
    std::vector<char> name_;
};

}  // namespace malvorn::posix
