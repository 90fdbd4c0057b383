// SPDX-License-Identifier: MIT
// The result box answers the messages of the multi-line EDIT control as
// EDIT answers them, so that the system's MSAA and UIA proxies for EDIT,
// screen readers' scripts and other programs read and drive it as they
// would the EDIT control it replaced. Line numbers and offsets are EDIT's:
// a line's CR LF belongs to the line it ends.
#include <algorithm>

#include "platform/win32/win32_result_box.h"

namespace malvorn::win32 {

namespace {

// The index of the "Edit" class among those the system's oleacc proxies
// know (WM_GETOBJECT with OBJID_QUERYCLASSNAMEIDX), as EDIT answers it.
constexpr LRESULT EditClassIndex = 65536 + 4;

}  // namespace

bool ResultBoxWindow::editMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const LineText& text = editor_.text();
    // An index or line given as a WPARAM, where -1 asks about the caret.
    const auto signedW = static_cast<INT_PTR>(wParam);
    switch (msg) {
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) != OBJID_QUERYCLASSNAMEIDX) return false;
            result = EditClassIndex;
            return true;
        case WM_GETTEXTLENGTH:
            result = static_cast<LRESULT>(text.size());
            return true;
        case WM_GETTEXT: {
            auto* out = reinterpret_cast<char16_t*>(lParam);
            if (!out || wParam == 0) return true;
            const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(wParam) - 1);
            const Text part = text.slice(0, n);
            std::copy(part.begin(), part.end(), out);
            out[n] = u'\0';
            result = static_cast<LRESULT>(n);
            return true;
        }
        case WM_SETTEXT: {
            const auto* in = reinterpret_cast<const char16_t*>(lParam);
            setText(in ? TextView(in) : TextView());
            result = TRUE;
            return true;
        }
        case EM_GETSEL: {
            const std::size_t start = text.selectionStart(), end = text.selectionEnd();
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
            // Past what a word holds, EDIT answers -1 and only the
            // pointers tell.
            result = start > 0xFFFF || end > 0xFFFF ? -1 : static_cast<LRESULT>(MAKELONG(start, end));
            return true;
        }
        case EM_SETSEL: {
            // -1 for the start leaves no selection, -1 for the end means
            // the end of the text.
            const auto start = static_cast<INT_PTR>(static_cast<int>(wParam));
            const auto end = static_cast<INT_PTR>(static_cast<int>(lParam));
            const std::size_t to = end < 0 ? text.size() : static_cast<std::size_t>(end);
            if (start < 0)
                select(text.caret(), text.caret());
            else
                select(static_cast<std::size_t>(start), to);
            return true;
        }
        case EM_REPLACESEL: {
            // With wParam TRUE the change can be undone, as the user's own.
            const auto* in = reinterpret_cast<const char16_t*>(lParam);
            const TextView given = in ? TextView(in) : TextView();
            if (wParam) {
                editor_.insert(given);
                userDid();
            } else {
                replaceSelection(given);
            }
            editor_.setModified(true);
            result = TRUE;
            return true;
        }
        case EM_GETLINECOUNT:
            result = static_cast<LRESULT>(text.lineCount());
            return true;
        case EM_LINEINDEX: {
            const std::size_t line =
                signedW == -1 ? text.lineOf(text.caret()) : static_cast<std::size_t>(std::max<INT_PTR>(0, signedW));
            result = signedW < -1 || line >= text.lineCount() ? -1 : static_cast<LRESULT>(text.lineStart(line));
            return true;
        }
        case EM_LINEFROMCHAR: {
            const std::size_t at = signedW < 0 ? text.selectionStart() : static_cast<std::size_t>(signedW);
            result = static_cast<LRESULT>(text.lineOf(std::min(at, text.size())));
            return true;
        }
        case EM_LINELENGTH: {
            if (signedW < 0) {
                // The units on the selection's lines that are not selected,
                // counted from the anchor's line to the caret's as EDIT
                // counts them (so a selection made backwards counts the
                // other way round).
                const std::size_t anchor = text.anchor(), caret = text.caret();
                const std::size_t first = text.lineOf(anchor), last = text.lineOf(caret);
                result = static_cast<LRESULT>(anchor - text.lineStart(first)) +
                         static_cast<LRESULT>(text.lineEnd(last) - caret);
                return true;
            }
            const std::size_t line = text.lineOf(std::min(static_cast<std::size_t>(signedW), text.size()));
            result = static_cast<LRESULT>(text.lineEnd(line) - text.lineStart(line));
            return true;
        }
        case EM_GETLINE: {
            // Line -1: the caret's, as EDIT reads it.
            auto* out = reinterpret_cast<char16_t*>(lParam);
            result = 0;
            const std::size_t line = signedW == -1 ? text.lineOf(text.caret()) : static_cast<std::size_t>(wParam);
            if (!out || signedW < -1 || line >= text.lineCount()) return true;
            const std::size_t room = *reinterpret_cast<const WORD*>(out);
            const std::size_t start = text.lineStart(line), length = text.lineEnd(line) - start;
            const Text units = text.slice(start, start + std::min(room, length));
            std::copy(units.begin(), units.end(), out);
            if (room > length) out[length] = u'\0';
            result = static_cast<LRESULT>(units.size());
            return true;
        }
        case EM_GETFIRSTVISIBLELINE:
            result = static_cast<LRESULT>(first_);
            return true;
        case EM_POSFROMCHAR: {
            if (wParam >= text.size()) {
                result = -1;
                return true;
            }
            const POINT at = pointOf(static_cast<std::size_t>(wParam));
            result = static_cast<LRESULT>(MAKELONG(static_cast<short>(at.x), static_cast<short>(at.y)));
            return true;
        }
        case EM_CHARFROMPOS: {
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            RECT client;
            GetClientRect(hwnd_, &client);
            if (!PtInRect(&client, at)) {
                result = -1;
                return true;
            }
            const std::size_t p = positionAt(at);
            result = static_cast<LRESULT>(MAKELONG(p, text.lineOf(p)));
            return true;
        }
        case EM_GETRECT:
            if (auto* r = reinterpret_cast<RECT*>(lParam)) {
                GetClientRect(hwnd_, r);
                r->left += 2;  // the margin left of the text
            }
            return true;
        case EM_SCROLLCARET:
            followCaret_ = true;
            refresh();
            result = TRUE;
            return true;
        case EM_CANUNDO:
            // EDIT's one level of undo undoes itself: after an undo there
            // is still something to undo.
            result = editor_.canUndo() || editor_.canRedo();
            return true;
        case EM_UNDO:
        case WM_UNDO:
            result = undoOrRedoWhenNothingLeft();
            return true;
        case EM_EMPTYUNDOBUFFER:
            editor_.clearHistory();
            return true;
        case EM_GETMODIFY:
            result = editor_.modified();
            return true;
        case EM_SETMODIFY:
            editor_.setModified(wParam != 0);
            return true;
        case WM_COPY:
            run({EditCommand::Copy});
            return true;
        case WM_CUT:
            run({EditCommand::Cut});
            return true;
        case WM_PASTE:
            run({EditCommand::Paste});
            return true;
        case WM_CLEAR:
            run({EditCommand::EraseSelection});
            return true;
        default:
            return false;
    }
}

}  // namespace malvorn::win32
