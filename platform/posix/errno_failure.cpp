#include "platform/posix/errno_failure.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <type_traits>

namespace malvorn::posix {

namespace {

constexpr std::int32_t BadFileName = 52;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t DeviceIoError = 57;
constexpr std::int32_t DiskFull = 61;
constexpr std::int32_t DeviceUnavailable = 68;
constexpr std::int32_t PermissionDenied = 70;
constexpr std::int32_t PathFileAccessError = 75;
constexpr std::int32_t PathNotFound = 76;

const char* shortDescription(std::int32_t number) {
    switch (number) {
        case BadFileName:
            return "文件名错误";
        case FileNotFound:
            return "文件未找到";
        case DeviceIoError:
            return "设备 I/O 错误";
        case DiskFull:
            return "磁盘已满";
        case DeviceUnavailable:
            return "设备不可用";
        case PermissionDenied:
            return "没有权限";
        case PathNotFound:
            return "路径未找到";
        default:
            return "路径/文件访问错误";
    }
}

// The system's message, thread-safe whichever strerror_r the C library has.
std::string systemMessage(int err) {
    char buf[256] = {};
    auto pick = [&](auto result) -> std::string {
        if constexpr (std::is_same_v<decltype(result), char*>) {
            return result ? std::string(result) : std::string();  // GNU form
        } else {
            return result == 0 ? std::string(buf) : std::string();  // XSI form
        }
    };
    std::string msg = pick(strerror_r(err, buf, sizeof buf));
    if (msg.empty()) msg = "errno " + std::to_string(err);
    return msg;
}

}  // namespace

std::int32_t errnoNumber(int err) {
    switch (err) {
        case ENOENT:
            return FileNotFound;
        case ENOTDIR:
        case ELOOP:
            return PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return PermissionDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return DiskFull;
        case EIO:
            return DeviceIoError;
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ:
            return BadFileName;
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
        case ESTALE:
        case ENOTCONN:
        case EHOSTDOWN:
            return DeviceUnavailable;
        default:
            return PathFileAccessError;
    }
}

Text errnoDescription(int err) { return errnoFailure(err).description; }

Failure errnoFailure(int err) { return errnoFailure(err, errnoNumber(err)); }

Failure errnoFailure(int err, std::int32_t number) {
    return Failure{number, fromUtf8(std::string(shortDescription(number)) + ": " + systemMessage(err))};
}

void throwErrno(int err) { throw PlatformError(errnoFailure(err)); }

}  // namespace malvorn::posix
