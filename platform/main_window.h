// SPDX-License-Identifier: MIT
// The window and its fourteen controls as the core reaches them, and the one
// binding of that record to the control objects a backend built.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/controls.h"
#include "platform/form_design.h"

namespace malvorn {

// The fourteen controls and the window, as a backend built them. The backend
// owns them; they live until the program ends.
struct MainWindow {
    IForm* form = nullptr;
    ITextBox* txtPath = nullptr;
    IFrame* frmSettings = nullptr;
    IFolderList* drDir = nullptr;
    IDriveList* drDrive = nullptr;
    ILabel* lblPath = nullptr;
    IButton* cmdSave = nullptr;
    IButton* cmdDoIt = nullptr;
    ITextBox* txtResult = nullptr;
    IScrollBar* VSLevel = nullptr;
    ITextBox* txtLevel = nullptr;
    ICheckBox* ChNoPath = nullptr;
    ICheckBox* ChHidden = nullptr;
    ICheckBox* ChFiles = nullptr;
    ILabel* lblLevels = nullptr;
};

// The object a backend built for a control, or nullptr when it built none.
using ControlLookup = std::function<IControl*(ControlId)>;

// Binds every named control of the record to the object `controlOf` gives
// for its id. Throws std::logic_error when a control is missing or is not of
// the kind its name says: the backend has not built the designed window.
MainWindow bindMainWindow(IForm& form, const ControlLookup& controlOf);

// A control a backend built, by id; std::logic_error when it built none.
template <class Control>
Control& builtControl(const std::map<ControlId, std::unique_ptr<Control>>& built, ControlId id) {
    auto it = built.find(id);
    if (it == built.end()) throw std::logic_error("no such control");
    return *it->second;
}

// The same as bindMainWindow above, for a backend that keeps the controls
// it built by id.
template <class Control>
MainWindow bindMainWindow(IForm& form, const std::map<ControlId, std::unique_ptr<Control>>& built) {
    return bindMainWindow(form, [&built](ControlId id) -> IControl* {
        auto it = built.find(id);
        return it == built.end() ? nullptr : it->second.get();
    });
}

}  // namespace malvorn
