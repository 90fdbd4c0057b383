// SPDX-License-Identifier: MIT
#include "platform/form_events.h"

namespace malvorn {

namespace {

struct EventRow {
    ControlId control;
    ControlEvent event;
    ControlHandler handler;
};

constexpr EventRow eventTable[] = {
    {ControlId::txtPath, ControlEvent::Change, &IFormEvents::txtPath_Change},
    {ControlId::txtLevel, ControlEvent::Change, &IFormEvents::txtLevel_Change},
    {ControlId::drDrive, ControlEvent::Change, &IFormEvents::drDrive_Change},
    {ControlId::drDir, ControlEvent::Change, &IFormEvents::drDir_Change},
    {ControlId::VSLevel, ControlEvent::Change, &IFormEvents::VSLevel_Change},
    {ControlId::VSLevel, ControlEvent::Scroll, &IFormEvents::VSLevel_Scroll},
    {ControlId::cmdDoIt, ControlEvent::Click, &IFormEvents::cmdDoIt_Click},
    {ControlId::cmdSave, ControlEvent::Click, &IFormEvents::cmdSave_Click},
};

}  // namespace

ControlHandler handlerOf(ControlId control, ControlEvent event) {
    for (const EventRow& row : eventTable)
        if (row.control == control && row.event == event) return row.handler;
    return nullptr;
}

KeyDownHandler keyDownHandlerOf(ControlId control) {
    return control == ControlId::txtLevel ? &IFormEvents::txtLevel_KeyDown : nullptr;
}

void raiseEvent(IFormEvents& events, ControlId control, ControlEvent event) {
    if (const ControlHandler handler = handlerOf(control, event)) (events.*handler)();
}

void raiseKeyDown(IFormEvents& events, ControlId control, std::int16_t& KeyCode, std::int16_t Shift) {
    if (const KeyDownHandler handler = keyDownHandlerOf(control)) (events.*handler)(KeyCode, Shift);
}

}  // namespace malvorn
