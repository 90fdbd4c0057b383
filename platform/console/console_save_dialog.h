// SPDX-License-Identifier: MIT
// The save dialog of the console: there is none to show, so the person has
// chosen no file, as when the dialog is cancelled.
#pragma once

#include "platform/save_services.h"

namespace malvorn::console {

class SaveDialog : public ISaveDialog {
public:
    SaveDialogResult show(IForm&, const SaveDialogRequest&) override { return SaveDialogResult{}; }
};

}  // namespace malvorn::console
