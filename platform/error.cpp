#include "platform/error.h"

#include <utility>

namespace malvorn {

PlatformError::PlatformError(std::int32_t number, Text description)
    : PlatformError(Failure{number, std::move(description)}) {}

PlatformError::PlatformError(Failure failure)
    : failure_(std::move(failure)), what_(std::to_string(failure_.number) + ": " + toUtf8(failure_.description)) {}

}  // namespace malvorn
