// SPDX-License-Identifier: MIT
// Folder selection: the drive list, the folder list and the path box follow
// one another. The listing takes its folder from the path box alone.
#include "window/frmMain.h"

namespace malvorn {

void frmMain::drDrive_Change() {
    try {
        if (State.SkipChange) {
            State.SkipChange = False;
            return;
        }
        C.drDir->setPath(C.drDrive->drive());
    } catch (const std::exception& e) {
        ErrorReport(e);
    }
}

void frmMain::drDir_Change() {
    if (State.SkipChange) {
        State.SkipChange = False;
        return;
    }
    State.SkipChange = True;
    C.txtPath->setText(C.drDir->path());
}

void frmMain::txtPath_Change() {
    try {
        if (State.SkipChange) {
            State.SkipChange = False;
            return;
        }
        State.SkipChange = True;
        C.drDrive->setDrive(C.txtPath->text());
        C.drDir->setPath(C.txtPath->text());
    } catch (const std::exception& e) {
        ErrorReport(e);
        drDir_Change();
    }
}

}  // namespace malvorn
