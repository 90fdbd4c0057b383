// SPDX-License-Identifier: MIT
// The result box: a window class of our own for the listing, in place of
// the multi-line EDIT control. The EDIT control lays out its whole text
// again as it grows (a long listing spent nearly all its time there) and
// slows down badly past a few megabytes; this box holds the text once, in
// a LineText with an index of line starts, appends in constant time and
// draws only the lines in sight.
//
// It is a thin view over the shared TextEditor (the caret, the selection,
// every command and the undo history live there): the box turns mouse and
// keys into the editor's commands, measures and paints, and talks to the
// clipboard (CF_UNICODETEXT), the input method and accessibility. For
// accessibility it passes for the system's multi-line EDIT control: it
// answers WM_GETOBJECT's OBJID_QUERYCLASSNAMEIDX as EDIT does, so that the
// system's MSAA and UIA proxies for EDIT serve it, and answers the EM_* and
// WM_* messages those proxies and scripts send as EDIT answers them
// (win32_result_box_edit.cpp); it moves a system caret, and raises
// EVENT_OBJECT_VALUECHANGE at most once per painted frame.
//
// Text written from code is in the box at once; the scroll bars and the
// picture follow at most once a frame, so a listing is not held up by
// drawing. A user's click or key therefore always meets every line written
// before it. Units that are not text are drawn as U+FFFD and kept as they
// are.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>

#include "platform/shared/edit_commands.h"
#include "platform/shared/text_editor.h"
#include "platform/win32/win32_controls.h"

namespace malvorn::win32 {

class ResultBoxWindow : private TextLayout, private EditClipboard {
public:
    static constexpr wchar_t ClassName[] = L"MalvornResultBox";
    // Registers the window class (once per process; later calls do nothing).
    static void registerClass(HINSTANCE instance);
    // The box of a window of the class; null for any other window.
    static ResultBoxWindow* of(HWND hwnd);

    HWND handle() const { return hwnd_; }
    const LineText& content() const { return editor_.text(); }
    const TextEditor& editor() const { return editor_; }
    Text text() const { return editor_.text().text(); }
    // From code: the text anew (the history emptied), and text written
    // over the selection, caret behind it; neither is an undo step.
    void setText(TextView text);
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
    static constexpr UINT_PTR RefreshTimer = 1;  // the frame after a change from code
    static constexpr UINT_PTR ScrollTimer = 2;   // the mouse held past an edge

    explicit ResultBoxWindow(HWND hwnd);
    ~ResultBoxWindow();
    ResultBoxWindow(const ResultBoxWindow&) = delete;
    ResultBoxWindow& operator=(const ResultBoxWindow&) = delete;

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    // The EDIT control's messages, answered as EDIT answers them; false
    // for others (win32_result_box_edit.cpp).
    bool editMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // After a change from code: the refresh waits for the next frame.
    void changed();
    void paint();
    void updateScrollBars();
    // SB_HORZ or SB_VERT to the range, page and position given.
    void setScrollBar(int bar, const SCROLLINFO& info);
    void ensureCaretVisible();
    void placeCaret();
    void scrollTo(std::ptrdiff_t line, int x);
    void onScroll(int bar, int code);
    void onWheel(int delta, bool horizontal);
    int visibleLines() const;
    int clientWidth() const;
    // Where a position is drawn, in client coordinates.
    POINT pointOf(std::size_t position);
    // The changes since the last frame, to the accessibility proxies.
    void announce();

    // TextLayout: widths in pixels, with the box's font, of a line as it
    // is drawn.
    double xOf(std::size_t line, std::size_t column) override;
    std::size_t columnAt(std::size_t line, double x) override;
    std::size_t pageLines() override;
    TextView lineText(std::size_t line);
    int widthOf(TextView shown) const;

    // What the user does (win32_result_box_input.cpp).
    void onMouse(UINT msg, WPARAM wParam, LPARAM lParam);
    void autoscroll();
    bool onKey(WPARAM key, bool alt);
    void onChar(wchar_t c);
    void onContextMenu(LPARAM lParam);
    // After a command of the user's: the caret into sight and the picture
    // and the proxies up to date at once.
    void userDid();
    // A key's, the menu's or a message's command, then userDid.
    void run(EditAction action);
    // EM_UNDO and WM_UNDO: whether there was anything to undo or redo.
    bool undoOrRedoWhenNothingLeft();
    // EditClipboard: the system clipboard, as CF_UNICODETEXT.
    void putOnClipboard(const Text& text) override;
    Text clipboardText() override;
    bool clipboardHasText() override;
    void placeImeWindow();

    HWND hwnd_;
    TextEditor editor_;
    HFONT font_ = nullptr;
    HDC measure_ = nullptr;  // a memory DC with the font, for widths
    HGDIOBJ oldFont_ = nullptr;
    int lineHeight_ = 16, spaceWidth_ = 4, charWidth_ = 6;
    std::size_t first_ = 0;  // top line in sight
    int x_ = 0;              // pixels scrolled to the right
    int wheelRest_ = 0, hwheelRest_ = 0;
    // What each scroll bar was last set to (horizontal, vertical).
    struct BarSetting {
        bool set = false;
        int max = 0;
        UINT page = 0;
        int pos = 0;
    };
    BarSetting bars_[2];
    bool refreshDue_ = false;
    std::chrono::microseconds frameCost_{0};  // what the last frame took to draw
    bool followCaret_ = false;
    bool dragging_ = false;
    POINT mouseAt_{};
    DWORD doubleClickTime_ = 0;  // when the last double-click was, for a third
    POINT doubleClickAt_{};
    std::size_t announcedCaret_ = 0, announcedAnchor_ = 0;
    Text scratch_, shown_;
};

// The result box as a control of the window: the text box the window
// object writes the listing into. It raises no events (the core has no
// handler for it).
class ResultBox : public Control, public ITextBox {
public:
    ResultBox(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text text() const override { return box_.text(); }
    void readText(const std::function<void(TextView)>& piece) const override { box_.content().readPieces(piece); }
    void setText(const Text& text) override { box_.setText(text); }
    void replaceSelection(const Text& text) override { box_.replaceSelection(text); }
    ResultBoxWindow& box() { return box_; }

private:
    ResultBoxWindow& box_;
};

}  // namespace malvorn::win32
