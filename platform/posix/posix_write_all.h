// SPDX-License-Identifier: MIT
// Writing a whole buffer to a descriptor, the one loop the saver and
// malvorn-list's output share.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace malvorn::posix {

using WriteCall = ssize_t (*)(int fd, const void* data, std::size_t size);

// Writes all `size` bytes; returns 0, or the errno of the failure. An
// interrupted write is retried, and an output left non-blocking is waited
// for. A write that takes nothing at all is a failure (EIO): trying again
// would loop for ever on a device that never takes more. `write` is the
// system call, replaceable in tests.
int writeAll(int fd, const char* data, std::size_t size, WriteCall write = nullptr);

}  // namespace malvorn::posix
