// SPDX-License-Identifier: MIT
// The window's controls as the core sees them. A backend implements these
// over real widgets (Qt, Win32) or over plain memory (headless).
//
// The rule for change events, which every backend must keep:
//  * assigning a value from code raises the control's change event
//    synchronously, inside the assignment, before the assignment returns;
//  * a text box raises Change on EVERY assignment of its text, also when the
//    new text equals the old one (toolkits such as Qt do not: the backend
//    must raise it itself);
//  * the scroll bar, the folder list and the drive list raise Change only
//    when the value actually changes;
//  * events reach the core through IFormEvents (form_events.h).
//
// Geometry: controls placed directly on the window use pixels; controls
// inside the frame use twips relative to the frame (15 twips a pixel). The
// backend knows which is which (form_design.h) and converts. Values are
// single precision because the layout computes them so; a move or size with
// a negative width or height throws PlatformError and changes nothing.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/text.h"

namespace malvorn {

struct Bounds {
    float left = 0, top = 0, width = 0, height = 0;
};

class IControl {
public:
    virtual ~IControl() = default;
    virtual Bounds bounds() const = 0;
    virtual void move(float left, float top, float width, float height) = 0;
    virtual void setWidth(float width) = 0;
    virtual void setHeight(float height) = 0;
};

class ITextBox : public virtual IControl {
public:
    virtual Text text() const = 0;
    // The same text piece by piece, in order, for a reader that need not
    // hold it whole (the save): a box holding a long text hands out its
    // blocks as they are. No piece ends inside a surrogate pair.
    virtual void readText(const std::function<void(TextView)>& piece) const { piece(text()); }
    // Raises Change on every call, unchanged text included.
    virtual void setText(const Text& text) = 0;
    // Replaces the current selection (as a rule none, the caret at the end)
    // with the text; the caret ends behind it.
    virtual void replaceSelection(const Text& text) = 0;
};

class IButton : public virtual IControl {
public:
    virtual void setCaption(const Text& caption) = 0;
};

class ICheckBox : public virtual IControl {
public:
    // 0 clear, 1 ticked, 2 grayed.
    virtual int value() const = 0;
    // Any other value throws PlatformError (invalid property value) and
    // changes nothing (refuseInvalidCheckBoxValue). Raises no event.
    virtual void setValue(int value) = 0;
};

class IFrame : public virtual IControl {};
class ILabel : public virtual IControl {};

class IDriveList : public virtual IControl {
public:
    // The current drive as text, in a form the folder list accepts as a path.
    virtual Text drive() const = 0;
    // Takes the drive the text begins with. Throws PlatformError when the
    // text names no available drive. Change only when the drive changes.
    virtual void setDrive(const Text& text) = 0;
};

class IFolderList : public virtual IControl {
public:
    // The current folder as a full path.
    virtual Text path() const = 0;
    // Accepts a folder path or a drive as the drive list reports it. Throws
    // PlatformError when it cannot show the folder. Change only when the
    // path changes.
    virtual void setPath(const Text& path) = 0;
};

class IScrollBar : public virtual IControl {
public:
    virtual std::int16_t value() const = 0;
    // Change only when the value changes.
    virtual void setValue(std::int16_t value) = 0;
};

// The top-level window itself.
class IForm {
public:
    virtual ~IForm() = default;
    virtual Text caption() const = 0;
    virtual void setCaption(const Text& caption) = 0;
    // Inner (client) area in pixels; 0 x 0 while minimised.
    virtual int innerWidth() const = 0;
    virtual int innerHeight() const = 0;
    // Shows the window; the first display raises Resize.
    virtual void show() = 0;
    // Has a screen reader say an outcome that shows nowhere the focus is
    // (a listing's end, a save's title). Nothing where the window system
    // has no way to say it.
    virtual void announce(const Text& words) { (void)words; }
};

}  // namespace malvorn
