// The window's events as the backend delivers them to the core. The window
// object implements this; the backend calls it on the user-interface thread.
#pragma once

#include <cstdint>

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

}  // namespace malvorn
