// SPDX-License-Identifier: MIT
// The window's events as the backend delivers them to the core. The window
// object implements this; the backend calls it on the user-interface thread.
// Which handler hears which control's event is the one table below: a
// backend that reports an event of a control asks it for the handler and
// never tests control ids itself.
#pragma once

#include <cstdint>

#include "platform/form_design.h"

namespace malvorn {

class IFormEvents {
public:
    virtual ~IFormEvents() = default;
    virtual void Form_Load() = 0;
    virtual void Form_Resize() = 0;
    // Cancel is zero on entry; non-zero on return keeps the window open.
    virtual void Form_Unload(std::int16_t& Cancel) = 0;
    virtual void cmdDoIt_Click() = 0;
    virtual void cmdSave_Click() = 0;
    virtual void drDrive_Change() = 0;
    virtual void drDir_Change() = 0;
    virtual void txtPath_Change() = 0;
    virtual void txtLevel_Change() = 0;
    // KeyCode is the virtual-key code (38 Up, 40 Down, 33 PgUp, 34 PgDn).
    virtual void txtLevel_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) = 0;
    virtual void VSLevel_Change() = 0;
    virtual void VSLevel_Scroll() = 0;
};

// What a control reports. KeyDown carries arguments and has a lookup of its
// own (keyDownHandlerOf).
enum class ControlEvent {
    Change,  // text, drive, folder or scroll position changed
    Click,   // push button pressed
    Scroll,  // scroll bar thumb dragged
};

using ControlHandler = void (IFormEvents::*)();
using KeyDownHandler = void (IFormEvents::*)(std::int16_t& KeyCode, std::int16_t Shift);

// The handler of `event` on `control`; nullptr when the window has none
// (the check boxes, the result box, the frame and the labels have none).
ControlHandler handlerOf(ControlId control, ControlEvent event);
KeyDownHandler keyDownHandlerOf(ControlId control);

// Runs the handler of `event` on `control`, if there is one, straight away.
// Whether a failure escaping it is trapped is the caller's matter: inside a
// programmatic assignment it goes back to the assigning code; for a user
// event the backend sends this through dispatchEvent.
void raiseEvent(IFormEvents& events, ControlId control, ControlEvent event);
void raiseKeyDown(IFormEvents& events, ControlId control, std::int16_t& KeyCode, std::int16_t Shift);

}  // namespace malvorn
