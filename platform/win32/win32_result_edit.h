// The result box as a standard multi-line EDIT control. It stands alone so
// that another kind of result box can take its place: the window system
// knows it only through the Win32ResultBox calls below.
//
// Appended lines are gathered and handed to the edit control in one piece:
// the control redraws on every insertion, which made a long listing crawl.
#pragma once

#include "platform/win32/win32_controls.h"

namespace malvorn::win32 {

class Win32ResultEdit : public Win32TextBox {
public:
    Win32ResultEdit(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text text() const override;
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;

    // Hands gathered text to the edit control; called at pumps and before
    // anything reads or changes the box. `force` also when the last
    // hand-over was recent. True when text was handed over.
    bool flush(bool force = true);
    // Time spent afterwards because of the last hand-over (the redraw).
    void addFlushCost(ULONGLONG ms);

private:
    Text pending_;
    ULONGLONG lastFlush_ = 0;      // when the last hand-over ended
    ULONGLONG lastFlushCost_ = 0;  // how long it took, ms
};

}  // namespace malvorn::win32
