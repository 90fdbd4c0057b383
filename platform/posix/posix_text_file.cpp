// SPDX-License-Identifier: MIT
#include "platform/posix/posix_text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/posix/posix_errno_failure.h"
#include "platform/posix/posix_write_all.h"

namespace malvorn::posix {

namespace {

int openRetrying(const std::string& path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Failures to open or create the output. "Not found" can only be about a
// folder on the way: a missing file itself is created.
[[noreturn]] void throwOpenFailure(int err) {
    if (err == ENOENT) throw PlatformError(errnoFailure(ENOENT, errnoNumber(ENOTDIR)));
    throwErrno(err);
}

// Back to blocking writes, which wait for a slow reader rather than fail.
bool makeBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) >= 0;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a name leads to when the name is a symbolic link: the link is
// kept and the file it leads to is replaced.
std::string resolvedTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// A new, empty file beside `target`, with a name no other file has; -1
// with errno set when the folder takes no new file.
int createTemporaryBeside(const std::string& target, mode_t mode, std::string& name) {
    const std::string folder = folderOf(target);
    std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    if (base.size() > 200) base.resize(200);  // room for the prefix and the suffix within a name's limit
    static unsigned counter = 0;
    const unsigned long seed =
        static_cast<unsigned long>(::getpid()) * 2654435761u ^ static_cast<unsigned long>(std::time(nullptr));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08lx", (seed + ++counter * 40503u) & 0xffffffffu);
        name = folder + "/.~" + base + suffix;
        const int fd = openRetrying(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Units converted at a time: at most three times as many bytes are held.
constexpr std::size_t ChunkUnits = std::size_t{1} << 16;

// Writes either straight into the file (`temporary_` empty) or into a
// temporary file that replaces `target_` when close() succeeds.
class TextFile final : public ITextFile {
public:
    TextFile(int fd, std::string target, std::string temporary)
        : fd_(fd), target_(std::move(target)), temporary_(std::move(temporary)) {}
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    ~TextFile() override {
        // Only reached without close() when the owner is already handling a
        // failure; the handle must not leak, the half-written temporary file
        // must not stay, and there is no one to tell.
        if (fd_ >= 0) ::close(fd_);
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
    }

    void write(const TextPieces& text) override {
        if (fd_ < 0) throwErrno(EBADF);
        text([this](TextView piece) {
            inChunks(piece, ChunkUnits, [this](TextView chunk) {
                const std::string bytes = toUtf8(chunk);
                if (const int err = writeAll(fd_, bytes.data(), bytes.size())) throwErrno(err);
            });
        });
    }

    void close() override {
        if (fd_ < 0) return;
        const int fd = fd_;
        fd_ = -1;
        // A disk can refuse data only when it is flushed (delayed
        // allocation, network file systems); ask for it here so that a file
        // that did not reach the disk is not reported as saved, and so that
        // the replacement is complete on disk before it takes the old
        // file's name. Devices and pipes cannot be synchronised, which is no
        // failure.
        int failure = 0;
        if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != EINTR) failure = errno;
        if (::close(fd) != 0 && errno != EINTR && failure == 0) failure = errno;
        if (!temporary_.empty()) {
            if (failure == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) failure = errno;
            if (failure != 0) ::unlink(temporary_.c_str());
            temporary_.clear();
            if (failure == 0) syncFolder();
        }
        if (failure != 0) throwErrno(failure);
    }

private:
    // The new name on disk as well; the file is in place whatever this
    // says, so a folder that cannot be synchronised is no failure.
    void syncFolder() const {
        const int dir = openRetrying(folderOf(target_), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return;
        ::fsync(dir);
        ::close(dir);
    }

    int fd_;
    std::string target_;
    std::string temporary_;
};

}  // namespace

std::unique_ptr<ITextFile> TextFileSystem::createForOutput(const Text& path) {
    const std::string name = toUtf8(path);
    // Without blocking: a FIFO that nobody reads would otherwise hold the
    // window in open() for ever; this way it fails at once (ENXIO, "device
    // unavailable"). The descriptor also proves that the file may be
    // written, before anything is created beside it.
    int fd = openRetrying(name, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && errno != ENOENT) throwOpenFailure(errno);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throwErrno(err);
    }
    if (fd >= 0 && !S_ISREG(st.st_mode)) {
        // A device or a pipe: written as it is, there is nothing to replace.
        // From here on writes may block like any other output.
        if (!makeBlocking(fd)) {
            const int err = errno;
            ::close(fd);
            throwErrno(err);
        }
        return std::make_unique<TextFile>(fd, name, std::string());
    }

    // A regular file, or none yet: the new text goes into a temporary file
    // in the same folder, which takes the file's name only once it is
    // complete, so that a failure on the way (a full disk) leaves the old
    // file as it was. A new file gets mode 0666 less the umask; a replaced
    // one keeps its permission bits (and its owner where that can be set).
    const std::string target = fd >= 0 ? resolvedTarget(name) : name;
    std::string temporary;
    const int tmp = createTemporaryBeside(target, fd >= 0 ? 0600 : 0666, temporary);
    if (tmp < 0) {
        const int err = errno;
        if (fd >= 0 && (err == EACCES || err == EPERM)) {
            // The folder lets the file be written but no new file be created
            // beside it: rewrite the file in place, emptied first, as a plain
            // save does. A failure while writing then leaves the part
            // written, the one case where the old content cannot be kept.
            if (::ftruncate(fd, 0) != 0 || !makeBlocking(fd)) {
                const int truncateErr = errno;
                ::close(fd);
                throwErrno(truncateErr);
            }
            return std::make_unique<TextFile>(fd, name, std::string());
        }
        if (fd >= 0) ::close(fd);
        throwOpenFailure(err);
    }
    auto file = std::make_unique<TextFile>(tmp, target, temporary);
    if (fd >= 0) {
        ::close(fd);
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(tmp, st.st_uid, st.st_gid) != 0) {
            // Only the owner of the process can own the new file; it still
            // replaces the old one, as an editor's save does.
        }
        if (::fchmod(tmp, st.st_mode & 07777) != 0) throwErrno(errno);  // `file` removes the temporary file
    }
    return file;
}

}  // namespace malvorn::posix
