// SPDX-License-Identifier: MIT
#include "platform/posix/posix_folders.h"

#include <dirent.h>
#include <mntent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <string_view>

namespace malvorn::posix {

namespace {

bool isFolderBytes(const std::string& bytes) {
    struct stat st {};
    return ::stat(bytes.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "/dev" is a leading path of "/dev" and "/dev/pts"; "/" of everything.
template <class String>
bool leads(const String& root, const String& path) {
    if (path.compare(0, root.size(), root) != 0) return false;
    return root.size() == 1 || path.size() == root.size() || path[root.size()] == '/';
}

// Mounts that serve the system rather than hold a person's files.
bool isSystemMount(const mntent& m) {
    const std::string dir = m.mnt_dir;
    for (const char* system : {"/dev", "/proc", "/sys", "/var/run", "/var/lock"})
        if (leads(std::string(system), dir)) return true;
    const std::string_view type = m.mnt_type;
    if (type == "tmpfs") return false;
    if (type == "rootfs" || type == "rpc_pipefs") return true;
    return m.mnt_fsname[0] != '/';  // no device behind it
}

bool holdsBlocks(const char* root) {
    struct statvfs st {};
    int rc;
    do {
        rc = ::statvfs(root, &st);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 && st.f_blocks > 0;
}

}  // namespace

Text currentFolder() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return u"/";
        buffer.resize(buffer.size() * 2);
    }
    return fromUtf8(buffer.c_str());
}

bool isFolder(const Text& path) { return isFolderBytes(toUtf8(path)); }

std::optional<std::vector<Text>> subfolders(const Text& folder) {
    const std::string bytes = toUtf8(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(bytes.c_str()), ::closedir);
    if (!dir) return std::nullopt;
    std::vector<Text> names;
    const std::string prefix = bytes == "/" ? bytes : bytes + "/";
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;  // ".", ".." and hidden folders
        bool folderEntry = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) folderEntry = isFolderBytes(prefix + entry->d_name);
        if (folderEntry) names.push_back(fromUtf8(name));
    }
    return names;
}

std::vector<Text> volumeRoots() {
    std::vector<Text> roots;
    if (FILE* table = ::setmntent("/proc/self/mounts", "r")) {
        mntent entry{};
        char buffer[4096];
        while (::getmntent_r(table, &entry, buffer, sizeof buffer))
            if (!isSystemMount(entry) && holdsBlocks(entry.mnt_dir)) roots.push_back(fromUtf8(entry.mnt_dir));
        ::endmntent(table);
    }
    if (std::find(roots.begin(), roots.end(), Text(u"/")) == roots.end()) roots.push_back(u"/");
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

const Text* volumeOf(const std::vector<Text>& roots, const Text& path) {
    const Text* best = nullptr;
    for (const Text& root : roots)
        if (!path.empty() && leads(root, path) && (!best || root.size() > best->size())) best = &root;
    return best;
}

}  // namespace malvorn::posix
