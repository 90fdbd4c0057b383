// SPDX-License-Identifier: MIT
// The save-file dialog (the ANSI common dialog) and text files written in
// the ANSI code page.
#pragma once

#include <functional>

#include "platform/save_services.h"

namespace malvorn::win32 {

class SaveDialog : public ISaveDialog {
public:
    SaveDialogResult show(IForm& owner, const SaveDialogRequest& request) override;
};

class TextFileSystem : public ITextFileSystem {
public:
    std::unique_ptr<ITextFile> createForOutput(const Text& path) override;
};

// How a text goes into a file: in the ANSI code page without a byte-order
// mark when every character has its own form there, otherwise as UTF-8
// with a byte-order mark so that no name is lost.
std::string encodeForFile(TextView text, bool* usedUtf8 = nullptr);

}  // namespace malvorn::win32
