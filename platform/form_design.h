// SPDX-License-Identifier: MIT
// What a backend needs to build the main window: one row a control, in
// front-to-back order within its container (the first row lies in front).
// The rows themselves belong to the window (window/frmMainDesign.cpp);
// backends only read them.
#pragma once

#include <vector>

#include "platform/text.h"

namespace malvorn {

enum class ControlId {
    txtPath,
    frmSettings,
    drDir,
    drDrive,
    lblPath,
    cmdSave,
    cmdDoIt,
    txtResult,
    VSLevel,
    txtLevel,
    ChNoPath,
    ChHidden,
    ChFiles,
    lblLevels,
};

enum class ControlKind {
    SingleLineText,
    MultiLineText,
    PushButton,
    CheckBox,
    Frame,
    Label,
    DriveList,
    FolderList,
    VerticalScrollBar,
};

inline constexpr int TwipsPerPixel = 15;

// One row of the design, written with its fields named.
struct ControlDesign {
    ControlId id;
    const char* name = "";  // the control's name, as the window's code knows it
    ControlKind kind;
    Text caption{};                                // caption, or the initial text of a text box
    bool inFrame = false;                          // inside frmSettings: geometry in twips relative to it
    int left = 0, top = 0, width = 0, height = 0;  // pixels on the window, twips in the frame
    int tabIndex = -1;                             // -1: takes no focus
    int initialValue = 0;                          // check box value; scroll bar position
};

// What a screen reader calls a control that takes the focus but shows no
// caption of its own: the caption of the label that stands for it, or a name
// of its own (no label).
struct SpokenName {
    ControlId control;
    Text name;
    bool byLabel = false;
    ControlId label = ControlId::lblPath;  // when byLabel
};

struct ScrollBarDesign {
    int minimum, maximum, smallChange, largeChange;
};

struct FormDesign {
    Text caption;
    int innerWidth, innerHeight;                // pixels
    std::vector<ControlDesign> windowControls;  // front to back
    std::vector<ControlDesign> frameControls;   // front to back
    ScrollBarDesign scrollBar;
    ControlId initialFocus;
    std::vector<SpokenName> spokenNames;
};

}  // namespace malvorn
