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

// A folder path's long form, made full as the system makes it when it opens
// the folder, with the final separator: a name appended to it is taken as
// it is, trailing dots and blanks included. Where it cannot be made full,
// the path as it is.
std::wstring longFormOf(const Text& folderPath) {
    std::wstring p = apiPath(folderPath);
    if (p.rfind(L"\\\\?\\", 0) != 0 && p.rfind(L"\\\\.\\", 0) != 0) {
        const DWORD size = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
        std::wstring full(size, L'\0');
        const DWORD got = size ? GetFullPathNameW(p.c_str(), size, full.data(), nullptr) : 0;
        full.resize(got < size ? got : 0);
        if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
            p = L"\\\\?\\" + full;
        else if (full.rfind(L"\\\\", 0) == 0)
            p = L"\\\\?\\UNC\\" + full.substr(2);
    }
    if (p.empty() || p.back() != L'\\') p.push_back(L'\\');
    return p;
}

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
    delivered_.clear();
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

FileSystem::Held* FileSystem::heldFolder(TextView folder) {
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
FileSystem::Held* FileSystem::heldFolderOf(const Text& path, TextView& name) {
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
void* FileSystem::openFolder(const Text& folderPath, Opened& opened) {
    const std::size_t cut = folderPath.size() >= 2 ? folderPath.rfind(u'\\', folderPath.size() - 2) : Text::npos;
    if (!chain_.empty() && cut != Text::npos && chain_.back().folder.size() == cut + 1 &&
        startsWith(folderPath, chain_.back().folder)) {
        const Held& parent = chain_.back();
        const TextView name = TextView(folderPath).substr(cut + 1, folderPath.size() - cut - 2);
        void* h = nullptr;
        const native::Status s = native::openFolder(parent.handle, wideData(name), name.size(), true, h);
        if (native::failed(s)) {
            const DWORD code = native::win32Error(s);
            throw errorFor(code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
        }
        // Not asked about before: it may be a link.
        opened.identity = identityIn(&parent, h, FILE_ATTRIBUTE_REPARSE_POINT, opened.indexIds);
        opened.query.assign(parent.query).append(wideData(name), name.size()).push_back(L'\\');
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
    opened.identity = identityIn(nullptr, h, 0, opened.indexIds);
    opened.query = longFormOf(folderPath);
    return h;
}

void FileSystem::firstAccepted(const Text& folderPath, std::int32_t mask) {
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
    Opened next;
    if (opened_.handle && folderPath.size() == opened_.path.size() + 1 && startsWith(folderPath, opened_.path)) {
        next = std::move(opened_);
        opened_.handle = nullptr;
    }
    closeOpened();
    if (!next.handle) next.handle = openFolder(folderPath, next);
    void* const h = next.handle;
    Held& held = chain_.emplace_back();
    held.folder = folderPath;
    held.handle = h;
    held.query = std::move(next.query);
    held.identity = next.identity;
    held.indexIds = next.indexIds;

    if (!listWithFind) {
        listing_ = h;
        try {
            if (readBatch())
                nextAccepted();
            else
                endEnumeration();  // not even "." and "..": an empty root
            return;
        } catch (const PlatformError& e) {
            const auto code = static_cast<DWORD>(e.number());
            if (code != ERROR_INVALID_PARAMETER && code != ERROR_NOT_SUPPORTED && code != ERROR_INVALID_FUNCTION &&
                code != ERROR_INVALID_LEVEL && code != ERROR_CALL_NOT_IMPLEMENTED) {
                endEnumeration();
                throw;
            }
        }
    }
    if (fallBackToFind(folderPath)) nextAccepted();
}

void FileSystem::nextAccepted() {
    delivered_.clear();
    while (find_ != INVALID_HANDLE_VALUE) {
        if (!findHasEntry_) {
            if (!FindNextFileW(find_, &findData(findData_))) {
                const DWORD code = GetLastError();
                endEnumeration();
                if (code == ERROR_NO_MORE_FILES) return;
                throw errorFor(code);
            }
        }
        findHasEntry_ = false;
        const WIN32_FIND_DATAW& d = findData(findData_);
        const std::size_t length = wcslen(d.cFileName);
        if (root_ && isDotName(d.cFileName, length)) continue;
        if (passesMask(d.dwFileAttributes, mask_)) {
            delivered_.assign(reinterpret_cast<const char16_t*>(d.cFileName), length);
            return;
        }
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
                return;
            }
        }
        const auto* info = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(buffer_.data() + offset_);
        if (info->NextEntryOffset == 0)
            batchValid_ = false;
        else
            offset_ += info->NextEntryOffset;
        const std::size_t length = info->FileNameLength / sizeof(wchar_t);
        if (root_ && isDotName(info->FileName, length)) continue;
        if (passesMask(info->FileAttributes, mask_)) {
            delivered_.assign(reinterpret_cast<const char16_t*>(info->FileName), length);
            return;
        }
    }
}

// Whether a question about a name of a held folder comes as the listing
// delivers it: the name is the one the enumeration under way gave last.
bool FileSystem::gathering(const Held& folder, TextView name) const {
    return (listing_ || find_ != INVALID_HANDLE_VALUE) && &folder == &chain_.back() && name == TextView(delivered_);
}

// The attribute word of a name in a held folder, asked now by its full path:
// one call, which opens nothing. False (the error left for GetLastError)
// when it cannot be read.
bool FileSystem::askByName(Held& folder, TextView name, std::uint32_t& word) {
    ++askedThroughFolder;
    queryPath_.assign(folder.query).append(wideData(name), name.size());
    word = GetFileAttributesW(queryPath_.c_str());
    return word != INVALID_FILE_ATTRIBUTES;
}

void FileSystem::remember(Held& folder, TextView name, std::uint32_t word) {
    if (!folder.ends.empty() && folder.name(folder.ends.size() - 1) == name) {
        folder.words.back() = word;  // asked again as it was gathered
        return;
    }
    folder.names.append(name);
    folder.ends.push_back(folder.names.size());
    folder.words.push_back(word);
}

// The word a name had when it was gathered, if it was. The walk asks about
// a folder's names in the order they were gathered: the search goes on
// from the name found last; the name being gathered is the last one kept.
bool FileSystem::recall(Held& folder, TextView name, std::uint32_t& word) {
    if (gathering(folder, name)) {
        if (folder.ends.empty() || folder.name(folder.ends.size() - 1) != name) return false;
        word = folder.words.back();
        return true;
    }
    for (std::size_t i = folder.recalled; i < folder.ends.size(); ++i) {
        if (folder.name(i) == name) {
            folder.recalled = i;
            word = folder.words[i];
            return true;
        }
    }
    return false;
}

// The identity of a folder just opened, as `word` names it in the held
// folder `parent` (or by full path, without one), and whether its volume's
// ids are its 64-bit indexes (NTFS, whose FILE_ID_INFO id is the index with
// a zero upper half). A folder that is no link (no reparse point, so no
// mount point either) is on its parent's volume: there its identity is the
// parent's serial and its index, which is the FILE_ID_INFO the system would
// give, read without asking for the volume's serial again (Wine asks its
// mount manager, another process, for it at every query).
FileIdentity FileSystem::identityIn(const Held* parent, void* handle, std::uint32_t word, bool& indexIds) const {
    std::uint64_t index = 0;
    if (parent && parent->indexIds && !(word & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !native::failed(native::fileIndex(handle, index)) && index != 0) {
        indexIds = true;
        FileIdentity id;
        id.volume = parent->identity.volume;
        id.file = index;
        id.known = true;
        return id;
    }
    const FileIdentity id = identityOf(handle);
    indexIds = id.known && id.fileHigh == 0 && native::onNtfs(handle);
    return id;
}

// A folder's identity: opened as a folder relative to the held folder it is
// in, with the right to list it, the handle kept for the enumeration that
// follows. The open is the answer to whether it is a folder still.
void FileSystem::identify(Held& folder, const Text& path, TextView name, FileAttributes& a) {
    closeOpened();
    ++askedThroughFolder;
    void* h = nullptr;
    bool forListing = true;
    native::Status s = native::openFolder(folder.handle, wideData(name), name.size(), true, h);
    if (s == native::AccessDenied) {
        // A folder that may not be listed still has an identity.
        forListing = false;
        s = native::openFolder(folder.handle, wideData(name), name.size(), false, h);
    }
    if (native::failed(s)) {
        // No folder any more, gone, or a link that leads nowhere (which
        // keeps its folder bit, and is walked into to no avail): the word
        // as it is now, and no identity.
        std::uint32_t word = 0;
        if (!askByName(folder, name, word)) throwLastError();
        a.word = static_cast<std::int32_t>(word);
        return;
    }
    bool indexIds = false;
    a.identity = identityIn(&folder, h, static_cast<std::uint32_t>(a.word), indexIds);
    if (!forListing) {
        native::close(h);
        return;
    }
    opened_.path = path;
    opened_.handle = h;
    opened_.identity = a.identity;
    opened_.indexIds = indexIds;
    opened_.query.assign(folder.query).append(wideData(name), name.size()).push_back(L'\\');
}

FileAttributes FileSystem::attributes(const Text& path) {
    FileAttributes a;
    TextView name;
    if (Held* folder = heldFolderOf(path, name)) {
        const bool gathered = gathering(*folder, name);
        std::uint32_t word = 0;
        if (!recall(*folder, name, word)) {
            if (!askByName(*folder, name, word)) throwLastError();
            if (gathered) remember(*folder, name, word);
        }
        a.word = static_cast<std::int32_t>(word);
        // A folder is opened when the walk comes to go in, after its
        // folder's listing: that open then serves its own listing.
        if ((word & FILE_ATTRIBUTE_DIRECTORY) && !gathered) identify(*folder, path, name, a);
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
    if (Held* folder = heldFolderOf(path, name)) {
        std::uint32_t word = 0;
        const bool gathered = gathering(*folder, name);
        if (!gathered && recall(*folder, name, word) && !(word & FILE_ATTRIBUTE_DIRECTORY)) return true;
        if (!askByName(*folder, name, word)) return false;
        if (gathered) remember(*folder, name, word);
        return true;
    }
    return GetFileAttributesW(apiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace malvorn::win32
