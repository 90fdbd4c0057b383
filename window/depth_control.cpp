// SPDX-License-Identifier: MIT
// Depth control: the depth box and the scroll bar beside it, kept showing
// the same depth as `Levels`. Each assignment to one of them from here is
// preceded by setting SkipChange, so that the echo it raises is swallowed.
#include "window/depth_numbers.h"
#include "window/frmMain.h"

namespace malvorn {

namespace {
constexpr std::int32_t MaxLevels = 32767;
constexpr std::int16_t KeyPageUp = 33, KeyPageDown = 34, KeyUp = 38, KeyDown = 40;
}  // namespace

void frmMain::ValidateLevels() {
    if (State.Levels > MaxLevels) State.Levels = MaxLevels;
    if (State.Levels < 1) State.Levels = 1;
}

void frmMain::txtLevel_Change() {
    if (State.SkipChange) {
        State.SkipChange = False;
        return;
    }
    State.Levels = RoundToInt32(LeadingNumber(C.txtLevel->text()));
    ValidateLevels();
    State.SkipChange = True;
    C.VSLevel->setValue(static_cast<std::int16_t>(MaxLevels - State.Levels));
    State.SkipChange = True;
    C.txtLevel->setText(decimal(State.Levels));
}

void frmMain::txtLevel_KeyDown(std::int16_t& KeyCode, std::int16_t /*Shift*/) {
    const std::int16_t code = KeyCode;
    double step = 0;
    if (code == KeyUp) step = 1;
    if (code == KeyDown) step = -1;
    if (code == KeyPageUp) step = 10;
    if (code == KeyPageDown) step = -10;
    if (step == 0) return;
    C.txtLevel->setText(SteppedText(LeadingNumber(C.txtLevel->text()) + step));
}

void frmMain::VSLevel_Change() {
    if (State.SkipChange) {
        State.SkipChange = False;
        return;
    }
    State.Levels = MaxLevels - static_cast<std::int32_t>(C.VSLevel->value());
    State.SkipChange = True;
    C.txtLevel->setText(decimal(State.Levels));
}

void frmMain::VSLevel_Scroll() { VSLevel_Change(); }

}  // namespace malvorn
