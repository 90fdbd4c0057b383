// SPDX-License-Identifier: MIT
// Folder enumeration and attribute queries, as the folder walk uses them.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace malvorn {

// Attribute bits that play a part; others are ignored.
namespace attr {
inline constexpr std::int32_t Hidden = 2;
inline constexpr std::int32_t System = 4;
inline constexpr std::int32_t Directory = 16;
}  // namespace attr

// Identity of a file or folder on its volume (device and inode; volume
// serial and file id), used to recognise a folder met again through a link.
// A file id may take 128 bits (ReFS): `fileHigh` holds the upper half, 0
// where ids are 64 bits.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool known = false;
    std::uint64_t fileHigh = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FileAttributes {
    std::int32_t word = 0;
    FileIdentity identity;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // The folder separator ("\\" on Windows, "/" on POSIX).
    virtual char16_t separator() const = 0;

    // Starts an enumeration of `folderPath` (which ends in the separator),
    // ending any enumeration under way, and puts the first name that passes
    // the mask into `name`, or empty text when none does. An entry is
    // delivered unless it is hidden while the mask lacks Hidden, system while
    // it lacks System, or a folder while it lacks Directory. "." and ".."
    // come for every folder that is not a drive's root. Throws PlatformError
    // when the enumeration cannot start. The name's room is reused: a walk
    // asks for every name of a tree, and a new text for each would cost an
    // allocation.
    virtual void startEnumerationInto(const Text& folderPath, std::int32_t mask, Text& name) = 0;

    // Puts the next name passing the mask into `name`, or empty text at the
    // end. Throws PlatformError when the next name cannot be read; the
    // enumeration is then over.
    virtual void nextNameInto(Text& name) = 0;

    // The attributes of a full path: those of the entry its last name names,
    // a link's own and not those of where it leads (GetFileAttributesW and
    // lstat alike; a Windows folder link carries the folder bit, a POSIX link
    // none). A path that ends in the separator names the folder itself, and
    // its identity is that of the folder a link there leads to (lstat
    // resolves a link before a final "/"; Windows takes a folder's identity
    // from the folder opened through its links). Throws PlatformError when
    // they cannot be read.
    virtual FileAttributes attributes(const Text& path) = 0;

    // Whether the attributes of a full path can be read at this moment. The
    // answer must be exactly that of attributes() succeeding; a backend may
    // find it out more cheaply than by reading them.
    virtual bool attributesReadable(const Text& path);

    // The run has ended: the run control calls this once after every listing
    // run, however it ended, and the walk asks nothing more until the next
    // run starts. A backend that keeps folders open between queries closes
    // them here, so that no folder of a finished listing stays open (an open
    // folder keeps a removable disk from being unmounted). Must not fail;
    // nothing to do by default.
    virtual void runEnded() {}
};

}  // namespace malvorn
