#include "platform/posix/posix_text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/errno_failure.h"

namespace malvorn::posix {

namespace {

class PosixTextFile final : public ITextFile {
public:
    explicit PosixTextFile(int fd) : fd_(fd) {}
    PosixTextFile(const PosixTextFile&) = delete;
    PosixTextFile& operator=(const PosixTextFile&) = delete;

    ~PosixTextFile() override {
        // Only reached without close() when the owner is already handling a
        // failure; the handle must not leak, and there is no one to tell.
        if (fd_ >= 0) ::close(fd_);
    }

    void write(const Text& text) override {
        if (fd_ < 0) throwErrno(EBADF);
        const std::string bytes = toUtf8(text);
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                throwErrno(errno);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    void close() override {
        if (fd_ < 0) return;
        const int fd = fd_;
        fd_ = -1;
        // A disk can refuse data only when it is flushed (delayed
        // allocation, network file systems); ask for it here so that a file
        // that did not reach the disk is not reported as saved. Devices and
        // pipes cannot be synchronised, which is no failure.
        int failure = 0;
        if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != EINTR) failure = errno;
        if (::close(fd) != 0 && errno != EINTR && failure == 0) failure = errno;
        if (failure != 0) throwErrno(failure);
    }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<ITextFile> PosixTextFileSystem::createForOutput(const Text& path) {
    const std::string bytes = toUtf8(path);
    int fd;
    do {
        fd = ::open(bytes.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // With O_CREAT a missing name is created, so "not found" can only be
        // about a folder on the way to it.
        const int err = errno;
        if (err == ENOENT) throw PlatformError(errnoFailure(ENOENT, errnoNumber(ENOTDIR)));
        throwErrno(err);
    }
    return std::make_unique<PosixTextFile>(fd);
}

}  // namespace malvorn::posix
