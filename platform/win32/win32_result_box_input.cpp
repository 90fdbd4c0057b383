// SPDX-License-Identifier: MIT
// The result box and the user: mouse, keys, typed and composed text, the
// clipboard and the context menu. Every key and click becomes one of the
// shared editor's commands.
#include "platform/win32/win32_result_box.h"
// After windows.h, which it needs.
#include <imm.h>

#include <algorithm>
#include <cstdlib>

namespace malvorn::win32 {

namespace {

constexpr UINT AutoscrollMs = 50;

bool down(int key) { return GetKeyState(key) < 0; }

enum MenuCommand : UINT { CmdUndo = 1, CmdRedo, CmdCut, CmdCopy, CmdPaste, CmdDelete, CmdSelectAll };

using Move = TextEditor::Move;
using Erase = TextEditor::Erase;
using Unit = TextEditor::Unit;

}  // namespace

void ResultBoxWindow::userDid() {
    followCaret_ = true;
    refresh();
}

bool ResultBoxWindow::undo() {
    // EDIT's one level of undo undoes itself; here the last undo is redone
    // when nothing is left to undo, so that EM_UNDO twice is no change.
    const bool done = editor_.canUndo() ? editor_.undo() : editor_.redo();
    userDid();
    return done;
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
    const bool shift = down(VK_SHIFT), ctrl = down(VK_CONTROL);
    if (alt) {
        if (key != VK_BACK) return false;
        undo();  // Alt+Backspace, as in EDIT
        return true;
    }
    auto move = [&](Move how) {
        editor_.move(how, shift);
        userDid();
        return true;
    };
    auto erase = [&](Erase how) {
        editor_.erase(how);
        userDid();
        return true;
    };
    switch (key) {
        case VK_LEFT:
            return move(ctrl ? Move::WordBack : Move::CharBack);
        case VK_RIGHT:
            return move(ctrl ? Move::WordForward : Move::CharForward);
        case VK_UP:
            return move(Move::LineUp);
        case VK_DOWN:
            return move(Move::LineDown);
        case VK_PRIOR:
        case VK_NEXT: {
            // The picture moves a page and the caret with it.
            const auto page = static_cast<std::size_t>(visibleLines());
            first_ = key == VK_PRIOR ? first_ - std::min(first_, page) : first_ + page;
            return move(key == VK_PRIOR ? Move::PageUp : Move::PageDown);
        }
        case VK_HOME:
            return move(ctrl ? Move::TextStart : Move::LineStart);
        case VK_END:
            return move(ctrl ? Move::TextEnd : Move::LineEnd);
        case VK_DELETE:
            if (shift) {
                cut();
                return true;
            }
            return erase(ctrl ? Erase::WordForward : Erase::CharForward);
        case VK_BACK:
            // Ctrl+Backspace; its WM_CHAR (0x7F) types nothing.
            if (ctrl) return erase(Erase::WordBack);
            return false;
        case VK_INSERT:
            if (ctrl) copy();
            if (shift) paste();
            return true;
        default:
            break;
    }
    if (!ctrl) return false;
    switch (key) {
        case 'A':
            editor_.selectAll();
            userDid();
            return true;
        case 'C':
            copy();
            return true;
        case 'X':
            cut();
            return true;
        case 'V':
            paste();
            return true;
        case 'Z':
            if (shift) {
                editor_.redo();
                userDid();
            } else {
                editor_.undo();
                userDid();
            }
            return true;
        case 'Y':
            editor_.redo();
            userDid();
            return true;
        default:
            return false;
    }
}

void ResultBoxWindow::onChar(wchar_t c) {
    if (c == L'\b') {
        editor_.erase(Erase::CharBack);
    } else if (c == L'\r') {
        editor_.type(u"\r\n");
    } else if (c < L' ' || c == 0x7F) {
        return;  // other control characters (Ctrl+letters, Esc, Tab) type nothing
    } else {
        const char16_t unit = static_cast<char16_t>(c);
        editor_.type(TextView(&unit, 1));
    }
    userDid();
}

void ResultBoxWindow::copy() {
    if (!editor_.hasSelection()) return;
    const Text selected = editor_.text().selectedText();
    if (!OpenClipboard(hwnd_)) return;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (selected.size() + 1) * sizeof(char16_t));
    if (memory) {
        auto* out = static_cast<char16_t*>(GlobalLock(memory));
        std::copy(selected.begin(), selected.end(), out);
        out[selected.size()] = u'\0';
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

void ResultBoxWindow::cut() {
    if (!editor_.hasSelection()) return;
    copy();
    clear();
}

void ResultBoxWindow::clear() {
    editor_.eraseSelection();
    userDid();
}

void ResultBoxWindow::paste() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(hwnd_)) return;
    Text pasted;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* in = static_cast<const char16_t*>(GlobalLock(memory))) {
            const std::size_t room = GlobalSize(memory) / sizeof(char16_t);
            pasted.assign(in, std::find(in, in + room, u'\0'));
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    editor_.insert(pasted);
    userDid();
}

void ResultBoxWindow::onContextMenu(LPARAM lParam) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the caret
        GetCaretPos(&at);
        ClientToScreen(hwnd_, &at);
    }
    SetFocus(hwnd_);
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    auto enabled = [](bool on) { return static_cast<UINT>(MF_STRING | (on ? MF_ENABLED : MF_GRAYED)); };
    const bool selection = editor_.hasSelection();
    AppendMenuW(menu, enabled(editor_.canUndo()), CmdUndo, L"撤销(&U)");
    AppendMenuW(menu, enabled(editor_.canRedo()), CmdRedo, L"重做(&R)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, enabled(selection), CmdCut, L"剪切(&T)");
    AppendMenuW(menu, enabled(selection), CmdCopy, L"复制(&C)");
    AppendMenuW(menu, enabled(IsClipboardFormatAvailable(CF_UNICODETEXT)), CmdPaste, L"粘贴(&P)");
    AppendMenuW(menu, enabled(selection), CmdDelete, L"删除(&D)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, enabled(!editor_.text().empty()), CmdSelectAll, L"全选(&A)");
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    switch (command) {
        case CmdUndo:
            editor_.undo();
            userDid();
            break;
        case CmdRedo:
            editor_.redo();
            userDid();
            break;
        case CmdCut:
            cut();
            break;
        case CmdCopy:
            copy();
            break;
        case CmdPaste:
            paste();
            break;
        case CmdDelete:
            clear();
            break;
        case CmdSelectAll:
            editor_.selectAll();
            userDid();
            break;
        default:
            break;
    }
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
