// SPDX-License-Identifier: MIT
#include "platform/win32/win32_save.h"

#include <windows.h>
// After windows.h, which it needs.
#include <cderr.h>
#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"

namespace malvorn::win32 {

// The record as it was before Windows 2000 added the FlagsEx fields; the
// dialog then keeps to the features this program asks for. (76 bytes in a
// 32-bit build, 136 in a 64-bit one: the pointers double.)
constexpr DWORD ClassicRecordSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(ClassicRecordSize == (sizeof(void*) == 8 ? 136 : 76));

namespace {

std::wstring currentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

}  // namespace

SaveDialogResult SaveDialog::show(IForm& owner, const SaveDialogRequest& request) {
    // "description\0pattern\0...\0\0".
    Text filter;
    for (const auto& [description, pattern] : request.filters) {
        filter += description;
        filter.push_back(u'\0');
        filter += pattern;
        filter.push_back(u'\0');
    }
    filter.push_back(u'\0');
    // The limit on the name is that of the request, in bytes of the ANSI
    // code page, where a character takes at least one byte and a UTF-16
    // unit at most two: twice as many units hold every name within it.
    const std::size_t limit = static_cast<std::size_t>(request.maxFile > 0 ? request.maxFile : 1);
    std::vector<wchar_t> file(2 * limit, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = ClassicRecordSize;  // OPENFILENAME_SIZE_VERSION_400W
    auto* form = dynamic_cast<Form*>(&owner);
    ofn.hwndOwner = form ? form->handle() : nullptr;
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrFilter = wide(filter);
    ofn.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = wide(request.title);
    ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : wide(request.defaultExtension);
    ofn.Flags = request.flags;

    // The process's current folder is the same after the dialog as before
    // (OFN_NOCHANGEDIR asks it of the dialog): a folder the user saved into
    // is not held busy until the program ends.
    const std::wstring before = currentFolder();
    const BOOL chosen = GetSaveFileNameW(&ofn);
    const DWORD failure = chosen ? 0 : CommDlgExtendedError();
    if (!before.empty()) SetCurrentDirectoryW(before.c_str());

    SaveDialogResult result;
    if (!chosen) {
        result.errorCode = static_cast<std::int32_t>(failure);
        return result;
    }
    file.back() = L'\0';
    const Text name = fromWide(file.data());
    // The wide name itself, also where the ANSI code page has no form for
    // some of its characters (they would come back as "?"); its length is
    // measured there all the same, as the ANSI dialog's buffer took it.
    if (toAnsi(name).size() > limit - 1) {
        result.errorCode = FNERR_BUFFERTOOSMALL;
        return result;
    }
    result.chosen = true;
    result.fileBuffer = name;
    return result;
}

namespace {

// Units converted at a time: a few bytes for each is all that is held.
constexpr std::size_t ChunkUnits = std::size_t{1} << 16;
constexpr char Utf8Mark[] = "\xEF\xBB\xBF";

// A saved text is ANSI when every character of it has an ANSI form, else
// UTF-8 behind its mark. The text is read for that, not held converted.
bool needsUtf8(const TextPieces& text) {
    bool utf8 = false;
    text([&utf8](TextView piece) {
        inChunks(piece, ChunkUnits, [&utf8](TextView chunk) {
            bool lossy = false;
            if (!utf8) toAnsi(chunk, &lossy);
            utf8 = utf8 || lossy;
        });
    });
    return utf8;
}

// Converts the text a chunk at a time, each handed to `out`.
template <class Out>
void encode(const TextPieces& text, bool utf8, Out&& out) {
    text([&](TextView piece) {
        inChunks(piece, ChunkUnits, [&](TextView chunk) { out(utf8 ? toUtf8(chunk) : toAnsi(chunk)); });
    });
}

TextPieces piecesOf(TextView text) {
    return [text](const std::function<void(TextView)>& piece) { piece(text); };
}

}  // namespace

std::string encodeForFile(TextView text, bool* usedUtf8) {
    const bool utf8 = needsUtf8(piecesOf(text));
    if (usedUtf8) *usedUtf8 = utf8;
    std::string bytes = utf8 ? Utf8Mark : "";
    encode(piecesOf(text), utf8, [&bytes](const std::string& chunk) { bytes += chunk; });
    return bytes;
}

namespace {

// Writes either straight into the file (`temporary_` empty) or into a
// temporary file that replaces `target_` when close() succeeds.
class TextFile : public ITextFile {
public:
    TextFile(HANDLE h, std::wstring target, std::wstring temporary, bool replacing)
        : h_(h), target_(std::move(target)), temporary_(std::move(temporary)), replacing_(replacing) {}
    ~TextFile() override {
        // Only reached without close() when the owner is already handling a
        // failure: the half-written temporary file must not stay.
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    }

    void write(const TextPieces& text) override {
        if (h_ == INVALID_HANDLE_VALUE) throw errorFor(ERROR_INVALID_HANDLE);
        if (!written_) {
            // The first text decides the file's encoding (the save writes
            // the whole listing at once, so this sees all of it); a later
            // text cannot change it any more.
            utf8_ = needsUtf8(text);
            if (utf8_) writeBytes(Utf8Mark);
        }
        written_ = true;
        encode(text, utf8_, [this](const std::string& chunk) { writeBytes(chunk); });
    }

    void close() override {
        if (h_ == INVALID_HANDLE_VALUE) return;
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        // A failure that the system held back (a full network share, a
        // removed stick) shows at the flush; report it rather than call the
        // save a success. The flush also puts the whole new text on disk
        // before it takes the old file's name.
        DWORD failure = FlushFileBuffers(h) ? 0 : GetLastError();
        if (!CloseHandle(h) && failure == 0) failure = GetLastError();
        if (!temporary_.empty()) {
            if (failure == 0) failure = putInPlace();
            if (failure != 0) DeleteFileW(temporary_.c_str());
            temporary_.clear();
        }
        if (failure != 0) throw errorFor(failure);
    }

private:
    void writeBytes(const std::string& bytes) {
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
            DWORD done = 0;
            if (!WriteFile(h_, p, chunk, &done, nullptr)) throwLastError();
            if (done == 0) throw errorFor(ERROR_WRITE_FAULT);
            p += done;
            left -= done;
        }
    }

    // The temporary file takes the target's name: ReplaceFileW keeps the
    // replaced file's attributes, security and creation time; where it
    // cannot (another volume's quirks, a file system without the
    // support), or when there is no old file, a plain move that replaces.
    DWORD putInPlace() {
        if (replacing_ && ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                       nullptr, nullptr))
            return 0;
        if (MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        return GetLastError();
    }

    HANDLE h_;
    std::wstring target_;
    std::wstring temporary_;
    bool replacing_;
    bool written_ = false;
    bool utf8_ = false;
};

// A new, empty file beside `target` with a name no other file has, or
// INVALID_HANDLE_VALUE with the last error set; `name` is that file's name
// as the file functions take it. The name is 14 characters longer than the
// target's: it takes the long form on its own length, not the target's.
HANDLE createTemporaryBeside(const Text& target, std::wstring& name) {
    const std::size_t slash = target.find_last_of(u"\\/");
    const Text folder = slash == Text::npos ? Text() : target.substr(0, slash + 1);
    Text base = slash == Text::npos ? target : target.substr(slash + 1);
    if (base.size() > 200) base.resize(200);  // room for the suffix within a name's limit
    static unsigned counter = 0;
    const unsigned seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", seed + ++counter * 40503u);
        name = apiPath(folder + u"~" + base + fromUtf8(suffix));
        HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return h;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

std::unique_ptr<ITextFile> TextFileSystem::createForOutput(const Text& path) {
    const std::wstring p = apiPath(path);
    // First whether the file may be written at all (a read-only file, one
    // that another program holds), without changing it.
    HANDLE existing = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) throwLastError();
    if (existing != INVALID_HANDLE_VALUE && GetFileType(existing) != FILE_TYPE_DISK) {
        // A device or a pipe: written as it is, there is nothing to replace.
        return std::make_unique<TextFile>(existing, p, std::wstring(), false);
    }
    const bool replacing = existing != INVALID_HANDLE_VALUE;
    if (replacing) CloseHandle(existing);  // ReplaceFileW must be able to open it

    // The new text goes into a temporary file in the same folder, which
    // takes the file's name only once it is complete, so that a failure on
    // the way (a full disk) leaves the old file as it was.
    std::wstring temporary;
    HANDLE h = createTemporaryBeside(path, temporary);
    if (h != INVALID_HANDLE_VALUE) return std::make_unique<TextFile>(h, p, temporary, replacing);
    const DWORD err = GetLastError();
    if (!replacing || err != ERROR_ACCESS_DENIED) throw errorFor(err);
    // The folder lets the file be written but no new file be created beside
    // it: rewrite the file in place, emptied first, as a plain save does. A
    // failure while writing then leaves the part written, the one case
    // where the old content cannot be kept.
    h = CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throwLastError();
    return std::make_unique<TextFile>(h, p, std::wstring(), false);
}

}  // namespace malvorn::win32
