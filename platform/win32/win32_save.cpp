#include "platform/win32/win32_save.h"

#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <cstddef>
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

SaveDialogResult Win32SaveDialog::show(IForm& owner, const SaveDialogRequest& request) {
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
    auto* form = dynamic_cast<Win32Form*>(&owner);
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

class Win32TextFile : public ITextFile {
public:
    explicit Win32TextFile(HANDLE h) : h_(h) {}
    ~Win32TextFile() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
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
        // save a success.
        const bool flushed = FlushFileBuffers(h) != FALSE;
        const DWORD flushError = flushed ? 0 : GetLastError();
        if (!CloseHandle(h)) throwLastError();
        if (!flushed) throw errorFor(flushError);
    }

private:
    HANDLE h_;
    bool written_ = false;
    bool utf8_ = false;
};

}  // namespace

std::unique_ptr<ITextFile> Win32TextFileSystem::createForOutput(const Text& path) {
    const std::wstring p = apiPath(path);
    HANDLE h =
        CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throwLastError();
    return std::make_unique<Win32TextFile>(h);
}

}  // namespace malvorn::win32
