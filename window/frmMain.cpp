// SPDX-License-Identifier: MIT
// Creation and start-up of the window object, and the error report that
// the trapping handlers share.
#include "window/frmMain.h"

#include "platform/shared/dispatch.h"
#include "window/frmMainDesign.h"

namespace malvorn {

frmMain::frmMain(Platform& platform) : P(platform) { C = P.windows.createMainWindow(frmMainDesign(), *this); }

void frmMain::start() {
    dispatchEvent(P.windows, [&] {
        Form_Load();
        C.form->show();
    });
}

void frmMain::ErrorReport(const std::exception& e) {
    const Failure failure = failureOf(e);
    P.windows.messageBox(failure.description, fromUtf8("VB运行时错误：") + decimal(failure.number),
                         MB_ICONEXCLAMATION_OK);
}

}  // namespace malvorn
