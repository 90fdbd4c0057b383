// SPDX-License-Identifier: MIT
// A failure as the platform reports it: a signed 32-bit number and a
// description, which is exactly what the error report shows.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/text.h"

namespace malvorn {

struct Failure {
    std::int32_t number = 0;
    Text description;
};

class PlatformError : public std::exception {
public:
    // The description the program gives the number (errorDescription).
    explicit PlatformError(std::int32_t number);
    // A description of the backend's own, for a text the operating system
    // gave; it is Chinese like every other text the person sees.
    PlatformError(std::int32_t number, Text description);
    explicit PlatformError(Failure failure);

    std::int32_t number() const noexcept { return failure_.number; }
    const Text& description() const noexcept { return failure_.description; }
    const Failure& failure() const noexcept { return failure_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    Failure failure_;
    std::string what_;
};

// Error numbers raised by the program's own code, in the numbering the error
// report and its readers know. Backends map their system's failures onto
// them, or pass the system's own number where no better one exists (such as
// a GetLastError code).
namespace errors {
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t InternalError = 51;
inline constexpr std::int32_t BadFileNameOrNumber = 52;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t DeviceIoError = 57;
inline constexpr std::int32_t DiskFull = 61;
inline constexpr std::int32_t DeviceUnavailable = 68;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t PathFileAccessError = 75;
inline constexpr std::int32_t PathNotFound = 76;
inline constexpr std::int32_t InvalidProperty = 380;
}  // namespace errors

// The one description of each number above, in Chinese; for any other
// number a Chinese text that names it. Every backend takes its texts from
// here, so a number reads the same whichever backend raised it.
Text errorDescription(std::int32_t number);

}  // namespace malvorn
