// SPDX-License-Identifier: MIT
#include "platform/win32/win32_save.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <cstddef>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"

namespace malvorn::win32 {

// The record as it was before Windows 2000 added the FlagsEx fields; the
// dialog then keeps to the features this program asks for. (76 bytes in a
// 32-bit build, 136 in a 64-bit one: the pointers double.)
constexpr DWORD ClassicRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(ClassicRecordSize == (sizeof(void*) == 8 ? 136 : 76));

SaveDialogResult SaveDialog::show(IForm& owner, const SaveDialogRequest& request) {
    // "description\0pattern\0...\0\0", in the ANSI code page.
    std::string filter;
    for (const auto& [description, pattern] : request.filters) {
        filter += toAnsi(description);
        filter.push_back('\0');
        filter += toAnsi(pattern);
        filter.push_back('\0');
    }
    filter.push_back('\0');
    const std::string title = toAnsi(request.title);
    const std::string extension = toAnsi(request.defaultExtension);
    std::vector<char> file(static_cast<std::size_t>(request.maxFile > 0 ? request.maxFile : 1), '\0');

    OPENFILENAMEA ofn{};
    ofn.lStructSize = ClassicRecordSize;  // OPENFILENAME_SIZE_VERSION_400A
    auto* form = dynamic_cast<Form*>(&owner);
    ofn.hwndOwner = form ? form->handle() : nullptr;
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = request.flags;

    SaveDialogResult result;
    if (GetSaveFileNameA(&ofn)) {
        result.chosen = true;
        file.back() = '\0';
        result.fileBuffer = fromAnsi(file.data());
    } else {
        result.errorCode = static_cast<std::int32_t>(CommDlgExtendedError());
    }
    return result;
}

std::string encodeForFile(TextView text, bool* usedUtf8) {
    bool lossy = false;
    std::string bytes = toAnsi(text, &lossy);
    if (usedUtf8) *usedUtf8 = lossy;
    if (!lossy) return bytes;
    return "\xEF\xBB\xBF" + toUtf8(text);
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

    void write(const Text& text) override {
        if (h_ == INVALID_HANDLE_VALUE) throw errorFor(ERROR_INVALID_HANDLE);
        std::string bytes;
        if (!written_) {
            // The first text decides the file's encoding (the save writes
            // the whole listing at once, so this sees all of it).
            bytes = encodeForFile(text, &utf8_);
        } else if (utf8_) {
            bytes = toUtf8(text);
        } else {
            bytes = toAnsi(text);  // a later text cannot change the encoding any more
        }
        written_ = true;
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
// INVALID_HANDLE_VALUE with the last error set.
HANDLE createTemporaryBeside(const std::wstring& target, std::wstring& name) {
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    std::wstring base = slash == std::wstring::npos ? target : target.substr(slash + 1);
    if (base.size() > 200) base.resize(200);  // room for the suffix within a name's limit
    static unsigned counter = 0;
    const unsigned seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[16];
        swprintf(suffix, 16, L".%08x.tmp", seed + ++counter * 40503u);
        name = folder + L"~" + base + suffix;
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
    HANDLE h = createTemporaryBeside(p, temporary);
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
