// SPDX-License-Identifier: MIT
// The result box and the user: mouse, keys, typed and composed text, the
// clipboard and the context menu. Every key and click becomes one of the
// shared editor's commands, keys and menu items through the shared tables
// (platform/shared/edit_commands.h).
#include "platform/win32/win32_result_box.h"
// After windows.h, which it needs.
#include <imm.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>

namespace malvorn::win32 {

namespace {

constexpr UINT AutoscrollMs = 50;

bool down(int key) { return GetKeyState(key) < 0; }

using Unit = TextEditor::Unit;

std::optional<EditKey> editKeyOf(WPARAM key) {
    switch (key) {
        case VK_LEFT:
            return EditKey::Left;
        case VK_RIGHT:
            return EditKey::Right;
        case VK_UP:
            return EditKey::Up;
        case VK_DOWN:
            return EditKey::Down;
        case VK_PRIOR:
            return EditKey::PageUp;
        case VK_NEXT:
            return EditKey::PageDown;
        case VK_HOME:
            return EditKey::Home;
        case VK_END:
            return EditKey::End;
        case VK_BACK:
            return EditKey::Backspace;
        case VK_DELETE:
            return EditKey::Delete;
        case VK_INSERT:
            return EditKey::Insert;
        case VK_RETURN:
            return EditKey::Enter;
        case 'A':
            return EditKey::A;
        case 'C':
            return EditKey::C;
        case 'V':
            return EditKey::V;
        case 'X':
            return EditKey::X;
        case 'Y':
            return EditKey::Y;
        case 'Z':
            return EditKey::Z;
        default:
            return std::nullopt;
    }
}

}  // namespace

void ResultBoxWindow::userDid() {
    followCaret_ = true;
    refresh();
}

void ResultBoxWindow::run(EditAction action) {
    const bool pageUp = action.isMove(TextEditor::Move::PageUp);
    if (pageUp || action.isMove(TextEditor::Move::PageDown)) {
        // The picture moves a page and the caret with it.
        const auto page = static_cast<std::size_t>(visibleLines());
        first_ = pageUp ? first_ - std::min(first_, page) : first_ + page;
    }
    runCommand(editor_, action, *this);
    userDid();
}

bool ResultBoxWindow::undoOrRedoWhenNothingLeft() {
    const bool any = editor_.canUndo() || editor_.canRedo();
    run({EditCommand::UndoOrRedoWhenNothingLeft});
    return any;
}

void ResultBoxWindow::onMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (msg) {
        case WM_LBUTTONDOWN: {
            SetFocus(hwnd_);
            SetCapture(hwnd_);
            // A third click soon after a double-click, where it was: the line.
            const bool third = doubleClickTime_ != 0 &&
                               static_cast<DWORD>(GetMessageTime()) - doubleClickTime_ <= GetDoubleClickTime() &&
                               std::abs(point.x - doubleClickAt_.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                               std::abs(point.y - doubleClickAt_.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
            doubleClickTime_ = 0;
            if (third)
                editor_.press(positionAt(point), Unit::Line, false);
            else
                editor_.press(positionAt(point), Unit::Char, (wParam & MK_SHIFT) != 0);
            dragging_ = true;
            userDid();
            break;
        }
        case WM_LBUTTONDBLCLK:
            SetCapture(hwnd_);
            doubleClickTime_ = static_cast<DWORD>(GetMessageTime());
            doubleClickAt_ = point;
            editor_.press(positionAt(point), Unit::Word, false);
            dragging_ = true;
            userDid();
            break;
        case WM_MOUSEMOVE: {
            if (!dragging_ || !(wParam & MK_LBUTTON)) break;
            mouseAt_ = point;
            // Past an edge the box keeps scrolling on a timer while the
            // mouse is held there.
            RECT client;
            GetClientRect(hwnd_, &client);
            if (PtInRect(&client, point))
                KillTimer(hwnd_, ScrollTimer);
            else
                SetTimer(hwnd_, ScrollTimer, AutoscrollMs, nullptr);
            editor_.drag(positionAt(point));
            userDid();
            break;
        }
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            dragging_ = false;
            KillTimer(hwnd_, ScrollTimer);
            if (msg == WM_LBUTTONUP && GetCapture() == hwnd_) ReleaseCapture();
            break;
        default:
            break;
    }
}

void ResultBoxWindow::autoscroll() {
    if (!dragging_) {
        KillTimer(hwnd_, ScrollTimer);
        return;
    }
    // The caret goes to where the mouse is, past the edge; bringing it
    // into sight scrolls, further the further the mouse is.
    editor_.drag(positionAt(mouseAt_));
    userDid();
}

bool ResultBoxWindow::onKey(WPARAM key, bool alt) {
    const std::optional<EditKey> edit = editKeyOf(key);
    if (!edit) return false;
    const unsigned modifiers =
        (down(VK_SHIFT) ? ShiftKey : 0u) | (down(VK_CONTROL) ? CtrlKey : 0u) | (alt ? AltKey : 0u);
    // Backspace and Enter without Ctrl or Alt come again as characters
    // (WM_CHAR), where EDIT takes them.
    if ((*edit == EditKey::Backspace || *edit == EditKey::Enter) && (modifiers & (CtrlKey | AltKey)) == 0) return false;
    const std::optional<EditAction> action = commandForKey(*edit, modifiers);
    if (!action) return false;
    run(*action);
    return true;
}

void ResultBoxWindow::onChar(wchar_t c) {
    if (c == L'\b' || c == L'\r') {
        const unsigned shift = down(VK_SHIFT) ? ShiftKey : 0u;
        if (const auto action = commandForKey(c == L'\b' ? EditKey::Backspace : EditKey::Enter, shift)) run(*action);
        return;
    }
    if (c < L' ' || c == 0x7F) return;  // other control characters (Ctrl+letters, Esc, Tab) type nothing
    const char16_t unit = static_cast<char16_t>(c);
    editor_.type(TextView(&unit, 1));
    userDid();
}

void ResultBoxWindow::putOnClipboard(const Text& text) {
    if (!OpenClipboard(hwnd_)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t));
    if (memory) {
        auto* out = static_cast<char16_t*>(GlobalLock(memory));
        std::copy(text.begin(), text.end(), out);
        out[text.size()] = u'\0';
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

Text ResultBoxWindow::clipboardText() {
    Text pasted;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(hwnd_)) return pasted;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* in = static_cast<const char16_t*>(GlobalLock(memory))) {
            const std::size_t room = GlobalSize(memory) / sizeof(char16_t);
            pasted.assign(in, std::find(in, in + room, u'\0'));
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    return pasted;
}

bool ResultBoxWindow::clipboardHasText() { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

void ResultBoxWindow::onContextMenu(LPARAM lParam) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the caret
        GetCaretPos(&at);
        ClientToScreen(hwnd_, &at);
    }
    SetFocus(hwnd_);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    UINT id = 0;  // an item's id is its place in the menu, from 1
    for (const MenuItem& item : ContextMenu) {
        if (item.separatorBefore) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        const bool enabled = menuItemEnabled(item.command, editor_, *this);
        AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), ++id,
                    reinterpret_cast<const wchar_t*>(item.caption));
    }
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    if (chosen >= 1 && chosen <= std::size(ContextMenu)) run({ContextMenu[chosen - 1].command});
}

void ResultBoxWindow::placeImeWindow() {
    // The caret into sight first: the composition window opens at it, also
    // when the caret had been scrolled away.
    userDid();
    HIMC context = ImmGetContext(hwnd_);
    if (!context) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = pointOf(editor_.caret());
    ImmSetCompositionWindow(context, &form);
    LOGFONTW lf{};
    if (GetObjectW(font_, sizeof lf, &lf)) ImmSetCompositionFontW(context, &lf);
    ImmReleaseContext(hwnd_, context);
}

}  // namespace malvorn::win32
