// SPDX-License-Identifier: MIT
// Text files for output on a POSIX system: UTF-8 without a byte order mark,
// escaped bytes written back as the bytes they stand for.
#pragma once

#include <memory>

#include "platform/save_services.h"

namespace malvorn::posix {

class TextFileSystem final : public ITextFileSystem {
public:
    // Creates the file (mode 0666 less the umask) or empties it.
    std::unique_ptr<ITextFile> createForOutput(const Text& path) override;
};

}  // namespace malvorn::posix
