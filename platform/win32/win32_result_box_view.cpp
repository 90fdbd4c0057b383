// SPDX-License-Identifier: MIT
// The result box's picture: the lines in sight, the selection, the caret,
// the scroll bars, and the widths of text in its font.
#include <algorithm>
#include <vector>

#include "platform/win32/win32_result_box.h"

namespace malvorn::win32 {

namespace {

constexpr int Margin = 2;  // pixels left of the text

int clampToInt(std::size_t n) { return n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n); }

}  // namespace

int ResultBoxWindow::visibleLines() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return std::max(1, static_cast<int>(r.bottom - r.top) / lineHeight_);
}

int ResultBoxWindow::clientWidth() const {
    RECT r;
    GetClientRect(hwnd_, &r);
    return std::max(0, static_cast<int>(r.right - r.left));
}

void ResultBoxWindow::setScrollBar(int bar, const SCROLLINFO& info) {
    // Setting a bar redraws it at once; under Wine that costs 1.5 to 5 ms a
    // bar on a busy machine, a tenth of a running listing's time at a frame
    // every 30 ms. During a listing the horizontal bar nearly never changes
    // and the vertical one changes every frame, so a bar is set only when
    // asked for something other than what it was last set to (the system
    // may clamp the page and position it shows, hence our own copy).
    BarSetting& last = bars_[bar == SB_VERT ? 1 : 0];
    if (last.set && last.max == info.nMax && last.page == info.nPage && last.pos == info.nPos) return;
    SetScrollInfo(hwnd_, bar, &info, TRUE);
    last = {true, info.nMax, info.nPage, info.nPos};
}

void ResultBoxWindow::updateScrollBars() {
    const std::size_t visible = static_cast<std::size_t>(visibleLines());
    const std::size_t lines = editor_.text().lineCount();
    first_ = std::min(first_, lines > visible ? lines - visible : 0);
    SCROLLINFO v{};
    v.cbSize = sizeof v;
    v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    v.nMax = clampToInt(lines - 1);
    v.nPage = static_cast<UINT>(visible);
    v.nPos = clampToInt(first_);
    setScrollBar(SB_VERT, v);

    const int width = clientWidth(), content = static_cast<int>(editor_.contentWidth() + 0.5) + 2 * Margin;
    x_ = std::clamp(x_, 0, std::max(0, content - width));
    SCROLLINFO h{};
    h.cbSize = sizeof h;
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    h.nMax = content - 1;
    h.nPage = static_cast<UINT>(width);
    h.nPos = x_;
    setScrollBar(SB_HORZ, h);
}

void ResultBoxWindow::ensureCaretVisible() {
    double left = x_;
    editor_.bringCaretIntoSight(first_, left, static_cast<std::size_t>(visibleLines()), clientWidth() - 2 * Margin);
    x_ = static_cast<int>(left);
}

POINT ResultBoxWindow::pointOf(std::size_t position) {
    const LineText& t = editor_.text();
    const std::size_t line = t.lineOf(position);
    const auto row = static_cast<std::ptrdiff_t>(line) - static_cast<std::ptrdiff_t>(first_);
    return {Margin - x_ + static_cast<int>(xOf(line, position - t.lineStart(line))),
            static_cast<int>(row) * lineHeight_};
}

void ResultBoxWindow::placeCaret() {
    if (GetFocus() != hwnd_) return;
    const std::size_t line = editor_.text().lineOf(editor_.caret());
    const std::size_t visible = static_cast<std::size_t>(visibleLines());
    if (line < first_ || line > first_ + visible) {
        SetCaretPos(-100, -100);  // out of sight
        return;
    }
    const POINT at = pointOf(editor_.caret());
    SetCaretPos(at.x, at.y);
}

void ResultBoxWindow::onWheel(int delta, bool horizontal) {
    int& rest = horizontal ? hwheelRest_ : wheelRest_;
    rest += delta;
    const int notches = rest / WHEEL_DELTA;
    rest %= WHEEL_DELTA;
    if (horizontal) {
        // Right is positive for the horizontal wheel.
        UINT perNotch = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLCHARS, 0, &perNotch, 0);
        scrollTo(static_cast<std::ptrdiff_t>(first_),
                 std::max(0, x_ + notches * static_cast<int>(perNotch) * charWidth_));
        return;
    }
    UINT perNotch = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
    const int lines = perNotch == WHEEL_PAGESCROLL ? visibleLines() : static_cast<int>(perNotch);
    scrollTo(static_cast<std::ptrdiff_t>(first_) - static_cast<std::ptrdiff_t>(notches) * lines, x_);
}

void ResultBoxWindow::scrollTo(std::ptrdiff_t line, int x) {
    first_ = static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, line));
    x_ = x;
    updateScrollBars();
    placeCaret();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ResultBoxWindow::onScroll(int bar, int code) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(hwnd_, bar, &si);
    const bool vertical = bar == SB_VERT;
    const int step = vertical ? 1 : charWidth_ * 2;
    const int page = vertical ? visibleLines() : std::max(1, clientWidth() - charWidth_ * 2);
    int pos = si.nPos;
    switch (code) {
        case SB_LINEUP:
            pos -= step;
            break;
        case SB_LINEDOWN:
            pos += step;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = si.nTrackPos;  // 32 bits, unlike the message's position
            break;
        case SB_TOP:
            pos = si.nMin;
            break;
        case SB_BOTTOM:
            pos = si.nMax;
            break;
        default:
            return;
    }
    pos = std::max(pos, 0);
    if (vertical)
        scrollTo(pos, x_);
    else
        scrollTo(static_cast<std::ptrdiff_t>(first_), pos);
}

TextView ResultBoxWindow::lineText(std::size_t line) {
    shown_ = forDisplay(editor_.text().line(line, scratch_));
    return shown_;
}

int ResultBoxWindow::widthOf(TextView shown) const {
    if (shown.empty()) return 0;
    SIZE size{};
    GetTextExtentPoint32W(measure_, reinterpret_cast<const wchar_t*>(shown.data()), clampToInt(shown.size()), &size);
    return static_cast<int>(size.cx);
}

double ResultBoxWindow::xOf(std::size_t line, std::size_t column) {
    if (column == 0) return 0;
    return widthOf(lineText(line).substr(0, column));
}

std::size_t ResultBoxWindow::pageLines() { return static_cast<std::size_t>(visibleLines()); }

std::size_t ResultBoxWindow::columnAt(std::size_t line, double x) {
    const TextView shown = lineText(line);
    if (shown.empty() || x <= 0) return 0;
    // The edge nearest the point, from the extents of every prefix.
    std::vector<INT> ends(shown.size());
    SIZE size{};
    GetTextExtentExPointW(measure_, reinterpret_cast<const wchar_t*>(shown.data()), clampToInt(shown.size()), 0,
                          nullptr, ends.data(), &size);
    std::size_t column = shown.size();
    int left = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (x < (left + ends[i] + 1) / 2) {
            column = i;
            break;
        }
        left = ends[i];
    }
    return column;  // the editor keeps it out of a surrogate pair
}

std::size_t ResultBoxWindow::positionAt(POINT point) {
    const int row = point.y >= 0 ? point.y / lineHeight_ : -((-point.y + lineHeight_ - 1) / lineHeight_);
    const std::ptrdiff_t wanted = static_cast<std::ptrdiff_t>(first_) + row;
    const LineText& t = editor_.text();
    const std::size_t line =
        static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(wanted, 0, static_cast<std::ptrdiff_t>(t.lineCount()) - 1));
    std::size_t p = t.lineStart(line) + columnAt(line, point.x - Margin + x_);
    // Not between the halves of a surrogate pair.
    if (p > t.lineStart(line) && p < t.lineEnd(line) && t.at(p) >= 0xDC00 && t.at(p) <= 0xDFFF &&
        t.at(p - 1) >= 0xD800 && t.at(p - 1) <= 0xDBFF)
        --p;
    return p;
}

void ResultBoxWindow::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int width = std::max<int>(1, client.right), height = std::max<int>(1, client.bottom);
    // Drawn off screen and put up in one piece: no flicker at the frame rate
    // of a running listing.
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    HGDIOBJ oldFont = SelectObject(mem, font_);
    FillRect(mem, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(mem, TRANSPARENT);

    const std::size_t lines = editor_.text().lineCount();
    const std::size_t last = std::min(lines - 1, first_ + static_cast<std::size_t>(height / lineHeight_) + 1);
    const int x0 = Margin - x_;
    int widest = 0;
    for (std::size_t line = first_; line <= last && first_ < lines; ++line) {
        const int y = static_cast<int>(line - first_) * lineHeight_;
        const Text shown(lineText(line));
        const auto* units = reinterpret_cast<const wchar_t*>(shown.data());
        const int n = clampToInt(shown.size());
        SetTextColor(mem, GetSysColor(COLOR_WINDOWTEXT));
        ExtTextOutW(mem, x0, y, 0, nullptr, units, static_cast<UINT>(n), nullptr);
        if (const auto band = editor_.selectionOn(line)) {
            const int a = x0 + widthOf(TextView(shown).substr(0, band->from));
            int b = x0 + widthOf(TextView(shown).substr(0, band->to));
            if (band->lineEnd) b += spaceWidth_;  // the line end is selected too
            const RECT rect{a, y, b, y + lineHeight_};
            SetBkColor(mem, GetSysColor(COLOR_HIGHLIGHT));
            SetTextColor(mem, GetSysColor(COLOR_HIGHLIGHTTEXT));
            ExtTextOutW(mem, x0, y, ETO_CLIPPED | ETO_OPAQUE, &rect, units, static_cast<UINT>(n), nullptr);
        }
        widest = std::max(widest, widthOf(shown));
    }
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
           mem, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(mem, oldFont);
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    EndPaint(hwnd_, &ps);
    if (widest > editor_.contentWidth()) {
        editor_.noteWidth(widest);
        updateScrollBars();
    }
}

}  // namespace malvorn::win32
