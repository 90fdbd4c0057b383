// SPDX-License-Identifier: MIT
// A file system's enumeration one name at a time, as values, for tests that
// read the names one by one; the walk itself reuses one text for them all.
#pragma once

#include <cstdint>

#include "platform/file_system.h"

namespace malvorn {

inline Text firstName(IFileSystem& fs, const Text& folderPath, std::int32_t mask) {
    Text name;
    fs.startEnumerationInto(folderPath, mask, name);
    return name;
}

inline Text nextName(IFileSystem& fs) {
    Text name;
    fs.nextNameInto(name);
    return name;
}

}  // namespace malvorn
