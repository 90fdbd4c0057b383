// SPDX-License-Identifier: MIT
// The window system's event loop: the pump, the loop that runs until the
// window closes, and the looks at the queue between pump points.
#include "platform/shared/dispatch.h"
#include "platform/win32/win32_keyboard.h"
#include "platform/win32/win32_window_system.h"

namespace malvorn::win32 {

void WindowSystem::dispatchUserEvent(const std::function<void()>& f) { dispatchEvent(*this, f); }

void WindowSystem::rethrowHeld() {
    if (held_) {
        std::exception_ptr e = held_;
        held_ = nullptr;
        std::rethrow_exception(e);
    }
}

void WindowSystem::dispatch(MSG& msg) {
    Button* button = dynamic_cast<Button*>(controlOf(msg.hwnd));
    if (button) button->notePress(msg);
    if (!preTranslate(*this, msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (button) button->noteRelease(msg);
    rethrowHeld();
}

int WindowSystem::doEvents() {
    pumped();
    rethrowHeld();
    lastLook_ = std::chrono::steady_clock::now();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: leave it for the outermost loop. The window
            // is still open, so the walk goes on; ending the program is the
            // window's close alone.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return openWindows();
        }
        dispatch(msg);
    }
    return openWindows();
}

void WindowSystem::showAlive() {
    // Windows takes a window whose thread has not looked at its queue for
    // 5 seconds for hung: it draws it ghosted and offers to end it. A look
    // that takes nothing (PM_NOREMOVE) tells it otherwise and handles no
    // click or key: they stay queued for the next pump point. Only the
    // messages other threads send are answered in it (a screen reader's
    // questions); one that would raise an event is put back in the queue.
    // The clock is cheap; the look costs a system call, hence the interval.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastLook_ < aliveInterval) return;
    lastLook_ = now;
    if (hooks.alive) hooks.alive();
    showingAlive_ = true;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
    showingAlive_ = false;
}

bool WindowSystem::putBackWhileShowingAlive(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!showingAlive_) return false;
    PostMessageW(hwnd, msg, wParam, lParam);
    return true;
}

int WindowSystem::doEventsPaced() {
    // No question to the queue is both exact and cheap: under Wine each is a
    // round trip to the server, 27 to 38 microseconds whichever is asked
    // (PeekMessageW, GetQueueStatus, GetInputState, MsgWaitForMultipleObjectsEx),
    // and GetInputState, the cheapest, sees no posted message, timer or
    // painting. So the queue is asked at most once a millisecond.
    if (pacer_.due()) return doEvents();
    return openWindows();
}

void WindowSystem::run() {
    rethrowHeld();
    MSG msg;
    while (open_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        dispatch(msg);
    }
}

}  // namespace malvorn::win32
