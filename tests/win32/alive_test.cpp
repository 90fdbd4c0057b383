// SPDX-License-Identifier: MIT
// Between the walk's pump points the window shows that it is alive: it looks
// at its queue, so that Windows does not take it for hung, and handles no
// click or key there; what other threads send is answered, and an event it
// would raise waits for the next pump point.
#include <atomic>
#include <thread>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

// A level-1 listing of files: after its one pump at the end of gathering,
// the writing phase runs without a pump point to its end.
struct FilesListing : Window {
    ScratchFolder dir;
    FilesListing() {
        for (int i = 0; i < 40; ++i) dir.file("f" + std::to_string(i) + ".txt");
        form->start();
        pump();
        form->C.txtPath->setText(dir.path());
        form->C.ChFiles->setValue(1);
        form->C.ChNoPath->setValue(0);
        form->C.txtLevel->setText(u"1");
        ws.aliveInterval = std::chrono::milliseconds(0);  // every step looks
    }
    bool writing() { return !form->C.txtResult->text().empty(); }
    void run() {
        SendMessageW(hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
        ws.rethrowHeld();
    }
};

TEST(Win32Alive, NoQueuedClickOrKeyIsHandledBetweenPumpPoints) {
    FilesListing win;
    HWND box = win.hwnd(ControlId::ChHidden);
    HWND level = win.hwnd(ControlId::txtLevel);
    int looks = 0, looksAfterPost = 0;
    bool posted = false, handled = false;
    win.ws.hooks.alive = [&] {
        ++looks;
        if (!win.writing()) return;
        if (!posted) {
            // A mouse click on a check box and a key in the depth box.
            PostMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            PostMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
            PostMessageW(level, WM_KEYDOWN, '7', 1);
            PostMessageW(level, WM_KEYUP, '7', 0xC0000001);
            posted = true;
            return;
        }
        ++looksAfterPost;
        if (win.form->C.ChHidden->value() != 0 || windowText(level) != L"1") handled = true;
    };
    win.run();
    EXPECT_GT(looks, 40) << "the walk did not show itself alive at every step";
    EXPECT_TRUE(posted);
    EXPECT_GT(looksAfterPost, 10);
    EXPECT_FALSE(handled) << "a queued click or key was handled between pump points";
    EXPECT_EQ(win.resultLines().size(), 40u);
    // They were waiting in the queue, and the next pump handles them.
    win.ws.hooks.alive = nullptr;
    win.pump();
    EXPECT_EQ(win.form->C.ChHidden->value(), 1);
    EXPECT_NE(windowText(level).find(L'7'), std::wstring::npos);
}

TEST(Win32Alive, WhatAnotherThreadSendsIsAnsweredItsEventWaitsForThePump) {
    FilesListing win;
    HWND level = win.hwnd(ControlId::txtLevel);
    std::atomic<bool> answered{false};
    std::thread sender;
    bool sent = false, waited = false, answeredInTime = false, levelsChanged = false;
    win.ws.hooks.alive = [&] {
        if (!win.writing()) return;
        if (!sent) {
            // Another thread sets the depth box's text (as a screen reader
            // or a test tool may) and waits for the answer; the look that
            // follows this call is the first chance to give it.
            sent = true;
            sender = std::thread([&] {
                SendMessageW(level, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"5"));
                answered = true;
            });
            for (int i = 0; i < 2000 && !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE); ++i) Sleep(5);
            return;
        }
        if (!waited) {
            waited = true;
            for (int i = 0; i < 2000 && !(answeredInTime = answered); ++i) Sleep(5);
        }
        if (win.form->State.Levels != 1) levelsChanged = true;
    };
    win.run();
    win.ws.hooks.alive = nullptr;
    EXPECT_EQ(win.resultLines().size(), 40u);
    win.pump();  // answers the sender at the latest
    if (sender.joinable()) sender.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(answeredInTime) << "the sent message waited for the end of the walk";
    EXPECT_FALSE(levelsChanged) << "the depth box's Change ran between pump points";
    EXPECT_EQ(win.form->State.Levels, 5);
}

}  // namespace
}  // namespace malvorn::wintest
