// SPDX-License-Identifier: MIT
// The result box: a window class of our own for the listing, in place of
// the multi-line EDIT control. The EDIT control lays out its whole text
// again as it grows (a long listing spent nearly all its time there) and
// slows down badly past a few megabytes; this box holds the text once, in
// a LineText with an index of line starts, appends in constant time and
// draws only the lines in sight.
//
// It does for the user what the multi-line text box does: caret and
// selection by mouse (Shift extends) and keys, scrolling both ways without
// wrapping, typing and the input method's committed text, Backspace and
// Delete, cut, copy, paste and select all through the clipboard
// (CF_UNICODETEXT) and a context menu. It answers the EDIT control's
// messages for text and selection (WM_GETTEXT, EM_SETSEL, EM_REPLACESEL,
// ...), so that other programs and tests can drive it the same way.
//
// Text written from code is in the box at once; the scroll bars and the
// picture follow at most once a frame, so a listing is not held up by
// drawing. A user's click or key therefore always meets every line written
// before it. Units that are not text are drawn as U+FFFD and kept as they
// are.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/line_text.h"
#include "platform/win32/win32_controls.h"

namespace malvorn::win32 {

class ResultBoxWindow {
public:
    static constexpr wchar_t ClassName[] = L"MalvornResultBox";
    // Registers the window class (once per process; later calls do nothing).
    static void registerClass(HINSTANCE instance);
    // The box of a window of the class; null for any other window.
    static ResultBoxWindow* of(HWND hwnd);

    HWND handle() const { return hwnd_; }
    const LineText& content() const { return text_; }
    Text text() const { return text_.text(); }
    void setText(TextView text);
    // Replaces the selection; the caret ends behind the new text.
    void replaceSelection(TextView text);
    void select(std::size_t anchor, std::size_t caret);

    // Scroll bars, caret and picture brought up to date now rather than
    // at the next frame.
    void refresh();
    // Where a click at a point of the client area puts the caret.
    std::size_t positionAt(POINT point);
    std::size_t firstLine() const { return first_; }
    int lineHeight() const { return lineHeight_; }

private:
    explicit ResultBoxWindow(HWND hwnd);
    ~ResultBoxWindow();
    ResultBoxWindow(const ResultBoxWindow&) = delete;
    ResultBoxWindow& operator=(const ResultBoxWindow&) = delete;

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    // The EDIT control's messages for text and selection; false for others.
    bool editMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // After a change from code: the refresh waits for the next frame.
    void changed();
    void paint();
    void updateScrollBars();
    void ensureCaretVisible();
    void placeCaret();
    void scrollTo(std::ptrdiff_t line, int x);
    void onScroll(int bar, int code);
    int visibleLines() const;
    int clientWidth() const;

    // Widths in pixels, with the box's font, of a line as it is drawn.
    TextView lineText(std::size_t line);
    int widthOf(TextView shown) const;
    int xOf(std::size_t line, std::size_t column);
    std::size_t columnAt(std::size_t line, int x);

    // What the user does (win32_result_box_input.cpp).
    void onMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    bool onKey(WPARAM key);
    void onChar(wchar_t c);
    void onContextMenu(LPARAM lParam);
    void userReplace(TextView text);
    void userMove(std::size_t position, bool keepAnchor);
    void copy();
    void cut();
    void paste();
    void selectWordAt(std::size_t position);
    std::size_t wordStep(std::size_t position, bool forward) const;
    void placeImeWindow();

    HWND hwnd_;
    LineText text_;
    HFONT font_ = nullptr;
    HDC measure_ = nullptr;  // a memory DC with the font, for widths
    HGDIOBJ oldFont_ = nullptr;
    int lineHeight_ = 16, spaceWidth_ = 4, charWidth_ = 6;
    std::size_t first_ = 0;  // top line in sight
    int x_ = 0;              // pixels scrolled to the right
    int widest_ = 0;         // widest line seen, pixels
    int preferredX_ = -1;    // the column Up and Down keep, pixels
    int wheelRest_ = 0;
    bool refreshDue_ = false;
    ULONGLONG frameCost_ = 0;  // ms the last frame took to draw
    bool followCaret_ = false;
    Text scratch_, shown_;
};

// The result box as a control of the window: the text box the window
// object writes the listing into. It raises no events (the core has no
// handler for it).
class ResultBox : public Control, public ITextBox {
public:
    ResultBox(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text text() const override { return box_.text(); }
    void setText(const Text& text) override { box_.setText(text); }
    void replaceSelection(const Text& text) override { box_.replaceSelection(text); }
    ResultBoxWindow& box() { return box_; }

private:
    ResultBoxWindow& box_;
};

}  // namespace malvorn::win32
