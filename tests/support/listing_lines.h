// SPDX-License-Identifier: MIT
// A listing split into its lines. Every line must end in CR LF; a tail
// without one comes back marked, so that a test comparing lines sees it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace malvorn::testing {

inline std::vector<std::string> splitListingLines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos) {
            out.push_back("<unterminated>" + std::string(text.substr(pos)));
            break;
        }
        out.emplace_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

}  // namespace malvorn::testing
