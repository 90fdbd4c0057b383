// SPDX-License-Identifier: MIT
// A listing of a real folder: hidden and system entries, the access keys
// that start and stop it, lines and a user's click in their order.
#include <algorithm>

#include "platform/win32/win32_result_box.h"
#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

TEST(Win32Listing, ListsARealFolderWithHiddenAndSystemEntries) {
    ScratchFolder dir;
    dir.folder("a");
    dir.folder("a\\deep");
    dir.folder("b-hidden", FILE_ATTRIBUTE_HIDDEN);
    dir.folder("c-system", FILE_ATTRIBUTE_SYSTEM);
    dir.folder("\xE4\xB8\xAD\xE6\x96\x87");                  // 中文
    dir.folder("\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD");  // ελλην
    dir.file("f.txt", "x");
    dir.file("h.txt", "x", FILE_ATTRIBUTE_HIDDEN);

    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtPath->setText(dir.path());
    ASSERT_TRUE(win.messages.empty()) << toUtf8(win.messages.front().text);
    EXPECT_EQ(win.form->C.drDir->path(), dir.path());
    win.form->C.ChNoPath->setValue(0);
    win.form->C.txtLevel->setText(u"3");

    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    const std::string base = toUtf8(dir.path());
    auto runOnce = [&] {
        // Pressed as the user presses it.
        SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
        win.ws.rethrowHeld();
        win.pump();
        return sorted(win.resultLines());
    };
    EXPECT_EQ(runOnce(), sorted({base + "\\a", base + "\\a\\deep", base + "\\\xE4\xB8\xAD\xE6\x96\x87",
                                 base + "\\\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD"}));
    EXPECT_EQ(windowText(win.hwnd(ControlId::cmdDoIt)), w(captions::DoItIdle()));

    win.form->C.ChHidden->setValue(1);
    win.form->C.ChFiles->setValue(1);
    EXPECT_EQ(runOnce(),
              sorted({base + "\\a", base + "\\a\\deep", base + "\\b-hidden", base + "\\\xE4\xB8\xAD\xE6\x96\x87",
                      base + "\\\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD", base + "\\f.txt", base + "\\h.txt"}))
        << "system entries never: the mask only ever adds hidden";

    // Bare names, indented by level.
    win.form->C.ChNoPath->setValue(1);
    win.form->C.ChHidden->setValue(0);
    win.form->C.ChFiles->setValue(0);
    win.form->C.txtLevel->setText(u"2");
    const std::vector<std::string> bare = runOnce();
    EXPECT_NE(std::find(bare.begin(), bare.end(), "a"), bare.end());
    EXPECT_NE(std::find(bare.begin(), bare.end(), "    deep"), bare.end());
    EXPECT_TRUE(win.messages.empty());
}

TEST(Win32Listing, AccessKeyStartsTheListingAndResultTextArrivesInOnePiece) {
    ScratchFolder dir;
    for (int i = 0; i < 50; ++i) dir.folder("f" + std::to_string(100 + i));
    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtPath->setText(dir.path());
    win.form->C.ChNoPath->setValue(0);
    // Alt+B, as the keyboard sends it.
    PostMessageW(win.hwnd(ControlId::drDrive), WM_SYSKEYDOWN, 'B', 1 << 29);
    win.pump();
    const std::vector<std::string> lines = win.resultLines();
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines.front(), toUtf8(dir.path()) + "\\f100");
    // Nothing is held back once the box is read.
    HWND box = win.hwnd(ControlId::txtResult);
    EXPECT_EQ(static_cast<std::size_t>(GetWindowTextLengthW(box)), win.form->C.txtResult->text().size());
    EXPECT_EQ(SendMessageW(box, EM_GETLINECOUNT, 0, 0), 51);
}

TEST(Win32Listing, AltXStopsARunningListing) {
    ScratchFolder dir;
    for (int i = 0; i < 20; ++i) {
        dir.folder("f" + std::to_string(100 + i));
        dir.folder("f" + std::to_string(100 + i) + "\\inner");
    }
    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtLevel->setText(u"5");
    win.form->C.txtPath->setText(dir.path());
    ASSERT_EQ(win.form->State.Levels, 5);
    // Waiting in the queue: the walk's first pump finds it, while the
    // button reads "停止(&X)".
    PostMessageW(win.hwnd(ControlId::drDrive), WM_SYSKEYDOWN, 'X', 1 << 29);
    SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
    win.ws.rethrowHeld();
    EXPECT_LT(win.resultLines().size(), 40u);
    EXPECT_FALSE(win.form->State.Running);
    EXPECT_EQ(windowText(win.hwnd(ControlId::cmdDoIt)), w(captions::DoItIdle()));
}

TEST(Win32Listing, LinesWrittenBeforeAUsersClickAreInTheBoxBeforeIt) {
    Window win;
    win.form->start();
    win.pump();
    ITextBox& result = *win.form->C.txtResult;
    // A pump just before, as the walk pumps once a folder: a box that held
    // lines back until some time had passed would not have A and B yet.
    result.replaceSelection(u"old\r\n");
    win.ws.doEvents();
    result.replaceSelection(u"A\r\n");
    result.replaceSelection(u"B\r\n");
    // The click waits in the queue, as it does while the walk writes; the
    // walk's next pump delivers it: onto line B, which is there.
    auto* box = ResultBoxWindow::of(win.hwnd(ControlId::txtResult));
    ASSERT_NE(box, nullptr);
    const LPARAM lineB = MAKELPARAM(0, 2 * box->lineHeight() + box->lineHeight() / 2);
    PostMessageW(win.hwnd(ControlId::txtResult), WM_LBUTTONDOWN, MK_LBUTTON, lineB);
    PostMessageW(win.hwnd(ControlId::txtResult), WM_LBUTTONUP, 0, lineB);
    win.ws.doEvents();
    result.replaceSelection(u"X\r\n");
    EXPECT_EQ(win.resultLines(), (std::vector<std::string>{"old", "A", "X", "B"}));
    result.setText(Text());
    result.replaceSelection(u"x");
    EXPECT_EQ(windowText(win.hwnd(ControlId::txtResult)), L"x");
}

TEST(Win32Listing, AStopPressedWhileTheListingRanStartsNothingOnceItHasEnded) {
    SpyWindow win;
    HWND button = win.ws.control(ControlId::cmdDoIt).handle();
    win.c.cmdDoIt->setCaption(captions::DoItRunning());
    Sleep(30);  // message times count in milliseconds
    // Pressed and released during the run, taken from the queue after it.
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    Sleep(30);
    win.c.cmdDoIt->setCaption(captions::DoItIdle());
    win.ws.doEvents();
    EXPECT_EQ(win.spy.count["DoIt"], 0);
    // Pressed on the idle caption: a start.
    Sleep(30);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    win.ws.doEvents();
    EXPECT_EQ(win.spy.count["DoIt"], 1);
    // Pressed while running, released after: the caption it was pressed on is gone.
    win.c.cmdDoIt->setCaption(captions::DoItRunning());
    Sleep(30);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    win.ws.doEvents();
    win.c.cmdDoIt->setCaption(captions::DoItIdle());
    PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    win.ws.doEvents();
    EXPECT_EQ(win.spy.count["DoIt"], 1);
    // A click from code is always a click.
    SendMessageW(button, BM_CLICK, 0, 0);
    win.ws.rethrowHeld();
    EXPECT_EQ(win.spy.count["DoIt"], 2);
}

}  // namespace
}  // namespace malvorn::wintest
