// SPDX-License-Identifier: MIT
// Saving through the real save dialog, driven from a timer on the dialog's
// own message loop.
#include <algorithm>
#include <functional>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

constexpr int FileNameEdit = 0x480;   // edt1
constexpr int FileNameCombo = 0x47c;  // cmb13

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
