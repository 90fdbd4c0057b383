// SPDX-License-Identifier: MIT
#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

bool passesMask(std::uint32_t attributes, std::int32_t mask) {
    if ((attributes & FILE_ATTRIBUTE_HIDDEN) && !(mask & attr::Hidden)) return false;
    if ((attributes & FILE_ATTRIBUTE_SYSTEM) && !(mask & attr::System)) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(mask & attr::Directory)) return false;
    return true;
}

namespace {

constexpr std::size_t BatchSize = 64 * 1024;

// "C:\\" or "\\\\server\\share\\": FindFirstFile gives no "." and ".." there,
// and neither does this enumeration.
bool isRoot(const Text& folder) {
    if (folder.size() == 3 && folder[1] == u':' && folder[2] == u'\\') return true;
    if (folder.size() > 2 && folder[0] == u'\\' && folder[1] == u'\\' && folder[2] != u'?' && folder[2] != u'.') {
        int separators = 0;
        for (std::size_t i = 2; i < folder.size(); ++i)
            if (folder[i] == u'\\') ++separators;
        return separators == 2 && folder.back() == u'\\';
    }
    return false;
}

bool startsWith(const Text& text, const Text& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

WIN32_FIND_DATAW& findData(const std::unique_ptr<unsigned char[]>& p) {
    return *reinterpret_cast<WIN32_FIND_DATAW*>(p.get());
}

}  // namespace

FileSystem::FileSystem() : handle_(INVALID_HANDLE_VALUE), find_(new unsigned char[sizeof(WIN32_FIND_DATAW)]) {}

FileSystem::~FileSystem() { endEnumeration(); }

void FileSystem::endEnumeration() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        if (usingFind_)
            FindClose(handle_);
        else
            CloseHandle(handle_);
    }
    handle_ = INVALID_HANDLE_VALUE;
    usingFind_ = false;
    findHasEntry_ = false;
    batchValid_ = false;
}

FileSystem::FolderIds* FileSystem::idsOf(const Text& folder) {
    for (auto it = chain_.rbegin(); it != chain_.rend(); ++it)
        if (it->folder == folder) return &*it;
    return nullptr;
}

bool FileSystem::fallBackToFind(const Text& folderPath) {
    // Systems or file systems that cannot list a folder through its handle.
    endEnumeration();
    const std::wstring pattern = apiPath(folderPath + u"*");
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, find_.get(), FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        h = FindFirstFileW(pattern.c_str(), &findData(find_));
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return false;
        throw errorFor(code);
    }
    handle_ = h;
    usingFind_ = true;
    findHasEntry_ = true;
    return true;
}

bool FileSystem::readBatch() {
    if (buffer_.size() < BatchSize) buffer_.resize(BatchSize);
    if (!GetFileInformationByHandleEx(handle_, FileIdBothDirectoryInfo, buffer_.data(),
                                      static_cast<DWORD>(buffer_.size()))) {
        const DWORD code = GetLastError();
        batchValid_ = false;
        if (code == ERROR_NO_MORE_FILES) return false;
        throw errorFor(code);
    }
    offset_ = 0;
    batchValid_ = true;
    return true;
}

Text FileSystem::startEnumeration(const Text& folderPath, std::int32_t mask) {
    endEnumeration();
    mask_ = mask;
    root_ = isRoot(folderPath);

    // Ids are kept for the folders that contain this one; the others have
    // been left by the walk.
    while (!chain_.empty() && (chain_.back().folder == folderPath || !startsWith(folderPath, chain_.back().folder)))
        chain_.pop_back();

    const std::wstring api = apiPath(folderPath);
    HANDLE h = CreateFileW(api.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // The folder itself is missing: to the caller a path not found.
        throw errorFor(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
    }
    handle_ = h;

    FolderIds ids;
    ids.folder = folderPath;
    // A folder has the volume of the folder it was listed in, unless it is
    // a link (which is never taken from a listing).
    const std::size_t cut = folderPath.size() >= 2 ? folderPath.rfind(u'\\', folderPath.size() - 2) : Text::npos;
    if (cut != Text::npos) {
        const Text parent = folderPath.substr(0, cut + 1);
        const Text name = folderPath.substr(cut + 1, folderPath.size() - cut - 2);
        if (FolderIds* p = idsOf(parent);
            p && p->volumeKnown && p->ids.count(name) && !(p->ids.at(name).attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            ids.volume = p->volume;
            ids.volumeKnown = true;
        }
    }
    if (!ids.volumeKnown) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info)) {
            ids.volume = info.dwVolumeSerialNumber;
            ids.volumeKnown = true;
        }
    }

    try {
        if (!readBatch()) return {};  // not even "." and "..": an empty root
    } catch (const PlatformError& e) {
        const auto code = static_cast<DWORD>(e.number());
        if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED && code != ERROR_INVALID_FUNCTION &&
            code != ERROR_INVALID_LEVEL)
            throw;
        return fallBackToFind(folderPath) ? nextAccepted() : Text();
    }
    chain_.push_back(std::move(ids));
    return nextAccepted();
}

Text FileSystem::nextAccepted() {
    while (handle_ != INVALID_HANDLE_VALUE) {
        if (usingFind_) {
            if (!findHasEntry_) {
                if (!FindNextFileW(handle_, &findData(find_))) {
                    const DWORD code = GetLastError();
                    endEnumeration();
                    if (code == ERROR_NO_MORE_FILES) return {};
                    throw errorFor(code);
                }
            }
            findHasEntry_ = false;
            const WIN32_FIND_DATAW& d = findData(find_);
            if (passesMask(d.dwFileAttributes, mask_)) return fromWide(d.cFileName);
            continue;
        }
        if (!batchValid_) {
            bool more = false;
            try {
                more = readBatch();
            } catch (...) {
                endEnumeration();
                throw;
            }
            if (!more) {
                endEnumeration();
                return {};
            }
        }
        const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer_.data() + offset_);
        if (info->NextEntryOffset == 0)
            batchValid_ = false;
        else
            offset_ += info->NextEntryOffset;
        Text name = fromWide(info->FileName, info->FileNameLength / sizeof(wchar_t));
        const DWORD attributes = info->FileAttributes;
        if (!chain_.empty() && name != u"." && name != u"..")
            chain_.back().ids[name] = {attributes, static_cast<std::uint64_t>(info->FileId.QuadPart)};
        if (root_ && (name == u"." || name == u"..")) continue;
        if (passesMask(attributes, mask_)) return name;
    }
    return {};
}

Text FileSystem::nextName() { return nextAccepted(); }

FileAttributes FileSystem::attributes(const Text& path) {
    FileAttributes a;
    // A name of a folder on the walk's chain: the listing told all.
    const std::size_t cut = path.rfind(u'\\');
    if (cut != Text::npos && cut + 1 < path.size()) {
        if (FolderIds* ids = idsOf(path.substr(0, cut + 1))) {
            const auto it = ids->ids.find(path.substr(cut + 1));
            if (it != ids->ids.end() && !(it->second.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                ++answeredFromListing;
                a.word = static_cast<std::int32_t>(it->second.attributes);
                // Id 0: a file system without ids (FAT), and without links.
                if ((a.word & FILE_ATTRIBUTE_DIRECTORY) && ids->volumeKnown && it->second.fileId != 0)
                    a.identity = {ids->volume, it->second.fileId, true};
                return a;
            }
        }
    }

    const std::wstring p = apiPath(path);
    const DWORD word = GetFileAttributesW(p.c_str());
    if (word == INVALID_FILE_ATTRIBUTES) throwLastError();
    a.word = static_cast<std::int32_t>(word);
    if (!(word & FILE_ATTRIBUTE_DIRECTORY)) return a;  // only folders are walked into

    // Otherwise, and for links (whose target counts), open it.
    HANDLE h = CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info)) {
            a.identity.volume = info.dwVolumeSerialNumber;
            a.identity.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
            a.identity.known = true;
        }
        CloseHandle(h);
    }
    return a;
}

}  // namespace malvorn::win32
