// SPDX-License-Identifier: MIT
// The example trees every test folder builds, written down once: the core
// and Qt tests build them in memory (memory_tree.h), the real-disk tests on
// the disk (posix_harness.h), so that a tree a listing is checked against
// is the same tree wherever it is listed.
#pragma once

#include <string>
#include <vector>

namespace malvorn::testing {

// One entry of a tree: its path below the tree's top, the parts separated
// by '/', and whether it is a folder (else a file).
struct TreeEntry {
    std::string path;
    bool folder = true;
};

// Parents come before their children, and each folder's entries in the
// order a test expects them to be enumerated.
using Tree = std::vector<TreeEntry>;

// The documented example: the top holds the folders a and b and the file
// readme.txt; a holds the file notes.txt and the folder x; b is empty.
inline Tree exampleTree() {
    return {{"a", true}, {"a/notes.txt", false}, {"a/x", true}, {"b", true}, {"readme.txt", false}};
}

// A wide tree: `folders` folders <name>0, <name>1, ... each holding
// `subfolders` folders <subname>0, <subname>1, ..., for runs long enough to
// be stopped or closed half-way.
inline Tree wideTree(int folders, int subfolders, const std::string& name = "d", const std::string& subname = "e") {
    Tree tree;
    for (int i = 0; i < folders; ++i) {
        const std::string folder = name + std::to_string(i);
        tree.push_back({folder, true});
        for (int j = 0; j < subfolders; ++j) tree.push_back({folder + "/" + subname + std::to_string(j), true});
    }
    return tree;
}

// A chain of `depth` folders each named `name` inside the one before.
inline Tree deepChain(int depth, const std::string& name = "d") {
    Tree tree;
    std::string path;
    for (int i = 0; i < depth; ++i) {
        path += (i ? "/" : "") + name;
        tree.push_back({path, true});
    }
    return tree;
}

}  // namespace malvorn::testing
