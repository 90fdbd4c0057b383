// SPDX-License-Identifier: MIT
// The window and its controls as real Win32 controls: what exists where,
// the front-to-back and tab orders, the layout on start-up, resize and
// minimise, and bounds that are refused.
#include <algorithm>

#include "platform/win32/win32_result_box.h"
#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

std::wstring expectedClass(ControlKind kind) {
    switch (kind) {
        case ControlKind::SingleLineText:
            return L"Edit";
        case ControlKind::MultiLineText:
            return ResultBoxWindow::ClassName;
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
            EXPECT_TRUE(style & WS_HSCROLL);
            EXPECT_TRUE(style & WS_VSCROLL);
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

}  // namespace
}  // namespace malvorn::wintest
