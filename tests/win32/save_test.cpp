// SPDX-License-Identifier: MIT
// Saving: the text file encoding and failures, and the real save dialog,
// driven from a timer on the dialog's own message loop.
#include <algorithm>
#include <cstring>
#include <functional>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

constexpr int FileNameEdit = 0x480;   // edt1
constexpr int FileNameCombo = 0x47c;  // cmb13

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

// Plays the user at the save dialog: waits for it on the thread's own
// message loop, then types a name and presses OK, or presses Cancel.
class DialogScript {
public:
    // The box the file name is typed into: edt1, or the edit inside cmb13,
    // at any depth, for the dialog of Windows Vista and later nests them
    // inside other windows where the older dialog has them as children.
    static HWND fileNameBox(HWND dialog) {
        if (HWND edit = findControl(dialog, FileNameEdit)) return edit;
        HWND combo = findControl(dialog, FileNameCombo);
        if (!combo) return nullptr;
        HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
        return edit ? edit : combo;
    }

    enum class Answer { Ok, Cancel };
    // With Ok, `names` are typed one after the other, each followed by OK:
    // a folder's name moves the dialog into the folder, as the user does.
    DialogScript(Answer answer, std::wstring name = L"") : DialogScript(answer, std::vector<std::wstring>{name}) {}
    DialogScript(Answer answer, std::vector<std::wstring> names) : answer_(answer), names_(std::move(names)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 50, tick);
    }
    ~DialogScript() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool answered() const { return answered_; }
    bool stuck() const { return stuck_; }
    const std::wstring& title() const { return title_; }

private:
    static HWND findControl(HWND dialog, int id) {
        struct Search {
            int id;
            HWND found;
        } search{id, nullptr};
        EnumChildWindows(  // every descendant, not only the children
            dialog,
            [](HWND h, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                if (GetDlgCtrlID(h) != s->id) return TRUE;
                s->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static HWND findDialog() {
        HWND found = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND h, LPARAM out) -> BOOL {
                if (className(h) == L"#32770" && IsWindowVisible(h)) {
                    *reinterpret_cast<HWND*>(out) = h;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogScript* self = current_;
        if (!self) return;
        HWND dialog = findDialog();
        if (!dialog) return;
        if (self->answered_) {
            // Still a dialog long after the answer (a complaint about the
            // name?): close it so that the test fails instead of hanging.
            if (++self->ticksAfter_ > 400) {  // 20 s, well inside the watchdog
                self->stuck_ = true;
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                PostMessageW(dialog, WM_CLOSE, 0, 0);
            }
            return;
        }
        self->title_ = windowText(dialog);
        if (self->answer_ == Answer::Ok) {
            HWND edit = fileNameBox(dialog);
            if (!edit) return;  // not built yet
            SetWindowTextW(edit, self->names_[self->typed_].c_str());
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
            if (++self->typed_ < self->names_.size()) return;
        } else {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        }
        self->answered_ = true;
    }

    static inline DialogScript* current_ = nullptr;
    Answer answer_;
    std::vector<std::wstring> names_;
    std::size_t typed_ = 0;
    UINT_PTR timer_ = 0;
    bool answered_ = false;
    bool stuck_ = false;
    int ticksAfter_ = 0;
    std::wstring title_;
};

struct SaveWindow : Window {
    SaveWindow() {
        form->start();
        pump();
    }
    void clickSave() {
        SendMessageW(hwnd(ControlId::cmdSave), BM_CLICK, 0, 0);
        ws.rethrowHeld();
    }
};

TEST(DialogScript, FindsTheNameBoxNestedAsInTheNewerDialog) {
    HWND dialog = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND pane = CreateWindowW(L"STATIC", L"", WS_CHILD, 0, 0, 400, 300, dialog, nullptr, nullptr, nullptr);
    HWND combo = CreateWindowW(L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 200, 100, pane,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(FileNameCombo)), nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(GetDlgItem(dialog, FileNameCombo), nullptr) << "not a direct child";
    HWND edit = DialogScript::fileNameBox(dialog);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetParent(edit), combo);
    EXPECT_EQ(className(edit), L"Edit");
    DestroyWindow(dialog);
}

// The names in a folder as the file system spells them, "." and ".." aside.
std::vector<std::wstring> namesIn(const Text& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(apiPath(folder + u"\\*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring n = d.cFileName;
        if (n != L"." && n != L"..") names.push_back(n);
    } while (FindNextFileW(h, &d));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SaveDialog, OkWithANameWithoutExtensionSavesListingDotTxt) {
    ScratchFolder dir;
    SaveWindow win;
    win.form->C.txtResult->setText(u"C:\\one\r\nC:\\two\r\n");
    DialogScript script(DialogScript::Answer::Ok, w(dir / "listing"));
    win.clickSave();
    EXPECT_TRUE(script.answered());
    EXPECT_FALSE(script.stuck());
    EXPECT_EQ(win.form->C.form->caption(), u8("保存成功。"));
    // The file is spelled exactly as the dialog named it (Wine would find
    // it by any other case too). The dialog adds the extension: ".TXT" on
    // Windows, where Wine lower-cases the filter's.
    ASSERT_EQ(win.dialog.answers.size(), 1u);
    const Text chosen = win.dialog.answers[0].fileBuffer;
    EXPECT_EQ(CompareStringOrdinal(wide(chosen), -1, wide(dir / "listing.TXT"), -1, TRUE), CSTR_EQUAL)
        << toUtf8(chosen);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::wstring>{w(chosen.substr(chosen.rfind(u'\\') + 1))});
    EXPECT_EQ(readBytes(chosen), "C:\\one\r\nC:\\two\r\n\r\n");
    EXPECT_TRUE(win.messages.empty());
    if (GetACP() == 936) EXPECT_EQ(script.title(), L"\u4FDD\u5B58\u6587\u4EF6\u6E05\u5355");
}

TEST(SaveDialog, CancelPutsTheSiteNameInTheTitle) {
    SaveWindow win;
    win.form->C.txtResult->setText(u"x\r\n");
    DialogScript script(DialogScript::Answer::Cancel);
    win.clickSave();
    EXPECT_TRUE(script.answered());
    EXPECT_FALSE(script.stuck());
    EXPECT_EQ(win.form->C.form->caption(), u"Malvorn");
    EXPECT_TRUE(win.messages.empty());
}

TEST(SaveDialog, TextOutsideTheCodePageIsSavedAsUtf8WithMark) {
    ScratchFolder dir;
    SaveWindow win;
    win.form->C.txtResult->setText(u"\U0001F600\r\n");
    DialogScript script(DialogScript::Answer::Ok, w(dir / "smile.txt"));
    win.clickSave();
    EXPECT_FALSE(script.stuck());
    EXPECT_EQ(readBytes(dir / "smile.txt"), "\xEF\xBB\xBF\xF0\x9F\x98\x80\r\n\r\n");
}

// Names that the ANSI code page cannot hold (Korean, an emoji and a bullet
// have no form in 936 or 1252) are saved under their own names; the text
// follows the usual rule: GBK where it can hold it, else UTF-8 with a mark.
TEST(SaveDialog, NamesOutsideTheCodePageAreSavedUnderTheirOwnNames) {
    ScratchFolder dir;
    dir.folder("\xED\x95\x9C\xEA\xB8\x80");  // 한글
    dir.folder("x\xE2\x80\xA2y");            // x•y
    const char* const targets[] = {
        "\xED\x95\x9C\xEA\xB8\x80\\a\xF0\x9F\x98\x80"
        "b.txt",                                               // 한글\a😀b.txt
        "x\xE2\x80\xA2y\\\xE6\xB8\x85\xE5\x8D\x95.txt"};       // x•y\清单.txt
    const Text text = u8("C:\\\xE6\xB8\x85\xE5\x8D\x95\r\n");  // C:\清单
    const std::string expected =
        GetACP() == 936 ? std::string("C:\\\xC7\xE5\xB5\xA5\r\n\r\n") : "\xEF\xBB\xBF" + toUtf8(text) + "\r\n";
    for (const char* target : targets) {
        SaveWindow win;
        win.form->C.txtResult->setText(text);
        DialogScript script(DialogScript::Answer::Ok, w(dir / target));
        win.clickSave();
        EXPECT_FALSE(script.stuck());
        EXPECT_EQ(win.form->C.form->caption(), u8("保存成功。")) << target;
        EXPECT_TRUE(win.messages.empty()) << toUtf8(win.messages.front().text);
        EXPECT_EQ(readBytes(dir / target), expected) << target;
        const Text full = dir / target;
        const std::size_t cut = full.rfind(u'\\');
        EXPECT_EQ(namesIn(full.substr(0, cut)), std::vector<std::wstring>{w(full.substr(cut + 1))});
    }
}

// The length limit stays that of the ANSI dialog: 259 bytes of the code
// page, where a Chinese character takes two.
TEST(SaveDialog, ANameLongerThanTheLimitInTheCodePageIsRefused) {
    if (GetACP() != 936) GTEST_SKIP() << "code page " << GetACP();
    ScratchFolder dir;
    std::string folder;
    for (int i = 0; i < 60; ++i) folder += "\xE6\xB8\x85";  // 清, 2 bytes in GBK
    dir.folder(folder);
    for (const std::size_t bytes : {259u, 260u}) {
        Text target = dir / (folder + "\\");
        const std::size_t base = toAnsi(target).size() + 4;  // and ".txt"
        ASSERT_LT(base, bytes);
        target += Text(bytes - base, u'x') + u".txt";
        ASSERT_EQ(toAnsi(target).size(), bytes);
        ASSERT_LT(target.size(), 259u) << "shorter in UTF-16 than the limit";
        SaveWindow win;
        win.form->C.txtResult->setText(u"x");
        DialogScript script(DialogScript::Answer::Ok, w(target));
        win.clickSave();
        EXPECT_FALSE(script.stuck());
        if (bytes == 259) {
            EXPECT_EQ(win.form->C.form->caption(), u8("保存成功。"));
            EXPECT_EQ(readBytes(target), "x\r\n");
        } else {
            EXPECT_EQ(win.form->C.form->caption(), u8("未保存。CommDlgExtendedError=12291"));
            EXPECT_EQ(GetFileAttributesW(apiPath(target).c_str()), INVALID_FILE_ATTRIBUTES);
        }
    }
}

// The current folder is the same after a save as before it: the folder
// saved into is not kept busy, and nothing found there runs later.
TEST(SaveDialog, TheCurrentFolderIsGivenBack) {
    ScratchFolder dir;
    dir.folder("start");
    dir.folder("elsewhere");
    const CurrentFolder current(dir / "start");
    SaveWindow win;
    win.form->C.txtResult->setText(u"x");
    // Into the folder first, then the name: the dialog moves the current
    // folder with it unless it is told not to.
    DialogScript script(DialogScript::Answer::Ok, {w(dir / "elsewhere"), L"saved.txt"});
    win.clickSave();
    EXPECT_FALSE(script.stuck());
    EXPECT_EQ(win.form->C.form->caption(), u8("保存成功。"));
    EXPECT_EQ(readBytes(dir / "elsewhere\\saved.txt"), "x\r\n");
    EXPECT_EQ(currentFolder(), w(dir / "start"));
}

TEST(SaveDialog, AFailedCreateIsReportedNotPassedAsSuccess) {
    ScratchFolder dir;
    dir.file("held.TXT", "old");
    HANDLE holder = CreateFileW(apiPath(dir / "held.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    SaveWindow win;
    win.form->C.txtResult->setText(u"x");
    DialogScript script(DialogScript::Answer::Ok, w(dir / "held.TXT"));
    win.clickSave();
    CloseHandle(holder);
    EXPECT_FALSE(script.stuck());
    ASSERT_EQ(win.messages.size(), 1u);
    EXPECT_EQ(win.messages[0].title, u8("VB运行时错误：") + decimal(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(win.messages[0].style, 48);
    EXPECT_EQ(win.form->C.form->caption().substr(0, 5), u8("保存失败。"));
    EXPECT_EQ(readBytes(dir / "held.TXT"), "old");
}

}  // namespace
}  // namespace malvorn::wintest
