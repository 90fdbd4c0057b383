// SPDX-License-Identifier: MIT
#include "platform/win32/win32_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/form_events.h"
#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"

namespace malvorn::win32 {

PlatformError invalidProperty() { return PlatformError(errors::InvalidProperty); }

int toPixels(double value) {
    const double r = std::nearbyint(value);
    if (!(r > -1e6)) return -1000000;
    if (r > 1e6) return 1000000;
    return static_cast<int>(r);
}

Text windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return fromWide(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

Control::Control(WindowSystem& ws, const ControlDesign& d, HWND hwnd)
    : KeptBoundsControl(d), ws_(ws), id_(d.id), kind_(d.kind), hwnd_(hwnd), inFrame_(d.inFrame) {}

RECT Control::pixelRect() const {
    // Edges are rounded, not sizes, so that neighbours that touch in twips
    // touch on the screen as well.
    const double scale = inFrame_ ? 1.0 / TwipsPerPixel : 1.0;
    RECT r;
    r.left = toPixels(b_.left * scale);
    r.top = toPixels(b_.top * scale);
    r.right = toPixels((static_cast<double>(b_.left) + b_.width) * scale);
    r.bottom = toPixels((static_cast<double>(b_.top) + b_.height) * scale);
    return r;
}

void Control::applyBounds() {
    const RECT r = pixelRect();
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// Text boxes.

TextBox::TextBox(WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Control(ws, d, hwnd) {}

Text TextBox::text() const { return windowText(hwnd_); }

LRESULT TextBox::sendQuietly(UINT msg, WPARAM wParam, LPARAM lParam) {
    ++suppress_;
    const LRESULT r = SendMessageW(hwnd_, msg, wParam, lParam);
    --suppress_;
    return r;
}

void TextBox::setText(const Text& text) {
    // The same text again leaves the box alone, caret and selection where
    // the user has them (the depth box is rewritten after every keystroke);
    // other text puts the caret at its end. Change comes either way.
    const bool single = kind_ == ControlKind::SingleLineText;
    if (!single || text != windowText(hwnd_)) {
        sendQuietly(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text)));
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(hwnd_));
        SendMessageW(hwnd_, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
    if (single) known_ = text;
    raiseChange();
}

void TextBox::replaceSelection(const Text& text) {
    sendQuietly(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(text)));
    if (kind_ == ControlKind::SingleLineText) known_ = windowText(hwnd_);
    raiseChange();
}

void TextBox::raiseChange() { raiseEvent(ws_.events(), id_, ControlEvent::Change); }

void TextBox::onCommand(int code) {
    if (code != EN_CHANGE || suppress_ > 0 || ws_.building()) return;
    if (kind_ == ControlKind::MultiLineText) return;  // raises no Change
    Text now = windowText(hwnd_);
    if (now == known_) return;
    known_ = std::move(now);
    // Typed, pasted or cut by the user.
    ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Change); });
}

// Buttons and check boxes.

void Button::setCaption(const Text& caption) {
    previousCaption_ = windowText(hwnd_);
    captionSince_ = GetTickCount();
    SetWindowTextW(hwnd_, wide(caption));
}

void Button::notePress(const MSG& msg) {
    const bool press = msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK ||
                       (msg.message == WM_KEYDOWN && msg.wParam == VK_SPACE);
    if (!press) return;
    // A press made before the caption changed, but taken from the queue
    // only now, was made on the caption before.
    const bool earlier = static_cast<LONG>(msg.time - captionSince_) < 0;
    pressed_ = true;
    pressedCaption_ = earlier ? previousCaption_ : windowText(hwnd_);
}

void Button::noteRelease(const MSG& msg) {
    if (msg.message == WM_LBUTTONUP || (msg.message == WM_KEYUP && msg.wParam == VK_SPACE)) pressed_ = false;
}

Text Button::caption() const { return windowText(hwnd_); }

void Button::click() {
    ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Click); });
}

void Button::onCommand(int code) {
    if (code != BN_CLICKED || ws_.building()) return;
    // A click from code (BM_CLICK) has no press of its own in the queue.
    const bool stale = pressed_ && pressedCaption_ != windowText(hwnd_);
    pressed_ = false;
    if (!stale) click();
}

int CheckBox::value() const {
    const LRESULT state = SendMessageW(hwnd_, BM_GETCHECK, 0, 0);
    if (state == BST_CHECKED) return 1;
    if (state == BST_INDETERMINATE) return 2;
    return 0;
}

void CheckBox::setValue(int value) {
    refuseInvalidCheckBoxValue(value);
    if (value == 2) {
        // Only a three-state box shows grayed.
        const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
        SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_AUTO3STATE);
    }
    SendMessageW(hwnd_, BM_SETCHECK, value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED, 0);
}

// The frame.

namespace {

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* ws = reinterpret_cast<WindowSystem*>(self);
    if ((msg == WM_COMMAND || msg == WM_VSCROLL) && ws->routeControlMessage(msg, wParam, lParam)) return 0;
    switch (msg) {
        case WM_ERASEBKGND: {
            // A group box paints only its border and caption; as a container it
            // must paint the ground its children stand on.
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            // The colours a window gives its controls by default (a button
            // window as parent would leave them unpainted).
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        default:
            break;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, frameProc, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

Frame::Frame(WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Control(ws, d, hwnd) {
    // A group box keeps its children's notifications to itself.
    SetWindowSubclass(hwnd_, frameProc, 1, reinterpret_cast<DWORD_PTR>(&ws_));
}

// The scroll bar.

ScrollBar::ScrollBar(WindowSystem& ws, const ControlDesign& d, HWND hwnd, const ScrollBarDesign& s)
    : Control(ws, d, hwnd), value_(static_cast<std::int16_t>(d.initialValue)), s_(s) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
    si.nMin = s_.minimum;
    si.nMax = s_.maximum;
    si.nPage = 0;
    si.nPos = value_;
    SetScrollInfo(hwnd_, SB_CTL, &si, TRUE);
}

void ScrollBar::show(int value) { SetScrollPos(hwnd_, SB_CTL, value, TRUE); }

void ScrollBar::setValue(std::int16_t value) {
    if (value < s_.minimum || value > s_.maximum) throw invalidProperty();
    if (value == value_) return;
    value_ = value;
    show(value_);
    raiseEvent(ws_.events(), id_, ControlEvent::Change);
}

void ScrollBar::onScroll(int code, int position) {
    auto stepTo = [&](int target) {
        target = std::clamp(target, s_.minimum, s_.maximum);
        if (target == value_) return;
        value_ = static_cast<std::int16_t>(target);
        show(value_);
        ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Change); });
    };
    // The range fits in the 16 bits that the message carries.
    auto trackPosition = [&] { return std::clamp(position, s_.minimum, s_.maximum); };
    switch (code) {
        case SB_LINEUP:
            stepTo(value_ - s_.smallChange);
            break;
        case SB_LINEDOWN:
            stepTo(value_ + s_.smallChange);
            break;
        case SB_PAGEUP:
            stepTo(value_ - s_.largeChange);
            break;
        case SB_PAGEDOWN:
            stepTo(value_ + s_.largeChange);
            break;
        case SB_TOP:
            stepTo(s_.minimum);
            break;
        case SB_BOTTOM:
            stepTo(s_.maximum);
            break;
        case SB_THUMBTRACK: {
            // The thumb is being dragged: Scroll, the value following it.
            if (!dragging_) {
                dragging_ = true;
                dragStart_ = value_;
            }
            value_ = static_cast<std::int16_t>(trackPosition());
            show(value_);
            ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Scroll); });
            break;
        }
        case SB_THUMBPOSITION: {
            // Released: the change is reported with the end of the scroll.
            if (!dragging_) {
                dragging_ = true;
                dragStart_ = value_;
            }
            value_ = static_cast<std::int16_t>(trackPosition());
            show(value_);
            break;
        }
        case SB_ENDSCROLL:
            if (dragging_) {
                dragging_ = false;
                if (value_ != dragStart_) ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Change); });
            }
            break;
        default:
            break;
    }
}

// The window.

Text Form::caption() const { return windowText(hwnd_); }

void Form::setCaption(const Text& caption) { SetWindowTextW(hwnd_, wide(caption)); }

void Form::announce(const Text& words) { announceToScreenReaders(hwnd_, words, News::Done); }

int Form::innerWidth() const {
    if (IsIconic(hwnd_)) return 0;
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.right - r.left;
}

int Form::innerHeight() const {
    if (IsIconic(hwnd_)) return 0;
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.bottom - r.top;
}

void Form::show() {
    const bool first = !shown_;
    ShowWindow(hwnd_, showCommand_);
    UpdateWindow(hwnd_);
    if (!first) return;
    ws_.focusInitial();
    shown_ = true;
    lastWidth_ = innerWidth();
    lastHeight_ = innerHeight();
    ws_.events().Form_Resize();
}

bool Form::sizeChanged() {
    const int w = innerWidth(), h = innerHeight();
    if (w == lastWidth_ && h == lastHeight_) return false;
    lastWidth_ = w;
    lastHeight_ = h;
    return true;
}

}  // namespace malvorn::win32
