// SPDX-License-Identifier: MIT
// One place that turns a POSIX error number into the failure the window
// shows: one of the program's error numbers (platform/error.h) with its
// description, followed by the Chinese text of the errno value so that what
// the system said is not lost.
#pragma once

#include <cstdint>

#include "platform/error.h"

namespace malvorn::posix {

// The error number for errno `err`: 53 file not found, 76 path not found,
// 70 permission denied, 61 disk full, 57 device I/O error, 52 bad file name,
// 68 device unavailable; 75 (path/file access error) for everything else.
std::int32_t errnoNumber(int err);

// "文件未找到：没有那个文件或目录" and the like.
Text errnoDescription(int err);

Failure errnoFailure(int err);

// The same with a number the caller knows to fit better (for instance 76
// for ENOENT where only a folder on the way can be missing).
Failure errnoFailure(int err, std::int32_t number);

// Throws PlatformError for errno `err`.
[[noreturn]] void throwErrno(int err);

}  // namespace malvorn::posix
