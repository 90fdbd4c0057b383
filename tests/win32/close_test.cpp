// SPDX-License-Identifier: MIT
// Closing the window, the program end during a listing, and the hidden
// process start.
#include <algorithm>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

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
    ProcessStarter starter;
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
