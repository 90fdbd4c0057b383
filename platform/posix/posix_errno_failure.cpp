// SPDX-License-Identifier: MIT
#include "platform/posix/posix_errno_failure.h"

#include <cerrno>

#include "platform/posix/posix_errno_text.h"

namespace malvorn::posix {

std::int32_t errnoNumber(int err) {
    switch (err) {
        case ENOENT:
            return errors::FileNotFound;
        case ENOTDIR:
        case ELOOP:
            return errors::PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return errors::PermissionDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return errors::DiskFull;
        case EIO:
            return errors::DeviceIoError;
        case ENAMETOOLONG:
        case EINVAL:
        case EILSEQ:
            return errors::BadFileNameOrNumber;
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
        case ESTALE:
        case ENOTCONN:
        case EHOSTDOWN:
            return errors::DeviceUnavailable;
        default:
            return errors::PathFileAccessError;
    }
}

Text errnoDescription(int err) { return errnoFailure(err).description; }

Failure errnoFailure(int err) { return errnoFailure(err, errnoNumber(err)); }

Failure errnoFailure(int err, std::int32_t number) {
    return Failure{number, errorDescription(number) + fromUtf8("：") + errnoText(err)};
}

void throwErrno(int err) { throw PlatformError(errnoFailure(err)); }

}  // namespace malvorn::posix
