// SPDX-License-Identifier: MIT
#include "platform/win32/win32_result_box.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace malvorn::win32 {

namespace {

constexpr UINT_PTR RefreshTimer = 1;  // the frame after a change from code
constexpr UINT FrameMs = 30;
// Drawing takes at most about a fifth of a running listing's time: the
// next frame waits four times as long as the last one took to draw.
constexpr ULONGLONG FrameCostFactor = 4;

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

ResultBoxWindow::ResultBoxWindow(HWND hwnd) : hwnd_(hwnd) {
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
            if (wParam != RefreshTimer) break;
            {
                const ULONGLONG started = GetTickCount64();
                refresh();
                // Drawn now, so that a click always lands on what it sees.
                UpdateWindow(hwnd_);
                frameCost_ = GetTickCount64() - started;
                return 0;
            }
        case WM_VSCROLL:
        case WM_HSCROLL:
            onScroll(msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL: {
            UINT perNotch = 3;
            SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
            wheelRest_ += GET_WHEEL_DELTA_WPARAM(wParam);
            const int notches = wheelRest_ / WHEEL_DELTA;
            wheelRest_ %= WHEEL_DELTA;
            const int lines = perNotch == WHEEL_PAGESCROLL ? visibleLines() : static_cast<int>(perNotch);
            scrollTo(static_cast<std::ptrdiff_t>(first_) - static_cast<std::ptrdiff_t>(notches) * lines, x_);
            return 0;
        }
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
            onMouse(msg, wParam, lParam);
            return 0;
        case WM_CONTEXTMENU:
            onContextMenu(lParam);
            return 0;
        case WM_KEYDOWN:
            if (onKey(wParam)) return 0;
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

bool ResultBoxWindow::editMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_GETTEXTLENGTH:
            result = static_cast<LRESULT>(text_.size());
            return true;
        case WM_GETTEXT: {
            auto* out = reinterpret_cast<char16_t*>(lParam);
            if (!out || wParam == 0) return true;
            const std::size_t n = std::min<std::size_t>(text_.size(), static_cast<std::size_t>(wParam) - 1);
            const Text part = text_.slice(0, n);
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
            const DWORD start = static_cast<DWORD>(text_.selectionStart()),
                        end = static_cast<DWORD>(text_.selectionEnd());
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
            result = static_cast<LRESULT>(MAKELONG(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF)));
            return true;
        }
        case EM_SETSEL: {
            // As the EDIT control: -1 for the start leaves no selection,
            // -1 for the end means the end of the text.
            const auto start = static_cast<INT_PTR>(wParam), end = static_cast<INT_PTR>(lParam);
            const std::size_t to = end < 0 ? text_.size() : static_cast<std::size_t>(end);
            if (start < 0)
                select(text_.caret(), text_.caret());
            else
                select(static_cast<std::size_t>(start), to);
            return true;
        }
        case EM_REPLACESEL: {
            const auto* in = reinterpret_cast<const char16_t*>(lParam);
            if (in) replaceSelection(in);
            return true;
        }
        case EM_GETLINECOUNT:
            result = static_cast<LRESULT>(text_.lineCount());
            return true;
        default:
            return false;
    }
}

void ResultBoxWindow::setText(TextView text) {
    text_.assign(text);
    first_ = 0;
    x_ = 0;
    widest_ = 0;
    preferredX_ = -1;
    changed();
    followCaret_ = false;
}

void ResultBoxWindow::replaceSelection(TextView text) {
    text_.replaceSelection(text);
    preferredX_ = -1;
    changed();
}

void ResultBoxWindow::select(std::size_t anchor, std::size_t caret) {
    text_.select(anchor, caret);
    preferredX_ = -1;
    changed();
}

void ResultBoxWindow::changed() {
    followCaret_ = true;
    if (refreshDue_) return;
    const ULONGLONG wait = std::max<ULONGLONG>(FrameMs, FrameCostFactor * frameCost_);
    refreshDue_ = SetTimer(hwnd_, RefreshTimer, static_cast<UINT>(std::min<ULONGLONG>(wait, 1000)), nullptr) != 0;
    if (!refreshDue_) refresh();
}

void ResultBoxWindow::refresh() {
    if (refreshDue_) {
        KillTimer(hwnd_, RefreshTimer);
        refreshDue_ = false;
    }
    if (const auto line = text_.takeLongerLine()) widest_ = std::max(widest_, widthOf(lineText(*line)));
    if (followCaret_) ensureCaretVisible();
    followCaret_ = false;
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
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
