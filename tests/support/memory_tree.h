// SPDX-License-Identifier: MIT
// An example tree (example_trees.h) built in the in-memory file system.
#pragma once

#include "platform/headless/headless_memory_file_system.h"
#include "platform/text.h"
#include "tests/support/example_trees.h"

namespace malvorn::testing {

// Adds the folder `top` (its parent must exist) and `tree` below it, each
// '/' of the tree's paths written as the file system's own separator.
inline void addTree(headless::MemoryFileSystem& fs, const Text& top, const Tree& tree) {
    fs.addFolder(top);
    for (const TreeEntry& e : tree) {
        Text path = top + fs.separator() + fromUtf8(e.path);
        for (char16_t& c : path)
            if (c == u'/') c = fs.separator();
        if (e.folder) {
            fs.addFolder(path);
        } else {
            fs.addFile(path);
        }
    }
}

}  // namespace malvorn::testing
