// SPDX-License-Identifier: MIT
// Saving: the text file encoding and failures, and the real save dialog,
// driven from a timer on the dialog's own message loop.
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

// Plays the user at the save dialog: waits for it on the thread's own
// message loop, then types a name and presses OK, or presses Cancel.
class DialogScript {
public:
    enum class Answer { Ok, Cancel };
    DialogScript(Answer answer, std::wstring name = L"") : answer_(answer), name_(std::move(name)) {
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
            HWND edit = GetDlgItem(dialog, FileNameEdit);
            if (!edit) {
                HWND combo = GetDlgItem(dialog, FileNameCombo);
                edit = combo ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : nullptr;
                if (!edit) edit = combo;
            }
            if (!edit) return;  // not built yet
            SetWindowTextW(edit, self->name_.c_str());
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        } else {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        }
        self->answered_ = true;
    }

    static inline DialogScript* current_ = nullptr;
    Answer answer_;
    std::wstring name_;
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

TEST(SaveDialog, OkWithANameWithoutExtensionSavesListingDotTxt) {
    ScratchFolder dir;
    SaveWindow win;
    win.form->C.txtResult->setText(u"C:\\one\r\nC:\\two\r\n");
    DialogScript script(DialogScript::Answer::Ok, w(dir / "listing"));
    win.clickSave();
    EXPECT_TRUE(script.answered());
    EXPECT_FALSE(script.stuck());
    EXPECT_EQ(win.form->C.form->caption(), u8("保存成功。"));
    EXPECT_EQ(readBytes(dir / "listing.TXT"), "C:\\one\r\nC:\\two\r\n\r\n");
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
