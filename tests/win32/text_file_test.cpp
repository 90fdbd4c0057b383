// SPDX-License-Identifier: MIT
// Text files: the encoding, failures, and the paths a save hands the file
// functions; the calls a walk makes to them for a name.
#include <winternl.h>

#include <cstdio>
#include <cstring>

#include "win32_fixture.h"

// Not in winternl.h.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace malvorn::wintest {
namespace {

std::string ansi(const Text& text) {
    bool lossy = false;
    return toAnsi(text, &lossy);
}

TEST(TextFile, AnsiWithoutMarkWhenEveryCharacterFits) {
    const Text text = u"C:\\a\\b\r\n";
    bool utf8 = true;
    EXPECT_EQ(encodeForFile(text, &utf8), "C:\\a\\b\r\n");
    EXPECT_FALSE(utf8);
}

TEST(TextFile, Utf8WithMarkWhenACharacterDoesNotFit) {
    // U+1F600 has no form in any ANSI code page.
    const Text text = u"a\U0001F600b";
    bool utf8 = false;
    EXPECT_EQ(encodeForFile(text, &utf8),
              "\xEF\xBB\xBF"
              "a\xF0\x9F\x98\x80"
              "b");
    EXPECT_TRUE(utf8);
    bool lossy = false;
    toAnsi(text, &lossy);
    EXPECT_TRUE(lossy);
}

TEST(TextFile, NoBestFitLookAlikes) {
    // In code page 1252 "ĉ" would become "c" with best fit; it must count
    // as not representable instead.
    if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
    bool lossy = false;
    toAnsi(u"\u0109", &lossy);
    EXPECT_TRUE(lossy);
    toAnsi(u"\u00E9", &lossy);
    EXPECT_FALSE(lossy);
}

TEST(TextFile, WritesAndReportsFailures) {
    ScratchFolder dir;
    TextFileSystem files;
    {
        auto file = files.createForOutput(dir / "out.txt");
        file->write(u"\u00E9t\u00E9\r\n");
        file->close();
        file->close();  // a second close does nothing
    }
    EXPECT_EQ(readBytes(dir / "out.txt"), ansi(u"\u00E9t\u00E9\r\n"));
    {
        auto file = files.createForOutput(dir / "out.txt");  // emptied
        file->write(u"\u4E2D\U0001F600\r\n");
        file->close();
    }
    EXPECT_EQ(readBytes(dir / "out.txt"), "\xEF\xBB\xBF\xE4\xB8\xAD\xF0\x9F\x98\x80\r\n");

    try {
        files.createForOutput(dir / "missing\\out.txt");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(e.description().empty());
    }
    // A file that another handle holds without sharing.
    dir.file("locked.txt", "x");
    HANDLE holder =
        CreateFileW(apiPath(dir / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    try {
        files.createForOutput(dir / "locked.txt");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_SHARING_VIOLATION);
    }
    CloseHandle(holder);

    // The new text is complete, but the old file cannot give up its name:
    // another handle holds it without letting it be deleted or renamed
    // over. The save fails, says so, and leaves the old file as it was and
    // nothing beside it.
    dir.file("kept.txt", "old text\r\n");
    {
        auto file = files.createForOutput(dir / "kept.txt");
        file->write(u"new text\r\n");
        HANDLE reader = CreateFileW(apiPath(dir / "kept.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE);
        try {
            file->close();
            ADD_FAILURE() << "a replace that could not happen was reported as a success";
        } catch (const PlatformError& e) {
            EXPECT_NE(e.number(), 0);
            EXPECT_FALSE(e.description().empty());
        }
        CloseHandle(reader);
    }
    EXPECT_EQ(readBytes(dir / "kept.txt"), "old text\r\n");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(apiPath(dir / "~kept.txt*").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file was left: " << toUtf8(fromWide(found.cFileName));
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// While it lives, the entries of this program's import table for a kernel32
// function lead to a stand-in: every call that the backend (linked into
// this program) makes to the function goes there.
class ImportPatch {
public:
    ImportPatch(const char* name, void* standIn) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* nt =
            reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
            if (!d->OriginalFirstThunk) continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) == 0)
                    slots_.push_back(reinterpret_cast<void**>(&slots->u1.Function));
            }
        }
        if (slots_.empty()) {
            ADD_FAILURE() << name << " is not imported";
            return;
        }
        original_ = *slots_.front();
        for (void** slot : slots_) write(slot, standIn);
    }
    ~ImportPatch() {
        for (void** slot : slots_) write(slot, original_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    template <class F>
    F original() const {
        return reinterpret_cast<F>(original_);
    }

private:
    static void write(void** slot, void* value) {
        DWORD old = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
        *slot = value;
        VirtualProtect(slot, sizeof *slot, old, &old);
    }
    std::vector<void**> slots_;
    void* original_ = nullptr;
};

// The paths handed to the file functions a save uses, as they were handed.
class HandedPaths {
public:
    HandedPaths()
        : create_("CreateFileW", reinterpret_cast<void*>(&create)),
          replace_("ReplaceFileW", reinterpret_cast<void*>(&replace)),
          move_("MoveFileExW", reinterpret_cast<void*>(&move)),
          remove_("DeleteFileW", reinterpret_cast<void*>(&remove)) {
        current_ = this;
    }
    ~HandedPaths() { current_ = nullptr; }
    std::vector<std::wstring> paths;

private:
    static HANDLE WINAPI create(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE model) {
        current_->paths.push_back(name);
        return current_->create_.original<decltype(&CreateFileW)>()(name, access, share, security, disposition, flags,
                                                                    model);
    }
    static BOOL WINAPI replace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                               LPVOID reserved) {
        current_->paths.push_back(replaced);
        current_->paths.push_back(replacement);
        if (backup) current_->paths.push_back(backup);
        return current_->replace_.original<decltype(&ReplaceFileW)>()(replaced, replacement, backup, flags, exclude,
                                                                      reserved);
    }
    static BOOL WINAPI move(LPCWSTR from, LPCWSTR to, DWORD flags) {
        current_->paths.push_back(from);
        current_->paths.push_back(to);
        return current_->move_.original<decltype(&MoveFileExW)>()(from, to, flags);
    }
    static BOOL WINAPI remove(LPCWSTR name) {
        current_->paths.push_back(name);
        return current_->remove_.original<decltype(&DeleteFileW)>()(name);
    }
    static inline HandedPaths* current_ = nullptr;
    ImportPatch create_, replace_, move_, remove_;
};

// A save makes a temporary file 14 characters longer than its target, then
// puts it in the target's place: every one of these paths must fit the
// classic limit of 259 characters or carry the \\?\ prefix, which Wine does
// not ask for (it has no such limit) but Windows does.
TEST(TextFile, EveryPathASaveHandsTheSystemFitsTheClassicLimitOrTakesTheLongForm) {
    ScratchFolder dir;
    // Two folders bring the path to 230 characters, each name within 255.
    const std::size_t room = 230 - dir.path().size() - 2;
    const std::string first(room / 2, 'a'), second(room - room / 2, 'b');
    dir.folder(first);
    dir.folder(first + "\\" + second);
    const Text folder = dir / (first + "\\" + second);
    ASSERT_EQ(folder.size(), 230u);
    TextFileSystem files;
    std::size_t prefixed = 0;
    for (std::size_t length = 246; length <= 300; ++length) {
        const Text target = folder + u"\\" + Text(length - folder.size() - 5, u'n') + u".txt";
        ASSERT_EQ(target.size(), length);
        HandedPaths handed;
        for (const char* text : {"new", "replaced"}) {
            auto file = files.createForOutput(target);
            file->write(fromUtf8(text));
            file->close();
        }
        EXPECT_EQ(readBytes(target), "replaced");
        EXPECT_GE(handed.paths.size(), 4u) << "the file functions were not reached through the stand-ins";
        for (const std::wstring& p : handed.paths) {
            const bool longForm = p.rfind(L"\\\\?\\", 0) == 0;
            EXPECT_TRUE(p.size() <= 259 || longForm) << length << ": " << p.size() << " characters without \\\\?\\";
            prefixed += longForm;
        }
    }
    EXPECT_GT(prefixed, 0u);
}

// The calls made to the system's file functions while it lives, counted
// through the program's import table.
struct FileCalls {
    static inline int count = 0;
    template <int I, class F>
    struct Stub;
    template <int I, class R, class... A>
    struct Stub<I, R (*)(A...)> {
        static inline void* original = nullptr;
        static R WINAPI call(A... a) { return ++count, reinterpret_cast<R (*)(A...)>(original)(a...); }
    };
    std::vector<std::unique_ptr<ImportPatch>> patches;
    template <int I, class F>
    void patch(const char* name, F) {
        patches.push_back(std::make_unique<ImportPatch>(name, reinterpret_cast<void*>(&Stub<I, F>::call)));
        Stub<I, F>::original = patches.back()->original<void*>();
    }
#define MALVORN_COUNT(f) patch<__LINE__>(#f, &f)
    FileCalls() {
        count = 0;
        MALVORN_COUNT(NtOpenFile), MALVORN_COUNT(NtQueryInformationFile), MALVORN_COUNT(NtQueryDirectoryFile);
        MALVORN_COUNT(NtClose), MALVORN_COUNT(GetFileAttributesW), MALVORN_COUNT(CreateFileW);
        MALVORN_COUNT(CloseHandle), MALVORN_COUNT(GetFileInformationByHandle), MALVORN_COUNT(FindFirstFileExW);
        MALVORN_COUNT(NtQueryVolumeInformationFile);
    }
#undef MALVORN_COUNT
};

// A name of each kind alone in a folder, walked with files and with folders
// only: its calls are the walk's less those of the empty folder's. The link
// is the one scripts/ci-windows makes (MALVORN_LINK_FIXTURE): sub\back,
// leading to the folder that holds sub.
TEST(FileSystem, AFileCostsAtMostTwoCallsBeyondItsFoldersListing) {
    const wchar_t* links = _wgetenv(L"MALVORN_LINK_FIXTURE");
    auto walk = [&](const std::string& kind, bool files) {
        ScratchFolder dir;
        if (kind == "file" || kind == "vanished") dir.file("n", "x");
        if (kind == "folder") dir.folder("n");
        if (kind == "link" && !(links && *links)) return -1;
        Window win;
        win.form->C.txtPath->setText(kind == "link" ? fromWide(links) + u"\\sub" : dir.path());
        win.form->C.ChFiles->setValue(files ? 1 : 0);
        win.form->C.txtLevel->setText(u"5");
        win.ws.aliveInterval = std::chrono::milliseconds(0);  // just before each name is asked about
        if (kind == "vanished") win.ws.hooks.alive = [&] { DeleteFileW(apiPath(dir / "n").c_str()); };
        FileCalls calls;
        SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
        win.ws.rethrowHeld();
        // sub\back, and sub in it, not walked: its identity by index is the start's by FILE_ID_INFO.
        if (kind == "link") EXPECT_EQ(win.resultLines().size(), 2u) << "the folder met again was walked";
        return FileCalls::count;
    };
    for (const bool files : {true, false}) {
        const int listing = walk("", files);
        for (const std::string kind : {"file", "folder", "link", "vanished"}) {
            const int all = walk(kind, files), calls = all - listing;
            if (all < 0) continue;
            std::printf("calls beyond the listing, %s, %s: %d\n", files ? "files" : "folders only", kind.c_str(),
                        calls);
            if (kind == "file" || kind == "vanished") EXPECT_LE(calls, 2) << kind << (files ? "" : ", folders only");
        }
    }
}

}  // namespace
}  // namespace malvorn::wintest
