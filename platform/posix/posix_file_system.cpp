// SPDX-License-Identifier: MIT
// Why the handles: the walk asks for the attributes of every name up to three
// times, and a query by full path makes the kernel resolve every folder of
// the path again. Answering it relative to an open handle of the name's
// folder (fstatat) costs one lookup. The walk only ever asks about names in
// the folder it enumerates or in one of the folders it is inside of, so the
// handles kept are exactly that chain, bounded in number; a query about any
// other path is made by full path.
//
// Each query is still made at the moment it is asked, against the disk; only
// the resolution of the folder part of the path is the one made when the walk
// entered the folder.
#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/posix/posix_errno_failure.h"
#include "platform/posix/posix_text_scan.h"
#include "platform/posix/posix_utf8.h"

namespace malvorn::posix {

namespace {

constexpr std::size_t BufferSize = 32 * 1024;

// Hidden: a name that begins with a dot and is not "." or "..".
bool hiddenName(TextView name) { return name.size() >= 2 && name[0] == u'.' && !(name.size() == 2 && name[1] == u'.'); }

// The last component of a path, trailing separators aside.
TextView lastComponent(TextView path) {
    while (!path.empty() && path.back() == u'/') path.remove_suffix(1);
    const std::size_t slash = lastIndexOf(path, u'/');
    return slash == TextView::npos ? path : path.substr(slash + 1);
}

FileAttributes fromStat(const struct stat& st, TextView name) {
    FileAttributes a;
    if (S_ISDIR(st.st_mode)) a.word |= attr::Directory;
    if (hiddenName(name)) a.word |= attr::Hidden;
    a.identity.volume = static_cast<std::uint64_t>(st.st_dev);
    a.identity.file = static_cast<std::uint64_t>(st.st_ino);
    a.identity.known = true;
    return a;
}

// Whether the entry `name` (relative to `at`) can be looked up, a link as
// it is. faccessat answers without filling in a stat record, a quarter
// cheaper; but a file system may refuse it where the lookup succeeds (procfs
// does, for the fdinfo folders of processes this user may not trace), so a
// refusal is checked with the lookup itself.
bool entryExists(int at, const char* name) {
    if (::faccessat(at, name, F_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0) return true;
    struct stat st;
    return ::fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

void closeQuietly(int fd) {
    // A folder opened for reading has nothing to flush; a failing close
    // cannot lose anything, and the handle is gone either way.
    ::close(fd);
}

}  // namespace

FileSystem::FileSystem(Links links) : links_(links), buffer_(new char[BufferSize]) {}

FileSystem::~FileSystem() { releaseFolders(); }

void FileSystem::releaseFolders() {
    endEnumeration();
    for (const HeldFolder& h : held_) closeQuietly(h.fd);
    held_.clear();
    heldLimit_ = MaxHeldFolders;
}

void FileSystem::endEnumeration() {
    enumerating_ = false;
    filled_ = next_ = 0;
}

const FileSystem::HeldFolder* FileSystem::heldFolder(TextView folder) const {
    // The deepest first: nearly every query is about the innermost folder.
    for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
        if (it->path.size() < folder.size()) break;  // outer ones are shorter still
        if (it->path.size() == folder.size() &&
            std::memcmp(it->path.data(), folder.data(), folder.size() * sizeof(char16_t)) == 0)
            return &*it;
    }
    return nullptr;
}

void FileSystem::startEnumerationInto(const Text& folderPath, std::int32_t mask, Text& name) {
    openFolder(folderPath, mask);
    nextNameInto(name);
}

void FileSystem::openFolder(const Text& folderPath, std::int32_t mask) {
    endEnumeration();
    // The path is kept with the handle, in the room of one given back.
    Text folder = std::move(spare_);
    folder.assign(folderPath);
    if (folder.empty() || folder.back() != u'/') folder.push_back(u'/');

    // Keep only the folders the new one lies in; the walk never comes back
    // to the others (nor to an earlier handle of this same folder).
    while (!held_.empty() &&
           !(held_.back().path.size() < folder.size() &&
             std::memcmp(folder.data(), held_.back().path.data(), held_.back().path.size() * sizeof(char16_t)) == 0)) {
        closeQuietly(held_.back().fd);
        spare_ = std::move(held_.back().path);
        held_.pop_back();
    }

    // A folder met in the one enumerated before (the walk's usual step down)
    // is opened relative to that one's handle: one lookup instead of one for
    // every folder of its path.
    const std::size_t parentLength = held_.empty() ? 0 : held_.back().path.size();
    const std::size_t slash =
        folder.size() >= 2 ? lastIndexOf(TextView(folder).substr(0, folder.size() - 1), u'/') : Text::npos;
    bool relative = !held_.empty() && slash != Text::npos && slash + 1 == parentLength && slash + 2 < folder.size();
    std::string whole;  // the whole path, when not opened relative to the parent
    const char* name;   // what is opened: relative to the parent, or the whole path
    std::size_t bytes = 0;
    if (relative) {
        const std::size_t length = encodeName(TextView(folder).substr(parentLength, folder.size() - 1 - parentLength));
        name = name_.data();
        bytes = held_.back().bytes + length + 1;
        if (bytes >= PATH_MAX) throwErrno(ENAMETOOLONG);  // as an open by path would
    } else {
        whole = toUtf8(folder);
        name = whole.c_str();
        bytes = whole.size();
    }
    int fd = -1;
    bool pressed = false;
    for (;;) {
        do {
            fd = ::openat(relative ? held_.back().fd : AT_FDCWD, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0 || (errno != EMFILE && errno != ENFILE) || held_.empty()) break;
        // Out of descriptors (a low limit, or the system's table full): the
        // handles only speed queries up, so they are given back, outermost
        // first, and the open is tried again; the parent's last, after which
        // the folder is opened by its full path with nothing held. Only a
        // failure that lasts even then is the folder's own.
        pressed = true;
        if (relative && held_.size() == 1) {
            relative = false;
            whole = toUtf8(folder);
            name = whole.c_str();
        }
        closeQuietly(held_.front().fd);
        held_.erase(held_.begin());
    }
    if (fd < 0) throwErrno(errno);

    // After running out, fewer are held from then on, so that two
    // descriptors stay free for whatever else the program opens (a pipe
    // takes two).
    if (pressed) heldLimit_ = std::max<std::size_t>(held_.size(), 2) - 1;
    while (!held_.empty() && held_.size() >= heldLimit_) {
        closeQuietly(held_.front().fd);
        held_.erase(held_.begin());
    }
    held_.push_back(HeldFolder{std::move(folder), bytes, fd});

    enumerating_ = true;
    mask_ = mask;
    sawDot_ = sawDotDot_ = false;
}

bool FileSystem::isFolderEntry(const char* name, unsigned char type) const {
    if (type == DT_DIR) return true;
    if (type != DT_UNKNOWN && (type != DT_LNK || links_ == Links::Listed)) return false;
    // A file system that gives no types, or a link followed: asked.
    struct stat st;
    return query(held_.back().fd, name, st) == 0 && S_ISDIR(st.st_mode);
}

int FileSystem::query(int at, const char* name, struct stat& st) const {
    if (::fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    // Followed, a link has what it leads to; one that leads nowhere (or
    // round in a loop, or where this user may not look) keeps its own, so
    // that it is listed as itself rather than lost, as find -L has it.
    if (links_ == Links::Followed && S_ISLNK(st.st_mode)) {
        struct stat target;
        if (::fstatat(at, name, &target, 0) == 0) st = target;
    }
    return 0;
}

void FileSystem::nextNameInto(Text& name) {
    lastName_.clear();  // its bytes are about to go
    if (!enumerating_) {
        name.clear();
        return;
    }
    const int fd = held_.back().fd;
    for (;;) {
        if (next_ >= filled_) {
            const ssize_t n = ::getdents64(fd, buffer_.get(), BufferSize);
            if (n < 0) {
                const int err = errno;
                if (err == EINTR) continue;
                endEnumeration();
                throwErrno(err);
            }
            if (n == 0) {
                // "." and ".." are where the walk takes its event pumps; a
                // file system that does not list them still gets them, last.
                if (!sawDot_) {
                    sawDot_ = true;
                    name.assign(u".");
                    return;
                }
                if (!sawDotDot_) {
                    sawDotDot_ = true;
                    name.assign(u"..");
                    return;
                }
                endEnumeration();
                name.clear();
                return;
            }
            filled_ = static_cast<std::size_t>(n);
            next_ = 0;
        }
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer_.get() + next_);
        next_ += entry->d_reclen;
        const char* bytes = entry->d_name;
        if (bytes[0] == '.') {
            if (bytes[1] == '\0') {
                sawDot_ = true;
                name.assign(u".");
                return;
            }
            if (bytes[1] == '.' && bytes[2] == '\0') {
                sawDotDot_ = true;
                name.assign(u"..");
                return;
            }
            if ((mask_ & attr::Hidden) == 0) continue;
        }
        if ((mask_ & attr::Directory) == 0 && isFolderEntry(bytes, entry->d_type)) continue;
        const std::string_view raw(bytes);
        fromUtf8Into(raw, name);
        lastName_.assign(name);
        lastBytes_ = raw;
        return;
    }
}

const char* FileSystem::nameBytes(TextView name, std::size_t& length) {
    // The name the enumeration gave last, asked about before the next one
    // (the walk asks about every name as it gathers it): its bytes are those
    // the enumeration read, still in the buffer. The decoding is exact, so
    // the same text always stands for the same bytes.
    if (!lastName_.empty() && name.size() == lastName_.size() &&
        std::memcmp(name.data(), lastName_.data(), name.size() * sizeof(char16_t)) == 0) {
        length = lastBytes_.size();
        return lastBytes_.data();
    }
    length = encodeName(name);
    return name_.data();
}

std::size_t FileSystem::encodeName(TextView name) {
    const std::size_t room = maxUtf8Bytes(name.size()) + 1;
    if (name_.size() < room) name_.resize(room);
    const auto length = static_cast<std::size_t>(writeUtf8(name, name_.data()) - name_.data());
    name_[length] = '\0';
    return length;
}

FileAttributes FileSystem::attributes(const Text& path) {
    struct stat st;
    const std::size_t slash = lastIndexOf(path, u'/');
    if (slash != Text::npos && slash + 1 < path.size()) {
        if (const HeldFolder* h = heldFolder(TextView(path).substr(0, slash + 1))) {
            const TextView name = TextView(path).substr(slash + 1);
            std::size_t length;
            const char* bytes = nameBytes(name, length);
            // The full path must obey the same length limit as a query by
            // path would, so that both give the same answer.
            if (h->bytes + length >= PATH_MAX) throwErrno(ENAMETOOLONG);
            if (const int err = query(h->fd, bytes, st)) throwErrno(err);
            return fromStat(st, name);
        }
    }
    const std::string bytes = toUtf8(path);
    if (const int err = query(AT_FDCWD, bytes.c_str(), st)) throwErrno(err);
    return fromStat(st, lastComponent(path));
}

// Only whether the query would succeed: the same lookup of the name, with
// the same length limit. A listing asks this once for every name it
// gathers. The query succeeds exactly when the entry itself can be looked
// up, whether or not links are followed: a link that leads nowhere still
// answers with its own attributes.
bool FileSystem::attributesReadable(const Text& path) {
    const std::size_t slash = lastIndexOf(path, u'/');
    if (slash != Text::npos && slash + 1 < path.size()) {
        if (const HeldFolder* h = heldFolder(TextView(path).substr(0, slash + 1))) {
            std::size_t length;
            const char* bytes = nameBytes(TextView(path).substr(slash + 1), length);
            if (h->bytes + length >= PATH_MAX) return false;
            return entryExists(h->fd, bytes);
        }
    }
    const std::string bytes = toUtf8(path);
    return entryExists(AT_FDCWD, bytes.c_str());
}

}  // namespace malvorn::posix
