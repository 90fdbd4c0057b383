// SPDX-License-Identifier: MIT
// The start/stop button: a click while idle runs a whole listing inside the
// click; a click during the run (arriving in one of the walk's event pumps)
// only raises the stop request that the walk polls. Once a run is over,
// however it ended, the file system hears that the run has ended
// (IFileSystem::runEnded), here and nowhere else.
#include "window/frmMain.h"
#include "window/frmMainDesign.h"

namespace malvorn {

void frmMain::cmdDoIt_Click() {
    if (State.Running) {
        State.StopFlag = True;
        return;
    }
    try {
        State.DirsOnly = True;
        State.DirAttr = attr::Directory;
        State.NoPath = False;
        if (C.ChFiles->value() != 0) State.DirsOnly = False;
        if (C.ChHidden->value() != 0) State.DirAttr |= attr::Hidden;
        if (C.ChNoPath->value() != 0) State.NoPath = True;
        State.StopFlag = False;
        State.Running = True;
        listedLines_ = 0;
        C.txtResult->setText(Text());
        C.cmdDoIt->setCaption(captions::DoItRunning());
        ListFile(C.txtPath->text(), 1);
        C.cmdDoIt->setCaption(captions::DoItIdle());
        State.Running = False;
        // The lines go into a box without the focus and the caption change
        // is not spoken: a screen reader says the end of the run.
        C.form->announce(captions::ListingEnded(State.StopFlag != 0, listedLines_));
    } catch (const std::exception& e) {
        ErrorReport(e);
        try {
            C.cmdDoIt->setCaption(captions::DoItIdle());
        } catch (const std::exception&) {
            // Already reported once; the run still ends.
        }
        State.Running = False;
    }
    P.files.runEnded();
}

}  // namespace malvorn
