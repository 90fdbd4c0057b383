// SPDX-License-Identifier: MIT
// The drive and folder lists: Change only on a real change, the user's pick,
// a typed path that moves them and a bad one that is reported.
#include <algorithm>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

TEST(Win32ChangeRule, DriveListRaisesChangeOnlyOnARealChange) {
    SpyWindow win;
    auto& drives = dynamic_cast<DriveList&>(win.ws.control(ControlId::drDrive));
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
    auto& list = dynamic_cast<FolderList&>(win.ws.control(ControlId::drDir));
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
    auto& drives = dynamic_cast<DriveList&>(win.ws.control(ControlId::drDrive));
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

TEST(Win32Path, SelectingAllThenPastingMovesTheLists) {
    ScratchFolder dir;
    dir.folder("pasted");
    Window win;
    win.form->start();
    win.pump();
    HWND box = win.hwnd(ControlId::txtPath);
    // Ctrl+A: Wine tells of a change although the text stays.
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), EN_CHANGE), reinterpret_cast<LPARAM>(box));
    win.ws.rethrowHeld();
    // The paste.
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(w(dir / "pasted").c_str()));
    win.ws.rethrowHeld();
    EXPECT_EQ(win.form->C.drDir->path(), dir / "pasted");
    EXPECT_TRUE(win.messages.empty());
}

}  // namespace
}  // namespace malvorn::wintest
