// SPDX-License-Identifier: MIT
// Standard output in large blocks, written with write() so that a failure
// is seen with its error number. Lines are encoded straight into the block.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/posix/posix_line_encoder.h"
#include "platform/text.h"

namespace malvorn::console {

class Output {
public:
    Output();

    // The text in UTF-8, then `tail` as it is.
    void append(TextView text, std::string_view tail = {});
    void flush();

    bool failed() const { return error_ != 0; }
    int error() const { return error_; }

private:
    // An output left non-blocking by whoever set it up is waited for; one
    // that takes nothing at all is a failure, not a reason to loop.
    void writeAll(const char* p, std::size_t left);

    static constexpr std::size_t Capacity = 1 << 17;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    int error_ = 0;
    posix::LineEncoder encoder_;
};

}  // namespace malvorn::console
