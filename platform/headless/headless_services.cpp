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

class MemoryTextFile : public ITextFile {
public:
    MemoryTextFile(TextFileSystem& fs, Text path) : fs_(fs), path_(std::move(path)) {}
    void write(const Text& text) override {
        std::string bytes = toUtf8(text);
        if (fs_.failWrite) {
            fs_.files[path_] += bytes.substr(0, fs_.writtenBeforeFailure);
            throw PlatformError(*fs_.failWrite);
        }
        fs_.files[path_] += bytes;
    }
    void close() override {
        ++fs_.closed;
        if (fs_.failClose) throw PlatformError(*fs_.failClose);
    }

private:
    TextFileSystem& fs_;
    Text path_;
};

}  // namespace

std::unique_ptr<ITextFile> TextFileSystem::createForOutput(const Text& path) {
    if (auto it = failCreate.find(path); it != failCreate.end()) throw PlatformError(it->second);
    files[path].clear();
    ++opened;
    return std::make_unique<MemoryTextFile>(*this, path);
}

void ProcessStarter::startHidden(const Text& commandLine) {
    if (failToStart) throw PlatformError(*failToStart);
    started.push_back(commandLine);
}

}  // namespace malvorn::headless
