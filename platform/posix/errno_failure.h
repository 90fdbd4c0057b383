// One place that turns a POSIX error number into the failure the window
// shows: a Visual-Basic-style error number (the numbers the window's error
// report and its users know) and a short description, followed by the
// system's own message so that nothing the system said is lost.
#pragma once

#include <cstdint>

#include "platform/error.h"

namespace malvorn::posix {

// The error number for errno `err`: 53 file not found, 76 path not found,
// 70 permission denied, 61 disk full, 57 device I/O error, 52 bad file name,
// 68 device unavailable; 75 (path/file access error) for everything else.
std::int32_t errnoNumber(int err);

// "文件未找到: No such file or directory" and the like.
Text errnoDescription(int err);

Failure errnoFailure(int err);

// The same with a number the caller knows to fit better (for instance 76
// for ENOENT where only a folder on the way can be missing).
Failure errnoFailure(int err, std::int32_t number);

// Throws PlatformError for errno `err`.
[[noreturn]] void throwErrno(int err);

}  // namespace malvorn::posix
