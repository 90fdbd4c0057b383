// SPDX-License-Identifier: MIT
#include "platform/console/console_output.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/posix/posix_write_all.h"

namespace malvorn::console {

Output::Output() : buffer_(new char[Capacity]) {}

void Output::append(TextView text, std::string_view tail) {
    if (failed()) return;
    const std::size_t room = posix::maxUtf8Bytes(text.size()) + tail.size();
    if (used_ + room > Capacity) flush();
    if (room > Capacity) {
        const std::string bytes = toUtf8(text);
        writeAll(bytes.data(), bytes.size());
        writeAll(tail.data(), tail.size());
        return;
    }
    char* end = encoder_.encode(text, buffer_.get() + used_);
    if (!tail.empty()) std::memcpy(end, tail.data(), tail.size());
    used_ = static_cast<std::size_t>(end + tail.size() - buffer_.get());
}

void Output::flush() {
    writeAll(buffer_.get(), used_);
    used_ = 0;
}

void Output::writeAll(const char* p, std::size_t left) {
    if (!failed()) error_ = posix::writeAll(STDOUT_FILENO, p, left);
}

}  // namespace malvorn::console
