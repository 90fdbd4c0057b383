// SPDX-License-Identifier: MIT
// The controls of a window system without widgets, held in memory and
// keeping the rules of platform/controls.h: the console's (malvorn-list)
// and the headless test double's. Only the controls are shared; each
// window system stays its own, and each backend adds what only it has
// (the console's result box that streams, the double's scripted users).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/form_events.h"
#include "platform/shared/kept_bounds.h"

namespace malvorn {

class MemoryControl : public KeptBoundsControl {
public:
    ControlId id() const { return id_; }

protected:
    MemoryControl(IFormEvents& events, const ControlDesign& d) : KeptBoundsControl(d), events_(events), id_(d.id) {}
    // Runs the window's handler of this control's event, if it has one.
    void raise(ControlEvent event);

    IFormEvents& events_;
    ControlId id_;
};

// A text box with a selection; Change on every assignment.
class MemoryTextBox : public MemoryControl, public ITextBox {
public:
    MemoryTextBox(IFormEvents& events, const ControlDesign& d) : MemoryControl(events, d), text_(d.caption) {}
    Text text() const override { return text_; }
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;
    // What a user does: type a whole new text (one Change), select, press a key.
    void userType(const Text& text) { setText(text); }
    void select(std::size_t start, std::size_t length);
    std::size_t selStart() const { return selStart_; }
    void keyDown(std::int16_t keyCode, std::int16_t shift = 0);
    int changeCount = 0;

protected:
    Text text_;
    std::size_t selStart_ = 0, selLength_ = 0;
};

class MemoryButton : public MemoryControl, public IButton {
public:
    MemoryButton(IFormEvents& events, const ControlDesign& d) : MemoryControl(events, d), caption_(d.caption) {}
    void setCaption(const Text& caption) override { caption_ = caption; }
    Text caption() const { return caption_; }

private:
    Text caption_;
};

class MemoryCheckBox : public MemoryControl, public ICheckBox {
public:
    MemoryCheckBox(IFormEvents& events, const ControlDesign& d);
    int value() const override { return value_; }
    void setValue(int value) override;

private:
    int value_ = 0;
};

class MemoryFrame : public MemoryControl, public IFrame {
public:
    MemoryFrame(IFormEvents& events, const ControlDesign& d) : MemoryControl(events, d) {}
};

class MemoryLabel : public MemoryControl, public ILabel {
public:
    MemoryLabel(IFormEvents& events, const ControlDesign& d) : MemoryControl(events, d) {}
};

class MemoryScrollBar : public MemoryControl, public IScrollBar {
public:
    MemoryScrollBar(IFormEvents& events, const ControlDesign& d, const ScrollBarDesign& s)
        : MemoryControl(events, d), value_(static_cast<std::int16_t>(d.initialValue)), s_(s) {}
    std::int16_t value() const override { return value_; }
    void setValue(std::int16_t v) override;
    // Arrow, trough or thumb release: Change when the value changes.
    void userSet(int v);
    // Thumb dragged to a position: Scroll (the value follows).
    void userDrag(int v);

private:
    std::int16_t value_;
    ScrollBarDesign s_;
};

}  // namespace malvorn
