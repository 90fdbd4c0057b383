// SPDX-License-Identifier: MIT
// A result box in a hidden window of its own, with the mouse and keys a
// user would give it, for the tests of the box.
#pragma once

#include <windows.h>

#include <algorithm>

#include "platform/win32/win32_result_box.h"

namespace malvorn::win32 {

class Box {
public:
    Box() {
        ResultBoxWindow::registerClass(GetModuleHandleW(nullptr));
        host_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, ResultBoxWindow::ClassName, L"",
                               WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL, 0, 0, 300, 200, host_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        view = ResultBoxWindow::of(hwnd);
    }
    ~Box() { DestroyWindow(host_); }
    HWND host() const { return host_; }
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;

    // A left click at the start of a line in sight (counted from the top).
    void click(int row, bool shift = false) {
        const LPARAM at = MAKELPARAM(0, row * view->lineHeight() + view->lineHeight() / 2);
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | (shift ? MK_SHIFT : 0), at);
        SendMessageW(hwnd, WM_LBUTTONUP, shift ? MK_SHIFT : 0, at);
    }
    // A key with Shift and Ctrl held as the box reads them.
    void key(WPARAM vk, bool shift = false, bool ctrl = false) const {
        BYTE state[256] = {};
        GetKeyboardState(state);
        BYTE held[256];
        std::copy(state, state + 256, held);
        held[VK_SHIFT] = shift ? 0x80 : 0;
        held[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(held);
        SendMessageW(hwnd, WM_KEYDOWN, vk, 1);
        SetKeyboardState(state);
    }
    void type(wchar_t c) const { SendMessageW(hwnd, WM_CHAR, c, 1); }
    static void pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    HWND hwnd;
    ResultBoxWindow* view;

private:
    HWND host_;
};

}  // namespace malvorn::win32
