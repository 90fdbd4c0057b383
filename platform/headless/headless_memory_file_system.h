// SPDX-License-Identifier: MIT
// An in-memory file system whose order, attributes and failures the test
// controls. Paths use a chosen separator ("\\" by default); a path that is
// only a drive root ("C:\\") has no "." and ".." entries.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/file_system.h"

namespace malvorn::headless {

class MemoryFileSystem : public IFileSystem {
public:
    explicit MemoryFileSystem(char16_t separator = u'\\');
    ~MemoryFileSystem() override;

    // Builders; parents must exist. Roots are added with addRoot ("C:").
    void addRoot(const Text& root);
    void addFolder(const Text& path, std::int32_t attributes = 0);
    void addFile(const Text& path, std::int32_t attributes = 0);
    // A link named `path` to the existing folder `target`: same identity,
    // same contents.
    void addLink(const Text& path, const Text& target);
    void remove(const Text& path);

    // Failures, each by exact path.
    std::set<Text> failStart;                       // enumeration cannot start
    std::set<Text> failAttributes;                  // attribute query fails
    std::map<Text, int> failNextAfter;              // folder: the next name fails after this many names
    std::function<void(const Text&)> onAttributes;  // called before every query
    // Ids of 128 bits that differ only in their upper half (as ReFS may
    // give): every node's lower half is the same.
    bool wideIds = false;

    // What happened.
    std::vector<Text> enumerations;  // folder paths started
    std::vector<Text> queries;       // attribute queries

    char16_t separator() const override { return sep_; }
    void startEnumerationInto(const Text& folderPath, std::int32_t mask, Text& name) override {
        name = firstName(folderPath, mask);
    }
    void nextNameInto(Text& name) override { name = nextName(); }
    FileAttributes attributes(const Text& path) override;
    void runEnded() override { ++runsEnded; }
    int runsEnded = 0;

private:
    Text firstName(const Text& folderPath, std::int32_t mask);
    Text nextName();
    struct Node;
    Node* find(const Text& path) const;
    Node* parentOf(const Text& path, Text& name) const;

    char16_t sep_;
    std::vector<std::unique_ptr<Node>> roots_;
    std::vector<Text> names_;  // the enumeration under way
    std::size_t next_ = 0;
    int failAfter_ = -1;
    std::uint64_t nextId_ = 1;
};

}  // namespace malvorn::headless
