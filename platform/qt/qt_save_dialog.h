// SPDX-License-Identifier: MIT
// The save-file dialog over QFileDialog (Qt's own dialog, the same on every
// desktop, so that its file types and behaviour are what the program sets).
#pragma once

#include <QString>
#include <functional>

#include "platform/save_services.h"

class QFileDialog;

namespace malvorn::qt {

class SaveDialog : public ISaveDialog {
public:
    SaveDialogResult show(IForm& owner, const SaveDialogRequest& request) override;

    // Runs once the dialog is set up, just before it opens (tests use it to
    // look at the dialog and to schedule what the user does in it).
    std::function<void(QFileDialog&)> beforeOpen;
};

// "文本文档(TXT)" and "*.TXT" make "文本文档(TXT) (*.TXT *.txt)": the names
// on Linux are case-sensitive, so both spellings of an extension match;
// "*.*" becomes "*", every file.
QString nameFilter(const Text& description, const Text& patterns);

}  // namespace malvorn::qt
