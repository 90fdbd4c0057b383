// SPDX-License-Identifier: MIT
// The folder walk's file system on a POSIX system: names and paths are the
// system's bytes, decoded as UTF-8 with undecodable bytes escaped (so that any
// name is listed and can be walked into), and "/" as the separator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace malvorn::posix {

class FileSystem final : public IFileSystem {
public:
    FileSystem();
    ~FileSystem() override;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    char16_t separator() const override { return u'/'; }
    Text startEnumeration(const Text& folderPath, std::int32_t mask) override;
    Text nextName() override;
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
    // Opens the folder for an enumeration and holds it.
    void openFolder(const Text& folderPath, std::int32_t mask);
    void endEnumeration();
    bool isFolderEntry(const char* name, unsigned char type) const;

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
