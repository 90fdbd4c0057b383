// SPDX-License-Identifier: MIT
// The window's controls as standard Windows controls: text boxes, buttons,
// check boxes, the frame, labels, the scroll bar, and the window itself.
// The drive and folder lists are in win32_folder_lists.h, the result box in
// win32_result_box.h.
//
// A control raises the events of the user's actions through the window
// system's deliver (held exceptions, dispatchEvent); the events of an
// assignment from code are raised directly, inside the assignment.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/error.h"
#include "platform/shared/kept_bounds.h"
#include "platform/window_system.h"

namespace malvorn::win32 {

class WindowSystem;

// A window's text (a control's text or caption).
Text windowText(HWND hwnd);
// A coordinate in pixels, held inside what a window position can take.
int toPixels(double value);
PlatformError invalidProperty();

class Control : public KeptBoundsControl {
public:
    Control(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    ~Control() override = default;

    ControlId id() const { return id_; }
    ControlKind kind() const { return kind_; }
    HWND handle() const { return hwnd_; }
    bool inFrame() const { return inFrame_; }
    // The rectangle in pixels of the parent window that the bounds stand for.
    RECT pixelRect() const;

    // Notifications from the control (WM_COMMAND / WM_VSCROLL) while the
    // user works it. Default: none of interest.
    virtual void onCommand(int /*code*/) {}

    // Puts the window where the kept bounds say.
    void applyBounds() override;

protected:
    WindowSystem& ws_;
    ControlId id_;
    ControlKind kind_;
    HWND hwnd_;
    bool inFrame_;
};

class TextBox : public Control, public ITextBox {
public:
    TextBox(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text text() const override;
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;
    void onCommand(int code) override;

protected:
    void raiseChange();  // from an assignment by code
    // Sends a message that changes the text, the native EN_CHANGE it causes
    // not taken for the user's edit.
    LRESULT sendQuietly(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    int suppress_ = 0;  // inside a programmatic change: the native EN_CHANGE is not the event
    // The text as last seen: the system also sends EN_CHANGE without a
    // change (Wine on Ctrl+A), which is no edit of the user's.
    Text known_;
};

// A click belongs to the caption the button showed when it was pressed:
// the stop button pressed during a listing that has ended by the time it
// is released (or by the time the press is taken from the queue) starts
// nothing.
class Button : public Control, public IButton {
public:
    using Control::Control;
    void setCaption(const Text& caption) override;
    Text caption() const;
    void onCommand(int code) override;
    // Raises Click as the user's press does.
    void click();
    // Sees each input message for the button before it is dispatched, and
    // after (the release that ends a press).
    void notePress(const MSG& msg);
    void noteRelease(const MSG& msg);

private:
    Text previousCaption_;
    DWORD captionSince_ = 0;  // message time at which the caption was set
    bool pressed_ = false;
    Text pressedCaption_;
};

class CheckBox : public Control, public ICheckBox {
public:
    using Control::Control;
    int value() const override;
    void setValue(int value) override;
};

// The group box is the parent of the frame's controls: it passes their
// notifications on and paints the ground they stand on.
class Frame : public Control, public IFrame {
public:
    Frame(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
};

class Label : public Control, public ILabel {
public:
    using Control::Control;
};

class ScrollBar : public Control, public IScrollBar {
public:
    ScrollBar(WindowSystem& ws, const ControlDesign& d, HWND hwnd, const ScrollBarDesign& s);
    std::int16_t value() const override { return value_; }
    void setValue(std::int16_t value) override;
    // WM_VSCROLL from the control: arrows, trough, thumb (`position` is
    // the thumb's position for the thumb codes).
    void onScroll(int code, int position);

private:
    void show(int value);
    std::int16_t value_;
    ScrollBarDesign s_;
    bool dragging_ = false;
    std::int16_t dragStart_ = 0;
};

class Form : public IForm {
public:
    Form(WindowSystem& ws, HWND hwnd, int showCommand) : ws_(ws), hwnd_(hwnd), showCommand_(showCommand) {}
    Text caption() const override;
    void setCaption(const Text& caption) override;
    int innerWidth() const override;
    int innerHeight() const override;
    void show() override;
    // A UI Automation notification, where the system has it.
    void announce(const Text& words) override;

    HWND handle() const { return hwnd_; }
    WindowSystem& windowSystem() { return ws_; }
    bool shown() const { return shown_; }
    // The inner size last reported by Resize; true when it differs now.
    bool sizeChanged();

private:
    WindowSystem& ws_;
    HWND hwnd_;
    int showCommand_;
    bool shown_ = false;
    int lastWidth_ = -1, lastHeight_ = -1;
};

}  // namespace malvorn::win32
