// SPDX-License-Identifier: MIT
#include "platform/win32/win32_file_system.h"

#include <windows.h>
#include <winternl.h>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_native.h"
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

bool isDotName(const wchar_t* name, std::size_t length) {
    return name[0] == L'.' && (length == 1 || (length == 2 && name[1] == L'.'));
}

bool startsWith(const Text& text, const Text& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

const wchar_t* wideData(TextView text) { return reinterpret_cast<const wchar_t*>(text.data()); }

WIN32_FIND_DATAW& findData(const std::unique_ptr<unsigned char[]>& p) {
    return *reinterpret_cast<WIN32_FIND_DATAW*>(p.get());
}

}  // namespace

FileIdentity identityByIndex(void* handle) {
    FileIdentity id;
    BY_HANDLE_FILE_INFORMATION info;
    // Index 0: a file system without ids (FAT), and without links.
    if (GetFileInformationByHandle(static_cast<HANDLE>(handle), &info) && (info.nFileIndexHigh | info.nFileIndexLow)) {
        id.volume = info.dwVolumeSerialNumber;
        id.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        id.known = true;
    }
    return id;
}

FileIdentity identityOf(void* handle) {
    FileIdentity id;
    if (native::failed(native::fileId(handle, id.volume, id.file, id.fileHigh))) return identityByIndex(handle);
    id.known = (id.file | id.fileHigh) != 0;
    return id;
}

FileSystem::FileSystem() : find_(INVALID_HANDLE_VALUE), findData_(new unsigned char[sizeof(WIN32_FIND_DATAW)]) {}

FileSystem::~FileSystem() { releaseFolders(); }

void FileSystem::endEnumeration() {
    if (find_ != INVALID_HANDLE_VALUE) FindClose(find_);
    find_ = INVALID_HANDLE_VALUE;
    findHasEntry_ = false;
    listing_ = nullptr;
    batchValid_ = false;
}

void FileSystem::closeOpened() {
    if (opened_.handle) native::close(opened_.handle);
    opened_ = Opened{};
}

void FileSystem::releaseFolders() {
    endEnumeration();
    closeOpened();
    for (const Held& h : chain_) CloseHandle(h.handle);
    chain_.clear();
}

void FileSystem::runEnded() { releaseFolders(); }

const FileSystem::Held* FileSystem::heldFolder(TextView folder) const {
    // The deepest first: nearly every query is about the innermost folder.
    for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) {
        if (it->folder.size() < folder.size()) break;  // outer ones are shorter still
        if (TextView(it->folder) == folder) return &*it;
    }
    return nullptr;
}

// The held folder a path names an entry of, and that entry's name; null
// for any other path, and for a name that only a path resolves ("." and
// "..", or one with "/"), which is then asked by full path.
const FileSystem::Held* FileSystem::heldFolderOf(const Text& path, TextView& name) const {
    const std::size_t cut = path.rfind(u'\\');
    if (cut == Text::npos || cut + 1 == path.size()) return nullptr;
    name = TextView(path).substr(cut + 1);
    if (name == u"." || name == u".." || name.find(u'/') != TextView::npos) return nullptr;
    return heldFolder(TextView(path).substr(0, cut + 1));
}

bool FileSystem::fallBackToFind(const Text& folderPath) {
    // Systems or file systems that cannot list a folder through its handle.
    endEnumeration();
    const std::wstring pattern = apiPath(folderPath + u"*");
    // FindExInfoBasic (no short names) is there since Windows 7, the
    // oldest system the program runs on.
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, findData_.get(), FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return false;
        throw errorFor(code);
    }
    find_ = h;
    findHasEntry_ = true;
    return true;
}

bool FileSystem::readBatch() {
    if (buffer_.size() < BatchSize) buffer_.resize(BatchSize);
    const native::Status s = native::readFolder(listing_, buffer_.data(), buffer_.size());
    batchValid_ = false;
    if (s == native::NoMoreFiles || s == native::NoSuchFile) return false;
    if (native::failed(s)) throw errorFor(native::win32Error(s));
    offset_ = 0;
    batchValid_ = true;
    return true;
}

// Opens a folder to be listed: relative to its parent when that is the
// innermost folder held (the walk's usual step down), else by full path.
void* FileSystem::openFolder(const Text& folderPath, FileIdentity& identity) {
    const std::size_t cut = folderPath.size() >= 2 ? folderPath.rfind(u'\\', folderPath.size() - 2) : Text::npos;
    if (!chain_.empty() && cut != Text::npos && chain_.back().folder.size() == cut + 1 &&
        startsWith(folderPath, chain_.back().folder)) {
        const TextView name = TextView(folderPath).substr(cut + 1, folderPath.size() - cut - 2);
        void* h = nullptr;
        const native::Status s = native::open(chain_.back().handle, wideData(name), name.size(), true, true, h);
        if (native::failed(s)) {
            const DWORD code = native::win32Error(s);
            throw errorFor(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
        }
        identity = identityOf(h);
        return h;
    }
    const std::wstring api = apiPath(folderPath);
    HANDLE h = CreateFileW(api.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // The folder itself is missing: to the caller a path not found.
        throw errorFor(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
    }
    identity = identityOf(h);
    return h;
}

Text FileSystem::firstAccepted(const Text& folderPath, std::int32_t mask) {
    endEnumeration();
    mask_ = mask;
    root_ = isRoot(folderPath);

    // Only the folders that contain this one stay open; the walk has left
    // the others (and an earlier handle of this same folder).
    while (!chain_.empty() && (chain_.back().folder == folderPath || !startsWith(folderPath, chain_.back().folder))) {
        CloseHandle(chain_.back().handle);
        chain_.pop_back();
    }

    // The walk goes into the folder it has just asked about: the handle that
    // query opened is this folder's.
    void* h = nullptr;
    FileIdentity identity;
    if (opened_.handle && folderPath.size() == opened_.path.size() + 1 && startsWith(folderPath, opened_.path)) {
        h = opened_.handle;
        identity = opened_.identity;
        opened_.handle = nullptr;
    }
    closeOpened();
    if (!h) h = openFolder(folderPath, identity);
    chain_.push_back(Held{folderPath, h});

    if (!listWithFind) {
        listing_ = h;
        try {
            if (!readBatch()) return {};  // not even "." and "..": an empty root
            return nextAccepted();
        } catch (const PlatformError& e) {
            const auto code = static_cast<DWORD>(e.number());
            if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED && code != ERROR_INVALID_FUNCTION &&
                code != ERROR_INVALID_LEVEL && code != ERROR_CALL_NOT_IMPLEMENTED) {
                endEnumeration();
                throw;
            }
        }
    }
    return fallBackToFind(folderPath) ? nextAccepted() : Text();
}

Text FileSystem::nextAccepted() {
    while (find_ != INVALID_HANDLE_VALUE) {
        if (!findHasEntry_) {
            if (!FindNextFileW(find_, &findData(findData_))) {
                const DWORD code = GetLastError();
                endEnumeration();
                if (code == ERROR_NO_MORE_FILES) return {};
                throw errorFor(code);
            }
        }
        findHasEntry_ = false;
        const WIN32_FIND_DATAW& d = findData(findData_);
        const std::size_t length = wcslen(d.cFileName);
        if (root_ && isDotName(d.cFileName, length)) continue;
        if (passesMask(d.dwFileAttributes, mask_)) return fromWide(d.cFileName, length);
    }
    while (listing_) {
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
        const auto* info = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(buffer_.data() + offset_);
        if (info->NextEntryOffset == 0)
            batchValid_ = false;
        else
            offset_ += info->NextEntryOffset;
        const std::size_t length = info->FileNameLength / sizeof(wchar_t);
        if (root_ && isDotName(info->FileName, length)) continue;
        if (passesMask(info->FileAttributes, mask_)) return fromWide(info->FileName, length);
    }
    return {};
}

// The attribute word of a name in a held folder, asked now.
std::uint32_t FileSystem::askWord(const Held& folder, TextView name) {
    ++askedThroughFolder;
    std::uint32_t word = 0;
    const native::Status s = native::attributes(folder.handle, wideData(name), name.size(), &word);
    if (native::failed(s)) throw errorFor(native::win32Error(s));
    return word;
}

// A folder's identity: opened relative to the held folder it is in, with
// the right to list it, the handle kept for the enumeration that follows.
void FileSystem::identify(const Held& folder, const Text& path, TextView name, FileAttributes& a) {
    closeOpened();
    ++askedThroughFolder;
    void* h = nullptr;
    bool forListing = true;
    native::Status s = native::open(folder.handle, wideData(name), name.size(), true, true, h);
    if (s == native::AccessDenied) {
        // A folder that may not be listed still has an identity.
        forListing = false;
        s = native::open(folder.handle, wideData(name), name.size(), false, true, h);
    }
    if (s == native::NotADirectory) {
        // No longer a folder since the question a moment ago: the later
        // answer is the one that holds.
        a.word = static_cast<std::int32_t>(askWord(folder, name));
        return;
    }
    if (native::failed(s)) return;  // a link that leads nowhere: no identity, and nothing to walk
    a.identity = identityOf(h);
    if (!forListing) {
        native::close(h);
        return;
    }
    opened_.path = path;
    opened_.handle = h;
    opened_.identity = a.identity;
}

FileAttributes FileSystem::attributes(const Text& path) {
    FileAttributes a;
    TextView name;
    if (const Held* folder = heldFolderOf(path, name)) {
        a.word = static_cast<std::int32_t>(askWord(*folder, name));
        if (a.word & FILE_ATTRIBUTE_DIRECTORY) identify(*folder, path, name, a);  // only folders are walked into
        return a;
    }

    const std::wstring p = apiPath(path);
    const DWORD word = GetFileAttributesW(p.c_str());
    if (word == INVALID_FILE_ATTRIBUTES) throwLastError();
    a.word = static_cast<std::int32_t>(word);
    if (!(word & FILE_ATTRIBUTE_DIRECTORY)) return a;
    HANDLE h = CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        a.identity = identityOf(h);
        CloseHandle(h);
    }
    return a;
}

bool FileSystem::attributesReadable(const Text& path) {
    TextView name;
    if (const Held* folder = heldFolderOf(path, name)) {
        ++askedThroughFolder;
        return !native::failed(native::attributes(folder->handle, wideData(name), name.size(), nullptr));
    }
    return GetFileAttributesW(apiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace malvorn::win32
