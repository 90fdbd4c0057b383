// SPDX-License-Identifier: MIT
#include "platform/posix/posix_write_all.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace malvorn::posix {

int writeAll(int fd, const char* data, std::size_t size, WriteCall write) {
    if (!write) write = &::write;
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            const int err = errno;
            if (err == EINTR) continue;
            if (err == EAGAIN || err == EWOULDBLOCK) {
                pollfd ready{fd, POLLOUT, 0};
                if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return errno;
                continue;
            }
            return err;
        }
        if (n == 0) return EIO;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace malvorn::posix
