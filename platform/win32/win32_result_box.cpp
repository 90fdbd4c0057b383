// SPDX-License-Identifier: MIT
#include "platform/win32/win32_result_box.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>

#include "platform/win32/win32_accessibility.h"

namespace malvorn::win32 {

namespace {

using std::chrono::microseconds;
constexpr microseconds FrameTime{30000};
// Drawing takes at most about a ninth of a running listing's time: the
// next frame waits eight times as long as the last one took to draw. Only
// a slow frame stretches the wait (under Wine on a busy machine one takes 4
// to 6 ms, of which the vertical scroll bar's redraw is most).
constexpr int FrameCostFactor = 8;
constexpr microseconds LongestWait{1000000};

}  // namespace

void ResultBoxWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, ClassName, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM));
    wc.hbrBackground = nullptr;  // the box paints all of itself
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
}

ResultBoxWindow* ResultBoxWindow::of(HWND hwnd) {
    wchar_t name[32] = {};
    if (!hwnd || !GetClassNameW(hwnd, name, 32) || lstrcmpW(name, ClassName) != 0) return nullptr;
    return reinterpret_cast<ResultBoxWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

ResultBoxWindow::ResultBoxWindow(HWND hwnd) : hwnd_(hwnd), editor_(editWordRule()) {
    editor_.setLayout(this);
    // The default GUI font, with glyphs 12 pixels high as the window's
    // layout assumes.
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = -12;
    lf.lfWidth = 0;
    font_ = CreateFontIndirectW(&lf);
    if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    measure_ = CreateCompatibleDC(nullptr);
    oldFont_ = SelectObject(measure_, font_);
    TEXTMETRICW tm{};
    if (GetTextMetricsW(measure_, &tm)) {
        lineHeight_ = std::max<int>(1, tm.tmHeight + tm.tmExternalLeading);
        charWidth_ = std::max<int>(1, tm.tmAveCharWidth);
    }
    spaceWidth_ = std::max(1, widthOf(u" "));
}

ResultBoxWindow::~ResultBoxWindow() {
    SelectObject(measure_, oldFont_);
    DeleteDC(measure_);
    if (font_ != GetStockObject(DEFAULT_GUI_FONT)) DeleteObject(font_);
}

LRESULT CALLBACK ResultBoxWindow::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ResultBoxWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        try {
            self = new ResultBoxWindow(hwnd);
        } catch (const std::exception&) {
            return FALSE;
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        delete self;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    // Nothing may unwind through the system's code. What can fail here is
    // memory for the text; the user's key or paste is then refused aloud.
    try {
        return self->handle(msg, wParam, lParam);
    } catch (const std::exception&) {
        MessageBeep(MB_ICONHAND);
        return 0;
    }
}

LRESULT ResultBoxWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (editMessage(msg, wParam, lParam, result)) return result;
    switch (msg) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            updateScrollBars();
            placeCaret();
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_TIMER:
            if (wParam == ScrollTimer) {
                autoscroll();
                return 0;
            }
            if (wParam != RefreshTimer) break;
            {
                // Timed by the steady clock: GetTickCount64 moves in steps
                // of 15.6 ms on Windows, which would make a short frame
                // look long now and then.
                const auto started = std::chrono::steady_clock::now();
                refresh();
                // Drawn now, so that a click always lands on what it sees.
                UpdateWindow(hwnd_);
                frameCost_ = std::chrono::duration_cast<microseconds>(std::chrono::steady_clock::now() - started);
                return 0;
            }
        case WM_VSCROLL:
        case WM_HSCROLL:
            onScroll(msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            // As EDIT: with Shift or Ctrl the wheel is not the box's.
            if (GET_KEYSTATE_WPARAM(wParam) & (MK_SHIFT | MK_CONTROL)) break;
            onWheel(GET_WHEEL_DELTA_WPARAM(wParam), false);
            return 0;
        case WM_MOUSEHWHEEL:
            onWheel(GET_WHEEL_DELTA_WPARAM(wParam), true);
            return 0;
        case WM_SETFOCUS:
            CreateCaret(hwnd_, nullptr, 1, lineHeight_);
            placeCaret();
            ShowCaret(hwnd_);
            return 0;
        case WM_KILLFOCUS:
            DestroyCaret();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_MOUSEMOVE:
        case WM_CAPTURECHANGED:
            onMouse(msg, wParam, lParam);
            return 0;
        case WM_CONTEXTMENU:
            onContextMenu(lParam);
            return 0;
        case WM_KEYDOWN:
            if (onKey(wParam, false)) return 0;
            break;
        case WM_SYSKEYDOWN:
            // Alt+Backspace undoes, or redoes when nothing is left, as in EDIT.
            if (wParam == VK_BACK && onKey(wParam, true)) return 0;
            break;
        case WM_SYSCHAR:
            if (wParam == VK_BACK) return 0;  // no beep for Alt+Backspace
            break;
        case WM_CHAR:
        case WM_IME_CHAR:
            // The input method's committed text comes as WM_IME_CHAR;
            // taken here, it does not come again as WM_CHAR.
            onChar(static_cast<wchar_t>(wParam));
            return 0;
        case WM_IME_STARTCOMPOSITION:
            placeImeWindow();
            break;
        case WM_CREATE:
            // The style bits EDIT's proxies read: a multi-line box that
            // scrolls both ways.
            SetWindowLongPtrW(hwnd_, GWL_STYLE,
                              GetWindowLongPtrW(hwnd_, GWL_STYLE) | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                                  ES_NOHIDESEL | ES_WANTRETURN);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case WM_SETFONT:
            return 0;  // the box keeps its own font
        case WM_SYSCOLORCHANGE:
            InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void ResultBoxWindow::setText(TextView text) {
    editor_.assign(text);
    first_ = 0;
    x_ = 0;
    changed();
    followCaret_ = false;
}

void ResultBoxWindow::replaceSelection(TextView text) {
    editor_.write(text);
    // As EM_REPLACESEL in EDIT, which the listing's lines once went through.
    editor_.setModified(true);
    changed();
}

void ResultBoxWindow::select(std::size_t anchor, std::size_t caret) {
    editor_.select(anchor, caret);
    changed();
}

void ResultBoxWindow::changed() {
    followCaret_ = true;
    if (refreshDue_) return;
    const microseconds wait = std::clamp(FrameCostFactor * frameCost_, FrameTime, LongestWait);
    const auto ms = static_cast<UINT>(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count());
    refreshDue_ = SetTimer(hwnd_, RefreshTimer, ms, nullptr) != 0;
    if (!refreshDue_) refresh();
}

void ResultBoxWindow::refresh() {
    if (refreshDue_) {
        KillTimer(hwnd_, RefreshTimer);
        refreshDue_ = false;
    }
    if (followCaret_) ensureCaretVisible();
    followCaret_ = false;
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
    announce();
}

void ResultBoxWindow::announce() {
    // One event for all the text that changed since the last frame (a
    // running listing's lines), and one when the caret or the selection
    // moved; the proxies then read what they need.
    const std::vector<TextChange> changes = editor_.takeChanges();
    const bool textChanged = !changes.empty();
    // EVENT_OBJECT_VALUECHANGE says nothing of what went: what the user
    // erased is said as a notification of its own.
    for (const TextChange& c : changes)
        if (c.inserted == 0 && !c.removedText.empty()) announceToScreenReaders(hwnd_, c.removedText, News::Removed);
    const bool moved = editor_.caret() != announcedCaret_ || editor_.anchor() != announcedAnchor_;
    announcedCaret_ = editor_.caret();
    announcedAnchor_ = editor_.anchor();
    if (textChanged) NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    if (moved) NotifyWinEvent(EVENT_OBJECT_TEXTSELECTIONCHANGED, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

namespace {

ResultBoxWindow& boxOf(HWND hwnd) {
    ResultBoxWindow* box = ResultBoxWindow::of(hwnd);
    if (!box) throw std::logic_error("not a result box window");
    return *box;
}

}  // namespace

ResultBox::ResultBox(WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Control(ws, d, hwnd), box_(boxOf(hwnd)) {}

}  // namespace malvorn::win32
