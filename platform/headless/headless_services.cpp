// SPDX-License-Identifier: MIT
#include "platform/headless/headless_services.h"

namespace malvorn::headless {

SaveDialogResult SaveDialog::show(IForm&, const SaveDialogRequest& request) {
    requests.push_back(request);
    if (failToShow) throw PlatformError(*failToShow);
    if (whileOpen) whileOpen();
    if (answers.empty()) return SaveDialogResult{};
    SaveDialogResult r = answers.front();
    answers.pop_front();
    return r;
}

namespace {

// The text goes to `files` only when close() succeeds.
class MemoryTextFile : public ITextFile {
public:
    MemoryTextFile(TextFileSystem& fs, Text path) : fs_(fs), path_(std::move(path)) {}
    ~MemoryTextFile() override {
        if (!closed_) ++fs_.discarded;
    }
    void write(const TextPieces& text) override {
        std::string bytes;
        text([&](TextView piece) { bytes += toUtf8(piece); });
        if (fs_.failWrite) {
            pending_ += bytes.substr(0, fs_.writtenBeforeFailure);
            throw PlatformError(*fs_.failWrite);
        }
        pending_ += bytes;
    }
    void close() override {
        ++fs_.closed;
        if (fs_.failClose) throw PlatformError(*fs_.failClose);
        fs_.files[path_] = std::move(pending_);
        closed_ = true;
    }

private:
    TextFileSystem& fs_;
    Text path_;
    std::string pending_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<ITextFile> TextFileSystem::createForOutput(const Text& path) {
    if (auto it = failCreate.find(path); it != failCreate.end()) throw PlatformError(it->second);
    ++opened;
    return std::make_unique<MemoryTextFile>(*this, path);
}

void ProcessStarter::startHidden(const Text& commandLine) {
    if (failToStart) throw PlatformError(*failToStart);
    started.push_back(commandLine);
}

}  // namespace malvorn::headless
