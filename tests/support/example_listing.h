// SPDX-License-Identifier: MIT
// The listing of the example tree (example_trees.h), written once for every
// suite that lists it: in memory, on the disk, in the Qt window and from
// malvorn-list.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/example_trees.h"

namespace malvorn::testing {

// The lines listing the example tree below `top` gives down to `levels`
// levels, in the order of exampleTree (the walk's in memory): full paths
// joined by `separator`, or with `names` each name indented four blanks a
// level; files only with `files`.
inline std::vector<std::string> exampleListing(const std::string& top, char separator, int levels, bool files,
                                               bool names = false) {
    std::vector<std::string> lines;
    for (const TreeEntry& e : exampleTree()) {
        const std::size_t slash = e.path.rfind('/');
        const int depth = static_cast<int>(std::count(e.path.begin(), e.path.end(), '/')) + 1;
        if (depth > levels || (!e.folder && !files)) continue;
        std::string path = e.path;
        std::replace(path.begin(), path.end(), '/', separator);
        lines.push_back(names ? std::string(4 * (depth - 1), ' ') + e.path.substr(slash + 1) : top + separator + path);
    }
    return lines;
}

}  // namespace malvorn::testing
