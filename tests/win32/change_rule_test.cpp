// SPDX-License-Identifier: MIT
// The change-event rule on the window system alone: text boxes and the
// scroll bar, by assignment and by the user's action.
#include <algorithm>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

TEST(Win32ChangeRule, TextBoxesRaiseChangeOnEveryAssignmentEvenTheSameText) {
    SpyWindow win;
    win.c.txtPath->setText(u"abc");
    EXPECT_EQ(win.spy.count["Path"], 1);
    win.c.txtPath->setText(u"abc");
    EXPECT_EQ(win.spy.count["Path"], 2) << "unchanged text raises Change all the same";
    win.c.txtLevel->setText(u"1");
    win.c.txtLevel->setText(u"1");
    EXPECT_EQ(win.spy.count["Level"], 2);
    win.c.txtLevel->replaceSelection(u"2");
    EXPECT_EQ(win.spy.count["Level"], 3);
    EXPECT_EQ(win.spy.count["Path"], 2) << "no native change counted twice";
    win.ws.doEvents();
    EXPECT_EQ(win.spy.count["Path"], 2);
    EXPECT_EQ(win.spy.count["Level"], 3);
}

TEST(Win32ChangeRule, TypingIntoABoxRaisesChangeOncePerEdit) {
    SpyWindow win;
    HWND box = win.ws.control(ControlId::txtLevel).handle();
    SendMessageW(box, EM_SETSEL, 1, 1);
    SendMessageW(box, WM_CHAR, L'7', 1);
    win.ws.rethrowHeld();
    EXPECT_EQ(win.spy.count["Level"], 1);
    EXPECT_EQ(win.c.txtLevel->text(), u"17");
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"42"));
    EXPECT_EQ(win.spy.count["Level"], 2);
}

TEST(Win32ChangeRule, ScrollBarRaisesChangeOnlyWhenTheValueChanges) {
    SpyWindow win;
    win.c.VSLevel->setValue(32766);
    EXPECT_EQ(win.spy.count["VSChange"], 0);
    win.c.VSLevel->setValue(100);
    EXPECT_EQ(win.spy.count["VSChange"], 1);
    EXPECT_EQ(win.c.VSLevel->value(), 100);
    EXPECT_EQ(GetScrollPos(win.ws.control(ControlId::VSLevel).handle(), SB_CTL), 100);
    win.c.VSLevel->setValue(100);
    EXPECT_EQ(win.spy.count["VSChange"], 1);
    EXPECT_THROW(win.c.VSLevel->setValue(-1), PlatformError);
    EXPECT_EQ(win.c.VSLevel->value(), 100);
}

TEST(Win32ChangeRule, ScrollBarUserActions) {
    SpyWindow win;
    HWND bar = win.ws.control(ControlId::VSLevel).handle();
    HWND parent = GetParent(bar);
    auto scroll = [&](int code, int pos = 0) {
        SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(bar));
        win.ws.rethrowHeld();
    };
    scroll(SB_LINEUP);
    EXPECT_EQ(win.c.VSLevel->value(), 32765);
    EXPECT_EQ(win.spy.count["VSChange"], 1);
    scroll(SB_ENDSCROLL);
    EXPECT_EQ(win.spy.count["VSChange"], 1);
    scroll(SB_PAGEUP);
    EXPECT_EQ(win.c.VSLevel->value(), 32755);
    scroll(SB_PAGEDOWN);
    scroll(SB_LINEDOWN);
    EXPECT_EQ(win.c.VSLevel->value(), 32766);
    EXPECT_EQ(win.spy.count["VSChange"], 4);
    scroll(SB_LINEDOWN);  // already at the end
    EXPECT_EQ(win.spy.count["VSChange"], 4);
    // Dragging the thumb: Scroll while it moves, Change once released.
    scroll(SB_THUMBTRACK, 32000);
    scroll(SB_THUMBTRACK, 31000);
    EXPECT_EQ(win.spy.count["VSScroll"], 2);
    EXPECT_EQ(win.c.VSLevel->value(), 31000);
    scroll(SB_THUMBPOSITION, 31000);
    EXPECT_EQ(win.spy.count["VSChange"], 4);
    scroll(SB_ENDSCROLL);
    EXPECT_EQ(win.spy.count["VSChange"], 5);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 31000);
}

TEST(Win32ChangeRule, ANotificationWithoutAChangeRaisesNothingAndTheSameTextKeepsTheCaret) {
    SpyWindow win;
    HWND box = win.ws.control(ControlId::txtPath).handle();
    win.c.txtPath->setText(u"abcdef");
    ASSERT_EQ(win.spy.count["Path"], 1);
    // What Wine sends on Ctrl+A: a change notification with the text as it was.
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), EN_CHANGE), reinterpret_cast<LPARAM>(box));
    win.ws.rethrowHeld();
    EXPECT_EQ(win.spy.count["Path"], 1) << "nothing changed";
    // The same text from code: Change all the same, the selection stays.
    SendMessageW(box, EM_SETSEL, 2, 4);
    win.c.txtPath->setText(u"abcdef");
    EXPECT_EQ(win.spy.count["Path"], 2);
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 4u);
    // Other text: the caret at its end.
    win.c.txtPath->setText(u"xy");
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 2u);
    EXPECT_EQ(win.spy.count["Path"], 3);
}

}  // namespace
}  // namespace malvorn::wintest
