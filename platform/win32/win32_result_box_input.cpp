// SPDX-License-Identifier: MIT
// The result box and the user: mouse, keys, typed and composed text, the
// clipboard and the context menu.
#include "platform/win32/win32_result_box.h"
// After windows.h, which it needs.
#include <imm.h>

#include <algorithm>

namespace malvorn::win32 {

namespace {

bool down(int key) { return GetKeyState(key) < 0; }

// Words for a double-click and Ctrl+arrows: everything between blanks and
// path separators.
bool inWord(char16_t c) { return c != u' ' && c != u'\t' && c != u'\\' && c != u'/' && c != u'\r' && c != u'\n'; }

enum MenuCommand : UINT { CmdCut = 1, CmdCopy, CmdPaste, CmdDelete, CmdSelectAll };

}  // namespace

void ResultBoxWindow::userReplace(TextView text) {
    text_.replaceSelection(text);
    preferredX_ = -1;
    followCaret_ = true;
    refresh();
}

void ResultBoxWindow::userMove(std::size_t position, bool keepAnchor) {
    text_.moveCaret(position, keepAnchor);
    followCaret_ = true;
    refresh();
}

void ResultBoxWindow::onMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (msg) {
        case WM_LBUTTONDOWN:
            SetFocus(hwnd_);
            SetCapture(hwnd_);
            preferredX_ = -1;
            userMove(positionAt(point), (wParam & MK_SHIFT) != 0);
            break;
        case WM_MOUSEMOVE:
            if (GetCapture() == hwnd_ && (wParam & MK_LBUTTON)) {
                preferredX_ = -1;
                userMove(positionAt(point), true);
            }
            break;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd_) ReleaseCapture();
            break;
        case WM_LBUTTONDBLCLK:
            selectWordAt(positionAt(point));
            break;
        default:
            break;
    }
}

void ResultBoxWindow::selectWordAt(std::size_t at) {
    const std::size_t line = text_.lineOf(at);
    const std::size_t start = text_.lineStart(line), end = text_.lineEnd(line);
    std::size_t a = at, b = at;
    while (a > start && inWord(text_.at(a - 1))) --a;
    while (b < end && inWord(text_.at(b))) ++b;
    text_.select(a, b);
    followCaret_ = true;
    refresh();
}

std::size_t ResultBoxWindow::wordStep(std::size_t p, bool forward) const {
    if (forward) {
        const std::size_t end = text_.size();
        if (p < end && !inWord(text_.at(p))) return text_.next(p);
        while (p < end && inWord(text_.at(p))) ++p;
        while (p < end && (text_.at(p) == u' ' || text_.at(p) == u'\t')) ++p;
        return p;
    }
    if (p > 0 && !inWord(text_.at(p - 1)) && text_.at(p - 1) != u' ') return text_.previous(p);
    while (p > 0 && (text_.at(p - 1) == u' ' || text_.at(p - 1) == u'\t')) --p;
    while (p > 0 && inWord(text_.at(p - 1))) --p;
    return p;
}

bool ResultBoxWindow::onKey(WPARAM key) {
    const bool shift = down(VK_SHIFT), ctrl = down(VK_CONTROL);
    const std::size_t caret = text_.caret();
    const std::size_t line = text_.lineOf(caret);
    const std::size_t selFrom = text_.selectionStart(), selTo = text_.selectionEnd();
    const std::size_t lines = text_.lineCount();
    auto keepX = [&] {
        if (preferredX_ < 0) preferredX_ = xOf(line, caret - text_.lineStart(line));
    };
    auto toLine = [&](std::ptrdiff_t target) {
        const auto l =
            static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(target, 0, static_cast<std::ptrdiff_t>(lines) - 1));
        return text_.lineStart(l) + columnAt(l, preferredX_);
    };
    auto move = [&](std::size_t position) {
        const int x = preferredX_;
        userMove(position, shift);
        preferredX_ = x;
    };
    const auto current = static_cast<std::ptrdiff_t>(line);
    const std::ptrdiff_t page = visibleLines();
    switch (key) {
        case VK_LEFT:
            preferredX_ = -1;
            move(!shift && selFrom < selTo ? selFrom : ctrl ? wordStep(caret, false) : text_.previous(caret));
            return true;
        case VK_RIGHT:
            preferredX_ = -1;
            move(!shift && selFrom < selTo ? selTo : ctrl ? wordStep(caret, true) : text_.next(caret));
            return true;
        case VK_UP:
            keepX();
            move(line == 0 ? 0 : toLine(current - 1));
            return true;
        case VK_DOWN:
            keepX();
            move(line + 1 >= lines ? text_.size() : toLine(current + 1));
            return true;
        case VK_PRIOR:
            keepX();
            first_ = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(first_) - page));
            move(toLine(current - page));
            return true;
        case VK_NEXT:
            keepX();
            first_ += static_cast<std::size_t>(page);
            move(toLine(current + page));
            return true;
        case VK_HOME:
            preferredX_ = -1;
            move(ctrl ? 0 : text_.lineStart(line));
            return true;
        case VK_END:
            preferredX_ = -1;
            move(ctrl ? text_.size() : text_.lineEnd(line));
            return true;
        case VK_DELETE:
            if (shift) {
                cut();
            } else {
                if (selFrom == selTo) text_.select(text_.next(caret), caret);
                userReplace(TextView());
            }
            return true;
        case VK_INSERT:
            if (ctrl) copy();
            if (shift) paste();
            return true;
        default:
            break;
    }
    if (ctrl && !down(VK_MENU)) {
        switch (key) {
            case 'A':
                text_.select(0, text_.size());
                refresh();
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
            default:
                break;
        }
    }
    return false;
}

void ResultBoxWindow::onChar(wchar_t c) {
    if (c == L'\b') {
        if (!text_.hasSelection()) text_.select(text_.previous(text_.caret()), text_.caret());
        userReplace(TextView());
        return;
    }
    if (c == L'\r') {
        userReplace(u"\r\n");
        return;
    }
    // Other control characters (Ctrl+letters, Esc, Tab) type nothing.
    if (c < L' ' || c == 0x7F) return;
    const char16_t unit = static_cast<char16_t>(c);
    userReplace(TextView(&unit, 1));
}

void ResultBoxWindow::copy() {
    if (!text_.hasSelection()) return;
    const Text selected = text_.selectedText();
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
    if (!text_.hasSelection()) return;
    copy();
    userReplace(TextView());
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
    userReplace(pasted);
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
    const UINT selection = text_.hasSelection() ? MF_ENABLED : MF_GRAYED;
    AppendMenuW(menu, MF_STRING | selection, CmdCut, L"剪切(&T)");
    AppendMenuW(menu, MF_STRING | selection, CmdCopy, L"复制(&C)");
    AppendMenuW(menu, MF_STRING | (IsClipboardFormatAvailable(CF_UNICODETEXT) ? MF_ENABLED : MF_GRAYED), CmdPaste,
                L"粘贴(&P)");
    AppendMenuW(menu, MF_STRING | selection, CmdDelete, L"删除(&D)");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (text_.empty() ? MF_GRAYED : MF_ENABLED), CmdSelectAll, L"全选(&A)");
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    switch (command) {
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
            userReplace(TextView());
            break;
        case CmdSelectAll:
            text_.select(0, text_.size());
            refresh();
            break;
        default:
            break;
    }
}

void ResultBoxWindow::placeImeWindow() {
    HIMC context = ImmGetContext(hwnd_);
    if (!context) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    GetCaretPos(&form.ptCurrentPos);
    ImmSetCompositionWindow(context, &form);
    ImmReleaseContext(hwnd_, context);
}

}  // namespace malvorn::win32
