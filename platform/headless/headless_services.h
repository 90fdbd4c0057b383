// SPDX-License-Identifier: MIT
// Scripted save dialog, in-memory text files and a recording process
// starter, for tests of the core.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/process.h"
#include "platform/save_services.h"

namespace malvorn::headless {

class SaveDialog : public ISaveDialog {
public:
    // Answers in order; when none is left the dialog is cancelled.
    std::deque<SaveDialogResult> answers;
    std::function<void()> whileOpen;  // runs while the dialog is up
    std::vector<SaveDialogRequest> requests;
    std::optional<Failure> failToShow;

    SaveDialogResult show(IForm& owner, const SaveDialogRequest& request) override;
};

// Files as UTF-8 bytes (escaped bytes restored), keyed by path. A file's
// new text replaces its entry only when close() succeeds.
class TextFileSystem : public ITextFileSystem {
public:
    std::map<Text, std::string> files;
    std::map<Text, Failure> failCreate;
    std::optional<Failure> failWrite;  // the write fails after writing `writtenBeforeFailure` bytes
    std::size_t writtenBeforeFailure = 0;
    std::optional<Failure> failClose;  // a failure that shows only at close (a full disk)
    int opened = 0, closed = 0;
    int discarded = 0;  // files dropped without a successful close()

    std::unique_ptr<ITextFile> createForOutput(const Text& path) override;
};

class ProcessStarter : public IProcessStarter {
public:
    std::vector<Text> started;
    std::optional<Failure> failToStart;

    Text urlOpenCommand(const Text& url) const override { return u"cmd /c start " + url; }
    void startHidden(const Text& commandLine) override;
};

}  // namespace malvorn::headless
