// SPDX-License-Identifier: MIT
// The keyboard: Enter in the folder list, the depth box's keys, Tab order,
// Enter and Esc that press no button.
#include <algorithm>

#include "win32_fixture.h"
// After windows.h, which the fixture brings.
#include <commctrl.h>

namespace malvorn::wintest {
namespace {

TEST(Win32Keys, EnterInTheFolderListOpensTheSelectedFolder) {
    ScratchFolder dir;
    dir.folder("inner");
    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtPath->setText(dir.path());
    ASSERT_EQ(win.form->C.drDir->path(), dir.path());
    HWND list = win.hwnd(ControlId::drDir);
    const auto& lines = dynamic_cast<FolderList&>(win.ws.control(ControlId::drDir)).linePaths();
    ASSERT_EQ(lines.back(), dir / "inner");
    SendMessageW(list, LB_SETCURSEL, lines.size() - 1, 0);
    PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    win.pump();
    EXPECT_EQ(win.form->C.drDir->path(), dir / "inner");
    EXPECT_EQ(win.form->C.txtPath->text(), dir / "inner");
    EXPECT_TRUE(win.messages.empty());
}

TEST(Win32Keys, KeyDownReachesTheDepthBoxHandlerFirst) {
    SpyWindow win;
    HWND box = win.ws.control(ControlId::txtLevel).handle();
    SendMessageW(box, WM_KEYDOWN, VK_UP, 0);
    SendMessageW(box, WM_KEYDOWN, VK_NEXT, 0);
    win.ws.rethrowHeld();
    EXPECT_EQ(win.spy.keys, (std::vector<std::int16_t>{38, 34}));
    // A handler that clears the code keeps the key from the box.
    win.spy.replaceKeyWith = 0;
    SendMessageW(box, EM_SETSEL, 1, 1);
    SendMessageW(box, WM_KEYDOWN, VK_HOME, 0);
    DWORD start = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(start, 1u);
    win.spy.replaceKeyWith = -1;
    SendMessageW(box, WM_KEYDOWN, VK_HOME, 0);
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(start, 0u);
}

TEST(Win32Keys, UpDownPageKeysStepTheDepth) {
    Window win;
    win.form->start();
    win.pump();
    HWND box = win.hwnd(ControlId::txtLevel);
    auto key = [&](WPARAM vk) {
        SendMessageW(box, WM_KEYDOWN, vk, 0);
        win.ws.rethrowHeld();
    };
    key(VK_UP);
    EXPECT_EQ(win.form->C.txtLevel->text(), u"2");
    EXPECT_EQ(win.form->State.Levels, 2);
    EXPECT_EQ(win.form->C.VSLevel->value(), 32765);
    key(VK_PRIOR);
    EXPECT_EQ(win.form->C.txtLevel->text(), u"12");
    key(VK_DOWN);
    EXPECT_EQ(win.form->C.txtLevel->text(), u"11");
    key(VK_NEXT);
    EXPECT_EQ(win.form->C.txtLevel->text(), u"1");
    EXPECT_EQ(win.form->State.Levels, 1);
    EXPECT_EQ(win.form->C.VSLevel->value(), 32766);
    // The scroll bar moves the box.
    HWND bar = win.hwnd(ControlId::VSLevel);
    SendMessageW(GetParent(bar), WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), reinterpret_cast<LPARAM>(bar));
    win.ws.rethrowHeld();
    EXPECT_EQ(win.form->C.txtLevel->text(), u"2");
    EXPECT_TRUE(win.messages.empty());
}

TEST(Win32Keys, TabFollowsTheTabOrderAndEnterPressesNoButton) {
    Window win;
    win.form->start();
    win.pump();
    const std::vector<HWND>& tabs = win.ws.tabOrder();
    SetFocus(tabs[0]);
    if (GetFocus() != tabs[0]) GTEST_SKIP() << "no keyboard focus in this environment";
    for (std::size_t i = 1; i <= tabs.size(); ++i) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        win.pump();
        EXPECT_EQ(GetFocus(), tabs[i % tabs.size()]) << i;
    }
    // Enter on the start button: nothing runs.
    SetFocus(win.hwnd(ControlId::cmdDoIt));
    PostMessageW(win.hwnd(ControlId::cmdDoIt), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(win.hwnd(ControlId::cmdDoIt), WM_CHAR, L'\r', 0);
    PostMessageW(win.hwnd(ControlId::cmdDoIt), WM_KEYDOWN, VK_ESCAPE, 0);
    win.pump();
    EXPECT_TRUE(win.form->C.txtResult->text().empty());
    EXPECT_FALSE(win.form->State.Running);
    EXPECT_TRUE(IsWindow(win.main()));
}

// Windows hides focus rectangles and underlines until the keyboard is used,
// and shows them when the window is told so, as the dialog manager tells it:
// the focus for Tab, both for Alt. Wine keeps no such state (it always
// draws them and answers WM_QUERYUISTATE with 0), so what is checked is the
// message the top-level window gets.
LRESULT CALLBACK recordUiState(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR seen) {
    if (msg == WM_CHANGEUISTATE) reinterpret_cast<std::vector<WPARAM>*>(seen)->push_back(wParam);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST(Win32Keys, TabAndAltShowTheKeyboardCues) {
    Window win;
    win.form->start();
    win.pump();
    std::vector<WPARAM> seen;
    SetWindowSubclass(win.main(), recordUiState, 1, reinterpret_cast<DWORD_PTR>(&seen));
    HWND button = win.hwnd(ControlId::cmdDoIt);
    PostMessageW(button, WM_KEYDOWN, VK_TAB, 0);
    win.pump();
    PostMessageW(button, WM_SYSKEYDOWN, VK_MENU, 1 << 29);
    win.pump();
    RemoveWindowSubclass(win.main(), recordUiState, 1);
    EXPECT_EQ(seen, (std::vector<WPARAM>{MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS),
                                         MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL)}));
}

TEST(Win32Keys, DigitsTypedOneByOneIntoTheDepthBoxGiveThatDepth) {
    Window win;
    win.form->start();
    win.pump();
    HWND box = win.hwnd(ControlId::txtLevel);
    for (const char* typed : {"12", "345", "32767"}) {
        SendMessageW(box, EM_SETSEL, 0, -1);
        for (const char* c = typed; *c; ++c) {
            SendMessageW(box, WM_CHAR, static_cast<WPARAM>(*c), 1);
            win.ws.rethrowHeld();
        }
        EXPECT_EQ(win.form->C.txtLevel->text(), u8(typed));
        EXPECT_EQ(win.form->State.Levels, std::stoi(typed));
    }
    // A letter is taken out again; the caret stays at the end for the next digit.
    SendMessageW(box, WM_CHAR, L'a', 1);
    SendMessageW(box, WM_CHAR, L'1', 1);
    win.ws.rethrowHeld();
    EXPECT_EQ(win.form->C.txtLevel->text(), u"32767") << "32767 is the most";
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, WM_CHAR, L'4', 1);
    SendMessageW(box, WM_CHAR, L'x', 1);
    SendMessageW(box, WM_CHAR, L'2', 1);
    win.ws.rethrowHeld();
    EXPECT_EQ(win.form->C.txtLevel->text(), u"42");
    EXPECT_TRUE(win.messages.empty());
}

}  // namespace
}  // namespace malvorn::wintest
