// SPDX-License-Identifier: MIT
#include "platform/file_system.h"

#include "platform/error.h"

namespace malvorn {

bool IFileSystem::attributesReadable(const Text& path) {
    try {
        attributes(path);
        return true;
    } catch (const PlatformError&) {
        return false;
    }
}

}  // namespace malvorn
