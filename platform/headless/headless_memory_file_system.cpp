// SPDX-License-Identifier: MIT
#include "platform/headless/headless_memory_file_system.h"

#include <algorithm>
#include <stdexcept>

#include "platform/error.h"

namespace malvorn::headless {

struct MemoryFileSystem::Node {
    Text name;
    std::int32_t attributes = 0;
    std::uint64_t id = 0;
    bool root = false;
    std::vector<std::shared_ptr<Node>> children;  // in enumeration order
    Node* linkTarget = nullptr;                   // a link: the folder it stands for
    Node* self() { return linkTarget ? linkTarget : this; }
};

MemoryFileSystem::MemoryFileSystem(char16_t separator) : sep_(separator) {}
MemoryFileSystem::~MemoryFileSystem() = default;

namespace {

std::vector<Text> split(const Text& path, char16_t sep) {
    std::vector<Text> parts;
    Text cur;
    for (char16_t c : path) {
        if (c == sep) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    parts.push_back(cur);
    while (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // a final separator
    return parts;
}

}  // namespace

void MemoryFileSystem::addRoot(const Text& root) {
    auto n = std::make_unique<Node>();
    n->name = root;
    n->attributes = attr::Directory;
    n->id = nextId_++;
    n->root = true;
    roots_.push_back(std::move(n));
}

MemoryFileSystem::Node* MemoryFileSystem::find(const Text& path) const {
    const auto parts = split(path, sep_);
    if (parts.empty()) return nullptr;
    Node* cur = nullptr;
    for (const auto& r : roots_)
        if (r->name == parts[0]) cur = r.get();
    if (!cur) return nullptr;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        Node* dir = cur->self();
        if (!(dir->attributes & attr::Directory)) return nullptr;
        Node* found = nullptr;
        for (const auto& c : dir->children)
            if (c->name == parts[i]) found = c.get();
        if (!found) return nullptr;
        cur = found;
    }
    return cur;
}

MemoryFileSystem::Node* MemoryFileSystem::parentOf(const Text& path, Text& name) const {
    const auto cut = path.rfind(sep_);
    if (cut == Text::npos) throw std::logic_error("path without a parent");
    name = path.substr(cut + 1);
    Node* parent = find(path.substr(0, cut));
    if (!parent) throw std::logic_error("parent missing: " + toUtf8(path));
    return parent->self();
}

void MemoryFileSystem::addFolder(const Text& path, std::int32_t attributes) {
    Text name;
    Node* parent = parentOf(path, name);
    auto n = std::make_shared<Node>();
    n->name = name;
    n->attributes = attributes | attr::Directory;
    n->id = nextId_++;
    parent->children.push_back(n);
}

void MemoryFileSystem::addFile(const Text& path, std::int32_t attributes) {
    Text name;
    Node* parent = parentOf(path, name);
    auto n = std::make_shared<Node>();
    n->name = name;
    n->attributes = attributes & ~attr::Directory;
    n->id = nextId_++;
    parent->children.push_back(n);
}

void MemoryFileSystem::addLink(const Text& path, const Text& target) {
    Text name;
    Node* parent = parentOf(path, name);
    Node* t = find(target);
    if (!t) throw std::logic_error("link target missing");
    auto n = std::make_shared<Node>();
    n->name = name;
    n->linkTarget = t->self();
    parent->children.push_back(n);
}

void MemoryFileSystem::remove(const Text& path) {
    Text name;
    Node* parent = parentOf(path, name);
    auto& ch = parent->children;
    ch.erase(std::remove_if(ch.begin(), ch.end(), [&](const auto& c) { return c->name == name; }), ch.end());
}

Text MemoryFileSystem::firstName(const Text& folderPath, std::int32_t mask) {
    enumerations.push_back(folderPath);
    names_.clear();
    next_ = 0;
    failAfter_ = -1;
    if (failStart.count(folderPath)) throw PlatformError(errors::PermissionDenied);
    if (folderPath.empty() || folderPath.back() != sep_) throw PlatformError(errors::BadFileNameOrNumber);
    Node* n = find(folderPath);
    if (!n || !(n->self()->attributes & attr::Directory)) throw PlatformError(errors::PathNotFound);
    Node* dir = n->self();
    if (!dir->root) {
        names_.push_back(u".");
        names_.push_back(u"..");
    }
    for (const auto& c : dir->children) {
        const std::int32_t a = c->self()->attributes;
        if ((a & attr::Hidden) && !(mask & attr::Hidden)) continue;
        if ((a & attr::System) && !(mask & attr::System)) continue;
        if ((a & attr::Directory) && !(mask & attr::Directory)) continue;
        names_.push_back(c->name);
    }
    if (auto it = failNextAfter.find(folderPath); it != failNextAfter.end()) failAfter_ = it->second;
    return nextName();
}

Text MemoryFileSystem::nextName() {
    if (failAfter_ >= 0 && static_cast<int>(next_) >= failAfter_) {
        names_.clear();
        next_ = 0;
        failAfter_ = -1;
        throw PlatformError(errors::DeviceUnavailable);
    }
    if (next_ >= names_.size()) return Text();
    return names_[next_++];
}

FileAttributes MemoryFileSystem::attributes(const Text& path) {
    queries.push_back(path);
    if (onAttributes) onAttributes(path);
    if (failAttributes.count(path)) throw PlatformError(errors::PermissionDenied);
    Node* n = find(path);
    if (!n) throw PlatformError(errors::FileNotFound);
    Node* t = n->self();
    if (wideIds) return FileAttributes{t->attributes, FileIdentity{0, 1, true, t->id}};
    return FileAttributes{t->attributes, FileIdentity{0, t->id, true}};
}

}  // namespace malvorn::headless
