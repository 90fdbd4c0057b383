#include "platform/win32/win32_result_edit.h"

#include <algorithm>

#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

namespace {

// The result box hands gathered text to the edit control at most this
// often while a listing runs (every pump otherwise: the walk pumps once a
// folder, and the control redraws on each insertion). Once the box holds
// megabytes, an insertion costs time of its own (the control moves its
// whole text), so the interval grows with that cost: the listing spends at
// most about a fifth of its time handing text over.
constexpr ULONGLONG ResultFlushInterval = 100;  // ms
constexpr ULONGLONG ResultFlushCostFactor = 4;
constexpr std::size_t ResultFlushSize = 4u << 20;  // characters held at most

}  // namespace

Win32ResultEdit::Win32ResultEdit(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Win32TextBox(ws, d, hwnd) {
    // No limit beyond memory: the listing can be long.
    SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
}

Text Win32ResultEdit::text() const {
    const_cast<Win32ResultEdit*>(this)->flush();
    return Win32TextBox::text();
}

void Win32ResultEdit::setText(const Text& text) {
    pending_.clear();
    Win32TextBox::setText(text);
}

void Win32ResultEdit::replaceSelection(const Text& text) {
    pending_ += text;
    if (pending_.size() >= ResultFlushSize) flush();
}

bool Win32ResultEdit::flush(bool force) {
    if (pending_.empty()) return false;
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG interval = std::max(ResultFlushInterval, ResultFlushCostFactor * lastFlushCost_);
    if (!force && now - lastFlush_ < interval) return false;
    Text text;
    text.swap(pending_);
    sendQuietly(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(text)));
    lastFlush_ = GetTickCount64();
    lastFlushCost_ = lastFlush_ - now;
    return true;
}

void Win32ResultEdit::addFlushCost(ULONGLONG ms) { lastFlushCost_ += ms; }

}  // namespace malvorn::win32
