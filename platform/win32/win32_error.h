// SPDX-License-Identifier: MIT
// Windows failures as PlatformError: the GetLastError number and the
// system's own description of it.
#pragma once

#include <cstdint>

#include "platform/error.h"

namespace malvorn::win32 {

// The system's text for an error number in Simplified Chinese, without the
// trailing line end: the system's own where it has the language, else the
// backend's table of the common numbers, else the number alone.
Text systemMessage(std::uint32_t code);

// A PlatformError for the calling thread's last error.
PlatformError lastError();
PlatformError errorFor(std::uint32_t code);

[[noreturn]] void throwLastError();

}  // namespace malvorn::win32
