// SPDX-License-Identifier: MIT
#include "platform/main_window.h"

#include <stdexcept>

namespace malvorn {

namespace {

template <class Kind>
Kind* bind(const ControlLookup& controlOf, ControlId id) {
    auto* control = dynamic_cast<Kind*>(controlOf(id));
    if (!control) throw std::logic_error("a control of the window is missing or of another kind");
    return control;
}

}  // namespace

MainWindow bindMainWindow(IForm& form, const ControlLookup& controlOf) {
    using I = ControlId;
    MainWindow w;
    w.form = &form;
    w.txtPath = bind<ITextBox>(controlOf, I::txtPath);
    w.frmSettings = bind<IFrame>(controlOf, I::frmSettings);
    w.drDir = bind<IFolderList>(controlOf, I::drDir);
    w.drDrive = bind<IDriveList>(controlOf, I::drDrive);
    w.lblPath = bind<ILabel>(controlOf, I::lblPath);
    w.cmdSave = bind<IButton>(controlOf, I::cmdSave);
    w.cmdDoIt = bind<IButton>(controlOf, I::cmdDoIt);
    w.txtResult = bind<ITextBox>(controlOf, I::txtResult);
    w.VSLevel = bind<IScrollBar>(controlOf, I::VSLevel);
    w.txtLevel = bind<ITextBox>(controlOf, I::txtLevel);
    w.ChNoPath = bind<ICheckBox>(controlOf, I::ChNoPath);
    w.ChHidden = bind<ICheckBox>(controlOf, I::ChHidden);
    w.ChFiles = bind<ICheckBox>(controlOf, I::ChFiles);
    w.lblLevels = bind<ILabel>(controlOf, I::lblLevels);
    return w;
}

}  // namespace malvorn
