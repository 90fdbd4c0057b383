// SPDX-License-Identifier: MIT
#include "platform/shared/memory_controls.h"

#include <algorithm>

#include "platform/error.h"

namespace malvorn {

void MemoryControl::raise(ControlEvent event) { raiseEvent(events_, id_, event); }

void MemoryTextBox::setText(const Text& text) {
    text_ = text;
    selStart_ = 0;
    selLength_ = 0;
    ++changeCount;
    raise(ControlEvent::Change);
}

void MemoryTextBox::replaceSelection(const Text& text) {
    const std::size_t start = std::min(selStart_, text_.size());
    const std::size_t length = std::min(selLength_, text_.size() - start);
    text_.replace(start, length, text);
    selStart_ = start + text.size();
    selLength_ = 0;
    ++changeCount;
    raise(ControlEvent::Change);
}

void MemoryTextBox::select(std::size_t start, std::size_t length) {
    selStart_ = std::min(start, text_.size());
    selLength_ = std::min(length, text_.size() - selStart_);
}

void MemoryTextBox::keyDown(std::int16_t keyCode, std::int16_t shift) { raiseKeyDown(events_, id_, keyCode, shift); }

MemoryCheckBox::MemoryCheckBox(IFormEvents& events, const ControlDesign& d) : MemoryControl(events, d) {
    setValue(d.initialValue);
}

void MemoryCheckBox::setValue(int value) {
    refuseInvalidCheckBoxValue(value);
    value_ = value;
}

void MemoryScrollBar::setValue(std::int16_t v) {
    if (v < s_.minimum || v > s_.maximum) throw PlatformError(errors::InvalidProperty);
    if (v == value_) return;
    value_ = v;
    raise(ControlEvent::Change);
}

void MemoryScrollBar::userSet(int v) {
    v = std::clamp(v, s_.minimum, s_.maximum);
    if (v == value_) return;
    value_ = static_cast<std::int16_t>(v);
    raise(ControlEvent::Change);
}

void MemoryScrollBar::userDrag(int v) {
    value_ = static_cast<std::int16_t>(std::clamp(v, s_.minimum, s_.maximum));
    raise(ControlEvent::Scroll);
}

}  // namespace malvorn
