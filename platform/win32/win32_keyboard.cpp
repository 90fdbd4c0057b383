// SPDX-License-Identifier: MIT
#include "platform/win32/win32_keyboard.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/form_events.h"
#include "platform/win32/win32_folder_lists.h"
#include "platform/win32/win32_window_system.h"

namespace malvorn::win32 {

namespace {

wchar_t upper(wchar_t c) {
    CharUpperBuffW(&c, 1);
    return c;
}

std::int16_t shiftState() {
    std::int16_t s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= 1;
    if (GetKeyState(VK_CONTROL) < 0) s |= 2;
    if (GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

// The enabled button whose caption marks `key` with an ampersand.
Button* buttonForAccessKey(WindowSystem& ws, wchar_t key) {
    key = upper(key);
    for (auto& [id, c] : ws.controls()) {
        auto* button = dynamic_cast<Button*>(c.get());
        if (!button || !IsWindowEnabled(button->handle())) continue;
        const Text caption = button->caption();
        for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] != u'&') continue;
            if (caption[i + 1] == u'&') {
                ++i;
                continue;
            }
            if (upper(static_cast<wchar_t>(caption[i + 1])) == key) return button;
            break;
        }
    }
    return nullptr;
}

// Windows hides focus rectangles and access-key underlines until the
// keyboard is used (unless the user has them always shown). The dialog
// manager uncovers them when it handles Tab or Alt; these keys never reach
// one here, so the window is told as it would tell it: the focus for Tab,
// both for Alt. The top-level window hands the change down to every control.
void showKeyboardCues(WindowSystem& ws, WORD cues) {
    SendMessageW(ws.mainHandle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
}

}  // namespace

void moveFocus(WindowSystem& ws, bool backwards) {
    const std::vector<HWND>& tabOrder = ws.tabOrder();
    if (tabOrder.empty()) return;
    HWND focus = GetFocus();
    // The focus may sit in a part of a control (the edit of a combo box).
    std::ptrdiff_t at = -1;
    for (HWND h = focus; h && h != ws.mainHandle(); h = GetParent(h)) {
        const auto it = std::find(tabOrder.begin(), tabOrder.end(), h);
        if (it != tabOrder.end()) {
            at = it - tabOrder.begin();
            break;
        }
    }
    const auto n = static_cast<std::ptrdiff_t>(tabOrder.size());
    for (std::ptrdiff_t step = 1; step <= n; ++step) {
        std::ptrdiff_t i = at < 0 ? (backwards ? n - step : step - 1) : (at + (backwards ? -step : step)) % n;
        if (i < 0) i += n;
        HWND h = tabOrder[static_cast<std::size_t>(i)];
        if (!IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
        showKeyboardCues(ws, UISF_HIDEFOCUS);
        SetFocus(h);
        // As in a dialog: a text box reached by Tab has its text selected.
        Control* c = ws.controlOf(h);
        if (c && c->kind() == ControlKind::SingleLineText) SendMessageW(h, EM_SETSEL, 0, -1);
        return;
    }
}

bool preTranslate(WindowSystem& ws, MSG& msg) {
    if (!ws.ownsWindow(msg.hwnd)) return false;
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) {
        const bool down = msg.message == WM_KEYDOWN;
        const auto key = static_cast<UINT>(msg.wParam);
        const bool isTab = msg.message == WM_CHAR ? key == L'\t' : key == VK_TAB;
        const bool isEnter = msg.message == WM_CHAR ? key == L'\r' : key == VK_RETURN;
        const bool isEscape = msg.message == WM_CHAR ? key == 0x1B : key == VK_ESCAPE;
        Control* target = nullptr;
        for (HWND h = msg.hwnd; h && h != ws.mainHandle() && !target; h = GetParent(h)) target = ws.controlOf(h);
        const bool inResult = target && target->kind() == ControlKind::MultiLineText;
        if (isTab && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
            if (down) moveFocus(ws, GetKeyState(VK_SHIFT) < 0);
            return true;
        }
        if (isEnter || isEscape) {
            // A dropped-down drive list closes with them.
            if (target && target->kind() == ControlKind::DriveList &&
                SendMessageW(target->handle(), CB_GETDROPPEDSTATE, 0, 0))
                return false;
            if (isEnter && inResult) return false;  // a new line in the result box
            if (isEnter && down && target && target->kind() == ControlKind::FolderList) {
                dynamic_cast<FolderList*>(target)->openSelected();
                ws.rethrowHeld();
            }
            // Neither is the default or the cancel button: they press nothing.
            return true;
        }
        return false;
    }
    if (msg.message == WM_SYSKEYDOWN) {
        const auto key = static_cast<wchar_t>(msg.wParam);
        const bool alt = (msg.lParam & (1 << 29)) != 0;
        if (alt) showKeyboardCues(ws, UISF_HIDEFOCUS | UISF_HIDEACCEL);
        if (alt && ((key >= L'A' && key <= L'Z') || (key >= L'0' && key <= L'9'))) {
            if (Button* button = buttonForAccessKey(ws, key)) {
                button->click();
                ws.rethrowHeld();
                return true;
            }
        }
        return false;
    }
    return false;
}

namespace {

// The control's id rides as the subclass's own id, so that the one
// procedure serves any box whose KeyDown the window handles.
LRESULT CALLBACK keyDownProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR control, DWORD_PTR self) {
    auto* ws = reinterpret_cast<WindowSystem*>(self);
    if (msg == WM_KEYDOWN && !ws->building()) {
        if (ws->putBackWhileShowingAlive(hwnd, msg, wParam, lParam)) return 0;
        // KeyDown comes before the box handles the key; a handler that
        // clears the code swallows the key.
        std::int16_t code = static_cast<std::int16_t>(wParam & 0xFFFF);
        const std::int16_t shift = shiftState();
        const auto id = static_cast<ControlId>(control);
        ws->deliver([&] { raiseKeyDown(ws->events(), id, code, shift); });
        if (code == 0) return 0;
        wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(code));
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, keyDownProc, control);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void watchKeyDown(WindowSystem& ws, HWND box, ControlId id) {
    SetWindowSubclass(box, keyDownProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(&ws));
}

}  // namespace malvorn::win32
