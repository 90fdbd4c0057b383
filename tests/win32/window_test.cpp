// The window and its controls as real Win32 controls: what exists where,
// the change-event rule, keys, the scroll bar, the folder and drive lists,
// a listing of a real folder, keyboard navigation and the close.
#include <algorithm>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

std::wstring expectedClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::SingleLineText:
        case ControlKind::MultiLineText:
            return L"Edit";
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
        case ControlKind::Frame:
            return L"Button";
        case ControlKind::Label:
            return L"Static";
        case ControlKind::DriveList:
            return L"ComboBox";
        case ControlKind::FolderList:
            return L"ListBox";
        case ControlKind::VerticalScrollBar:
            return L"ScrollBar";
    }
    return L"";
}

bool sameClass(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

TEST(Win32Window, EveryControlExistsWithItsDesignedKindPlaceAndCaption) {
    Window win;
    const FormDesign& design = frmMainDesign();
    RECT client;
    GetClientRect(win.main(), &client);
    EXPECT_EQ(client.right, 593);
    EXPECT_EQ(client.bottom, 448);
    EXPECT_EQ(windowText(win.main()), w(design.caption));
    EXPECT_FALSE(IsWindowVisible(win.main())) << "built hidden";

    HWND frame = win.hwnd(ControlId::frmSettings);
    auto check = [&](const ControlDesign& d) {
        SCOPED_TRACE(static_cast<int>(d.id));
        HWND h = win.hwnd(d.id);
        ASSERT_TRUE(IsWindow(h));
        EXPECT_TRUE(sameClass(className(h), expectedClass(d.kind))) << toUtf8(t(className(h)));
        EXPECT_EQ(GetParent(h), d.inFrame ? frame : win.main());
        const int div = d.inFrame ? TwipsPerPixel : 1;
        const RECT r = rectInParent(h);
        EXPECT_EQ(r.left, d.left / div);
        EXPECT_EQ(r.top, d.top / div);
        EXPECT_EQ(r.right - r.left, (d.left + d.width) / div - d.left / div);
        if (d.kind != ControlKind::DriveList)  // its height is the system's
            EXPECT_EQ(r.bottom - r.top, (d.top + d.height) / div - d.top / div);
        const Bounds b = win.ws.control(d.id).bounds();
        EXPECT_EQ(b.left, static_cast<float>(d.left));
        EXPECT_EQ(b.width, static_cast<float>(d.width));
        if (d.kind == ControlKind::PushButton || d.kind == ControlKind::CheckBox || d.kind == ControlKind::Frame ||
            d.kind == ControlKind::Label || d.kind == ControlKind::SingleLineText)
            EXPECT_EQ(windowText(h), w(d.caption));
        const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
        const bool focusable = d.kind != ControlKind::Frame && d.kind != ControlKind::Label;
        EXPECT_EQ((style & WS_TABSTOP) != 0, focusable);
        if (d.kind == ControlKind::PushButton) EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button";
        if (d.kind == ControlKind::DriveList) EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
        if (d.kind == ControlKind::MultiLineText) {
            EXPECT_TRUE(style & ES_MULTILINE);
            EXPECT_TRUE(style & WS_HSCROLL);
            EXPECT_TRUE(style & WS_VSCROLL);
            EXPECT_GE(static_cast<unsigned long long>(SendMessageW(h, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEull);
        }
        if (d.kind == ControlKind::SingleLineText) EXPECT_FALSE(style & ES_MULTILINE);
        if (d.kind == ControlKind::VerticalScrollBar) EXPECT_EQ(style & SBS_VERT, SBS_VERT);
        if (d.kind == ControlKind::Frame) EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX);
    };
    for (const auto& d : design.windowControls) check(d);
    for (const auto& d : design.frameControls) check(d);

    EXPECT_EQ(win.form->C.ChNoPath->value(), 1);
    EXPECT_EQ(win.form->C.ChHidden->value(), 0);
    EXPECT_EQ(win.form->C.ChFiles->value(), 0);
    EXPECT_EQ(SendMessageW(win.hwnd(ControlId::ChNoPath), BM_GETCHECK, 0, 0), BST_CHECKED);

    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(win.hwnd(ControlId::VSLevel), SB_CTL, &si));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, 32766);
    EXPECT_EQ(si.nPos, 32766);
    EXPECT_EQ(win.form->C.VSLevel->value(), 32766);
}

TEST(Win32Window, FrontToBackOrderAndTabOrderFollowTheDesign) {
    Window win;
    const FormDesign& design = frmMainDesign();
    auto children = [](HWND parent) {
        std::vector<HWND> out;
        for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) out.push_back(h);
        return out;
    };
    std::vector<HWND> expectWindow, expectFrame;
    for (const auto& d : design.windowControls) expectWindow.push_back(win.hwnd(d.id));
    for (const auto& d : design.frameControls) expectFrame.push_back(win.hwnd(d.id));
    EXPECT_EQ(children(win.main()), expectWindow);
    EXPECT_EQ(children(win.hwnd(ControlId::frmSettings)), expectFrame);

    const std::vector<HWND> tabs = {
        win.hwnd(ControlId::drDrive),  win.hwnd(ControlId::drDir),     win.hwnd(ControlId::ChFiles),
        win.hwnd(ControlId::ChHidden), win.hwnd(ControlId::ChNoPath),  win.hwnd(ControlId::txtLevel),
        win.hwnd(ControlId::VSLevel),  win.hwnd(ControlId::txtResult), win.hwnd(ControlId::cmdDoIt),
        win.hwnd(ControlId::cmdSave),  win.hwnd(ControlId::txtPath)};
    EXPECT_EQ(win.ws.tabOrder(), tabs);
}

TEST(Win32Window, StartUpShowsTheWindowAndLaysOutTheControls) {
    Window win;
    win.form->start();
    win.pump();
    EXPECT_TRUE(IsWindowVisible(win.main()));
    EXPECT_EQ(win.form->C.txtLevel->text(), u"1");
    EXPECT_EQ(win.form->C.VSLevel->value(), 32766);
    EXPECT_EQ(win.form->State.Levels, 1);
    // The path box shows the folder list's folder.
    EXPECT_EQ(win.form->C.txtPath->text(), win.form->C.drDir->path());
    EXPECT_FALSE(win.form->C.txtPath->text().empty());

    const Bounds frame = win.form->C.frmSettings->bounds();
    EXPECT_EQ(frame.width, 377.0f);
    EXPECT_EQ(frame.height, 424.0f);
    EXPECT_EQ(win.form->C.drDir->bounds().height, 368.0f);
    const Bounds result = win.form->C.txtResult->bounds();
    EXPECT_EQ(result.width, 5415.0f);
    EXPECT_EQ(result.height, 4800.0f);
    EXPECT_EQ(win.form->C.cmdDoIt->bounds().width, 3735.0f);
    EXPECT_EQ(win.form->C.cmdSave->bounds().width, 3735.0f);
    const RECT r = rectInParent(win.hwnd(ControlId::txtResult));
    EXPECT_EQ(r.right - r.left, 361);
    EXPECT_EQ(r.bottom - r.top, 320);
    const RECT f = rectInParent(win.hwnd(ControlId::frmSettings));
    EXPECT_EQ(f.right - f.left, 377);
    EXPECT_EQ(f.bottom - f.top, 424);
    EXPECT_TRUE(win.messages.empty());
}

TEST(Win32Window, ResizingTheWindowRaisesResize) {
    Window win;
    win.form->start();
    win.pump();
    RECT outer{0, 0, 700, 600};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(win.main(), GWL_STYLE)), FALSE, 0);
    SetWindowPos(win.main(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    win.pump();
    EXPECT_EQ(win.form->C.form->innerWidth(), 700);
    EXPECT_EQ(win.form->C.form->innerHeight(), 600);
    EXPECT_EQ(win.form->C.frmSettings->bounds().width, 700.0f - 208 - 8);
    EXPECT_EQ(win.form->C.drDir->bounds().height, 600.0f - 72 - 8);
}

TEST(Win32Window, NegativeSizesAreRefusedAndChangeNothing) {
    Window win;
    IControl& box = *win.form->C.txtResult;
    const Bounds before = box.bounds();
    const RECT rectBefore = rectInParent(win.hwnd(ControlId::txtResult));
    EXPECT_THROW(box.move(1, 2, -1, 5), PlatformError);
    EXPECT_THROW(box.setWidth(-0.5f), PlatformError);
    EXPECT_THROW(box.setHeight(-3), PlatformError);
    try {
        box.setHeight(-3);
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 380);
    }
    const Bounds after = box.bounds();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.height, before.height);
    const RECT rectAfter = rectInParent(win.hwnd(ControlId::txtResult));
    EXPECT_TRUE(EqualRect(&rectBefore, &rectAfter));
    // Fractions are kept as set, whatever the screen can show.
    box.move(120.5f, 1440.25f, 3000.75f, 1000.125f);
    EXPECT_EQ(box.bounds().left, 120.5f);
    EXPECT_EQ(box.bounds().top, 1440.25f);
    EXPECT_EQ(box.bounds().width, 3000.75f);
    EXPECT_EQ(box.bounds().height, 1000.125f);
}

// The change-event rule, on the window system alone.
struct SpyWindow {
    Win32WindowSystem ws;
    EventSpy spy;
    MainWindow c;
    SpyWindow() {
        ws.onMessageBox = [](const Text&, const Text&, int) {};
        ws.onEndProgram = [] { throw ProgramEnded{}; };
        c = ws.createMainWindow(frmMainDesign(), spy);
    }
};

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

TEST(Win32ChangeRule, DriveListRaisesChangeOnlyOnARealChange) {
    SpyWindow win;
    auto& drives = dynamic_cast<Win32DriveList&>(win.ws.control(ControlId::drDrive));
    ASSERT_FALSE(drives.letters().empty());
    const Text current = win.c.drDrive->drive();
    ASSERT_EQ(current.size(), 2u);
    win.c.drDrive->setDrive(current + u"\\whatever");
    EXPECT_EQ(win.spy.count["Drive"], 0);
    // Another drive, if there is one (Wine has C: and Z:).
    const auto other = std::find_if(drives.letters().begin(), drives.letters().end(),
                                    [&](wchar_t l) { return towlower(l) != static_cast<wchar_t>(current[0]); });
    if (other != drives.letters().end()) {
        const Text text{static_cast<char16_t>(*other), u':', u'\\'};
        win.c.drDrive->setDrive(text);
        EXPECT_EQ(win.spy.count["Drive"], 1);
        EXPECT_EQ(towupper(static_cast<wchar_t>(win.c.drDrive->drive()[0])), *other);
    }
    // A letter that names no drive.
    wchar_t missing = 0;
    const DWORD mask = GetLogicalDrives();
    for (int i = 25; i >= 0 && !missing; --i)
        if (!(mask & (1u << i))) missing = static_cast<wchar_t>(L'A' + i);
    ASSERT_NE(missing, 0);
    const int before = win.spy.count["Drive"];
    try {
        win.c.drDrive->setDrive(Text{static_cast<char16_t>(missing), u':'});
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 68);
    }
    EXPECT_THROW(win.c.drDrive->setDrive(u"no drive"), PlatformError);
    EXPECT_EQ(win.spy.count["Drive"], before);
    // The list shows the drives as "c:".
    HWND combo = drives.handle();
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(drives.letters().size()));
    wchar_t item[16] = {};
    SendMessageW(combo, CB_GETLBTEXT, SendMessageW(combo, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(t(item), win.c.drDrive->drive());
}

TEST(Win32ChangeRule, FolderListRaisesChangeOnlyOnARealChange) {
    ScratchFolder dir;
    dir.folder("alpha");
    dir.folder("beta");
    dir.folder("hidden", FILE_ATTRIBUTE_HIDDEN);
    SpyWindow win;
    win.c.drDir->setPath(dir.path());
    EXPECT_EQ(win.spy.count["Dir"], 1);
    EXPECT_EQ(win.c.drDir->path(), dir.path());
    win.c.drDir->setPath(dir.path() + u"\\");
    EXPECT_EQ(win.spy.count["Dir"], 1) << "the same folder";
    try {
        win.c.drDir->setPath(dir / "missing");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 76);
    }
    EXPECT_EQ(win.c.drDir->path(), dir.path());
    EXPECT_EQ(win.spy.count["Dir"], 1);

    // Ancestors from the root down, the folder, then its visible subfolders.
    auto& list = dynamic_cast<Win32FolderList&>(win.ws.control(ControlId::drDir));
    const std::vector<Text>& lines = list.linePaths();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front().size(), 3u) << toUtf8(lines.front());  // "C:\"
    EXPECT_EQ(lines[lines.size() - 2], dir / "alpha");
    EXPECT_EQ(lines.back(), dir / "beta");
    HWND box = list.handle();
    EXPECT_EQ(SendMessageW(box, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(lines.size()));
    EXPECT_EQ(static_cast<std::size_t>(SendMessageW(box, LB_GETCURSEL, 0, 0)), lines.size() - 3);

    // Double-click on a subfolder opens it, as the user's change.
    SendMessageW(box, LB_SETCURSEL, lines.size() - 1, 0);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), LBN_DBLCLK), reinterpret_cast<LPARAM>(box));
    win.ws.rethrowHeld();
    EXPECT_EQ(win.spy.count["Dir"], 2);
    EXPECT_EQ(win.c.drDir->path(), dir / "beta");
    // A drive as the drive list reports it.
    win.c.drDir->setPath(win.c.drDrive->drive());
    EXPECT_EQ(win.c.drDir->path().size(), 3u);
    EXPECT_EQ(win.spy.count["Dir"], 3);
}

TEST(Win32ChangeRule, PickingADriveIsTheUsersChange) {
    SpyWindow win;
    auto& drives = dynamic_cast<Win32DriveList&>(win.ws.control(ControlId::drDrive));
    if (drives.letters().size() < 2) GTEST_SKIP() << "one drive only";
    HWND combo = drives.handle();
    const auto current = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    const WPARAM other = current == 0 ? 1 : 0;
    auto pick = [&](WPARAM index) {
        SendMessageW(combo, CB_SETCURSEL, index, 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        win.ws.rethrowHeld();
    };
    pick(other);
    EXPECT_EQ(win.spy.count["Drive"], 1);
    EXPECT_EQ(towupper(static_cast<wchar_t>(win.c.drDrive->drive()[0])), drives.letters()[other]);
    pick(other);
    EXPECT_EQ(win.spy.count["Drive"], 1) << "the same drive again";
}

TEST(Win32Keys, EnterInTheFolderListOpensTheSelectedFolder) {
    ScratchFolder dir;
    dir.folder("inner");
    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtPath->setText(dir.path());
    ASSERT_EQ(win.form->C.drDir->path(), dir.path());
    HWND list = win.hwnd(ControlId::drDir);
    const auto& lines = dynamic_cast<Win32FolderList&>(win.ws.control(ControlId::drDir)).linePaths();
    ASSERT_EQ(lines.back(), dir / "inner");
    SendMessageW(list, LB_SETCURSEL, lines.size() - 1, 0);
    PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    win.pump();
    EXPECT_EQ(win.form->C.drDir->path(), dir / "inner");
    EXPECT_EQ(win.form->C.txtPath->text(), dir / "inner");
    EXPECT_TRUE(win.messages.empty());
}

TEST(Win32Window, MinimisedTheInnerSizeIsZeroAndTheLayoutSkipsItsSteps) {
    Window win;
    win.form->start();
    win.pump();
    ShowWindow(win.main(), SW_MINIMIZE);
    win.pump();
    EXPECT_EQ(win.form->C.form->innerWidth(), 0);
    EXPECT_EQ(win.form->C.form->innerHeight(), 0);
    EXPECT_TRUE(win.messages.empty());
    EXPECT_EQ(win.ended, 0);
    ShowWindow(win.main(), SW_RESTORE);
    win.pump();
    EXPECT_EQ(win.form->C.form->innerWidth(), 593);
    EXPECT_EQ(win.form->C.frmSettings->bounds().width, 377.0f);
    EXPECT_EQ(win.form->C.drDir->bounds().height, 368.0f);
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

TEST(Win32Listing, ReplaceSelectionGathersTextUntilItIsRead) {
    SpyWindow win;
    for (int i = 0; i < 1000; ++i) win.c.txtResult->replaceSelection(u"line " + decimal(i) + u"\r\n");
    const Text text = win.c.txtResult->text();
    EXPECT_EQ(text.substr(0, 8), u"line 0\r\n");
    EXPECT_EQ(text.substr(text.size() - 10), u"line 999\r\n");
    win.c.txtResult->setText(Text());
    win.c.txtResult->replaceSelection(u"x");
    win.ws.flushPendingOutput();
    EXPECT_EQ(windowText(win.ws.control(ControlId::txtResult).handle()), L"x");
}

TEST(Win32Path, TypingAPathMovesTheListsAndABadOneIsReported) {
    ScratchFolder dir;
    dir.folder("one");
    Window win;
    win.form->start();
    win.pump();
    HWND box = win.hwnd(ControlId::txtPath);
    // The user replaces the text (one edit).
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w(dir / "one").c_str()));
    win.ws.rethrowHeld();
    EXPECT_EQ(win.form->C.drDir->path(), dir / "one");
    EXPECT_TRUE(win.messages.empty());
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w(dir / "nothing").c_str()));
    win.ws.rethrowHeld();
    ASSERT_EQ(win.messages.size(), 1u);
    EXPECT_EQ(win.messages[0].title, u8("VB运行时错误：76"));
    EXPECT_EQ(win.messages[0].style, 48);
    EXPECT_EQ(win.form->C.drDir->path(), dir / "one");
}

TEST(Win32Close, ClosingStartsTheBrowserCommandAndEndsTheLoop) {
    Window win;
    win.form->start();
    win.pump();
    EXPECT_EQ(win.ws.doEvents(), 1);
    PostMessageW(win.main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(win.ws.doEvents(), 0);
    ASSERT_EQ(win.processes.started.size(), 1u);
    EXPECT_EQ(win.processes.started[0], u8("cmd /c start https://malvorn.example/"));
    EXPECT_FALSE(IsWindow(win.main()));
    win.ws.run();  // returns at once: the window is gone
}

TEST(Win32Close, ClosingDuringAListingEndsTheProgram) {
    ScratchFolder dir;
    for (int i = 0; i < 5; ++i) dir.folder("f" + std::to_string(i));
    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtPath->setText(dir.path());
    PostMessageW(win.main(), WM_CLOSE, 0, 0);
    EXPECT_THROW(
        {
            SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
            win.ws.rethrowHeld();
        },
        ProgramEnded);
    EXPECT_EQ(win.ended, 1);
    EXPECT_EQ(win.processes.started.size(), 1u);
}

TEST(Win32Process, StartsAHiddenCommandWithoutWaiting) {
    Win32ProcessStarter starter;
    EXPECT_EQ(starter.urlOpenCommand(u"https://x.example/"), u"cmd /c start https://x.example/");
    EXPECT_NO_THROW(starter.startHidden(u"cmd /c exit 0"));
    try {
        starter.startHidden(u"Z:\\no\\such\\program-malvorn.exe");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_NE(e.number(), 0);
        EXPECT_FALSE(e.description().empty());
    }
}

}  // namespace
}  // namespace malvorn::wintest
