// SPDX-License-Identifier: MIT
// The window object: the window's state record, its controls, its handlers
// and procedures. The handlers are defined where their subject lives:
//   engine/  ListFile, TestPath, PushDir (walk), cmdDoIt_Click (run control)
//   window/  depth control, folder selection, start-up, layout, close
//   save/    cmdSave_Click
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

#include "platform/platform.h"

namespace malvorn {

// A flag as the window stores it: true -1, false 0, any non-zero is true.
using Flag = std::int16_t;
inline constexpr Flag True = -1;
inline constexpr Flag False = 0;

// Module-level state of the window; all zero when the window is created.
struct WindowState {
    std::int32_t Levels = 0;   // depth limit, 1 = entries of the start folder
    Flag SkipChange = False;   // swallow the next change of the five controls
    Flag NoPath = False;       // bare names indented by level
    Flag DirsOnly = False;     // accept folders only
    std::int32_t DirAttr = 0;  // enumeration mask: 16, or 18 with hidden
    Flag StopFlag = False;     // a stop was requested
    Flag Running = False;      // a listing run is in progress
};

class frmMain : public IFormEvents {
public:
    // Creates the window and its controls (hidden); nothing else runs.
    explicit frmMain(Platform& platform);

    // Start-up: Form_Load, then show (which raises the first Resize).
    void start();

    WindowState State;
    MainWindow C;  // the controls

    // Listing engine.
    void ListFile(Text Path, std::int32_t Layer);
    Flag TestPath(const Text& PathName);
    void PushDir(TextView DirStr);
    void cmdDoIt_Click() override;

    // Depth control.
    void ValidateLevels();
    void txtLevel_Change() override;
    void txtLevel_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) override;
    void VSLevel_Change() override;
    void VSLevel_Scroll() override;

    // Folder selection.
    void drDrive_Change() override;
    void drDir_Change() override;
    void txtPath_Change() override;

    // Start-up, layout and close.
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Unload(std::int16_t& Cancel) override;

    // Saving.
    void cmdSave_Click() override;

private:
    // One modal message box for a trapped failure, whatever the exception.
    void ErrorReport(const std::exception& e);
    // Takes one event pump; ends the program when no window is left.
    void Pump();

    Platform& P;
    Text line_;                    // PushDir's line with its line end, kept for its room
    std::size_t listedLines_ = 0;  // lines PushDir wrote in this run, for the reader's word at its end
};

// Publisher, kept in one place.
const Text& PublisherSiteName();  // "Malvorn"
const Text& PublisherAddress();   // "https://malvorn.example/"

}  // namespace malvorn
