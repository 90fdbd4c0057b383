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

// Error numbers raised by the program's own code (backends use the numbers
// of their own platform where one exists, such as errno or GetLastError).
namespace errors {
inline constexpr std::int32_t BadFileNameOrNumber = 52;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t PathNotFound = 76;
inline constexpr std::int32_t DeviceUnavailable = 68;
inline constexpr std::int32_t InvalidProperty = 380;
inline constexpr std::int32_t Overflow = 6;
}  // namespace errors

}  // namespace malvorn
