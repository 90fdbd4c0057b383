// SPDX-License-Identifier: MIT
// malvorn-window-bench: the real window (on the platform QT_QPA_PLATFORM
// names, offscreen when unset) listing a folder the way
// a person would (path typed, files on, full paths, the deepest depth, the
// start button clicked), timed from the click to the last line in the box.
//
//   malvorn-window-bench FOLDER [--respond | --save FILE]
//
// Prints the lines listed, the listing's size in UTF-16, the seconds from
// click to finished (wall clock and processor) and the peak resident memory. bench/window-bench runs it.
// With --respond, the box is then filled to 1,000,000 lines and the time
// from each of a person's keys and scrolls to the picture drawn again is
// printed too (respond_ms_...). With --save, the listing is then saved to
// FILE through the save button's code, and the peak resident memory the
// save added is printed (save_peak_rise_kb: VmHWM after the save against
// the resident memory just before it, the peak reset to it first).
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/headless/headless_services.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_text_file.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_listing_view.h"
#include "platform/qt/qt_save_dialog.h"
#include "platform/qt/qt_window_system.h"
#include "window/frmMain.h"

namespace {

// The box filled to 1,000,000 lines, then each key or scroll a person
// gives it, timed to the picture drawn again.
void measureResponses(malvorn::qt::ListingView& view, malvorn::ITextBox& box) {
    const malvorn::Text line = u"C:\\Users\\someone\\Documents\\a folder\\a file name.txt\r\n";
    for (qsizetype n = view.lineCount() - 1; n < 1000000; ++n) box.replaceSelection(line);
    view.refresh();
    view.setFocus();
    view.viewport()->repaint();
    auto timed = [&](const char* name, auto&& action) {
        const auto t0 = std::chrono::steady_clock::now();
        action();
        view.viewport()->repaint();
        const auto t1 = std::chrono::steady_clock::now();
        std::printf("respond_ms_%s %.1f\n", name, std::chrono::duration<double, std::milli>(t1 - t0).count());
    };
    auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, k, m, text);
        QCoreApplication::sendEvent(&view, &press);
    };
    std::printf("respond_lines %lld\n", static_cast<long long>(view.lineCount() - 1));
    timed("ctrl_home", [&] { key(Qt::Key_Home, Qt::ControlModifier); });
    timed("ctrl_end", [&] { key(Qt::Key_End, Qt::ControlModifier); });
    timed("page_up", [&] { key(Qt::Key_PageUp); });
    timed("scroll_to_middle", [&] { view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2); });
    timed("wheel_line", [&] { view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + 3); });
    key(Qt::Key_End, Qt::ControlModifier);
    timed("type_at_end", [&] { key(Qt::Key_X, Qt::NoModifier, QStringLiteral("x")); });
    timed("backspace_at_end", [&] { key(Qt::Key_Backspace); });
    key(Qt::Key_Home, Qt::ControlModifier);
    timed("type_at_start", [&] { key(Qt::Key_X, Qt::NoModifier, QStringLiteral("x")); });
    timed("select_all_and_key", [&] {
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
    });
    timed("undo_whole_listing", [&] { key(Qt::Key_Z, Qt::ControlModifier); });
}

// A field of /proc/self/status in kB.
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string_view(field).size()));
    return -1;
}

// The save dialog answered with a file name, as a person would.
class ChosenFile : public malvorn::ISaveDialog {
public:
    explicit ChosenFile(malvorn::Text name) : name_(std::move(name)) {}
    malvorn::SaveDialogResult show(malvorn::IForm&, const malvorn::SaveDialogRequest&) override {
        return {true, name_, 0};
    }

private:
    malvorn::Text name_;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace malvorn;
    const bool respond = argc == 3 && std::string_view(argv[2]) == "--respond";
    const bool save = argc == 4 && std::string_view(argv[2]) == "--save";
    if (argc != 2 && !respond && !save) {
        std::fprintf(stderr, "usage: malvorn-window-bench FOLDER [--respond | --save FILE]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qt::WindowSystem windows;
    posix::FileSystem files;
    qt::SaveDialog dialog;
    ChosenFile chosen(save ? fromUtf8(argv[3]) : Text());
    ISaveDialog& saveDialog = save ? static_cast<ISaveDialog&>(chosen) : dialog;
    posix::TextFileSystem textFiles;
    headless::ProcessStarter processes;  // closing opens nothing here
    Platform platform{windows, files, saveDialog, textFiles, processes};
    frmMain form(platform);
    form.start();

    form.C.txtPath->setText(fromUtf8(argv[1]));
    form.C.txtLevel->setText(u"32767");
    qobject_cast<QCheckBox*>(windows.widget(ControlId::ChFiles))->setChecked(true);
    qobject_cast<QCheckBox*>(windows.widget(ControlId::ChNoPath))->setChecked(false);
    windows.doEvents();
    if (!windows.windowOpen() || form.C.txtPath->text() != fromUtf8(argv[1])) {
        std::fprintf(stderr, "malvorn-window-bench: the window did not take the folder\n");
        return 1;
    }

    auto* start = qobject_cast<QPushButton*>(windows.widget(ControlId::cmdDoIt));
    auto* result = dynamic_cast<qt::ResultBox*>(form.C.txtResult);
    auto cpuSeconds = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    start->click();
    result->view()->refresh();  // the scroll bars and the caret as the last line left them
    const auto t1 = std::chrono::steady_clock::now();
    const double cpu1 = cpuSeconds();

    const long long lines = result->view()->lineCount() - 1;  // the last line is the empty one after the last CR LF
    const long long chars = result->view()->size();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("lines %lld\nutf16_bytes %lld\nseconds %.3f\ncpu_seconds %.3f\npeak_rss_kb %ld\n", lines, chars * 2,
                std::chrono::duration<double>(t1 - t0).count(), cpu1 - cpu0, usage.ru_maxrss);
    if (respond) measureResponses(*result->view(), *form.C.txtResult);
    if (save) {
        std::ofstream("/proc/self/clear_refs") << "5";  // VmHWM from here on
        const long before = statusKb("VmHWM:");
        form.cmdSave_Click();
        std::printf("save_caption %s\nsave_peak_rise_kb %ld\n", toUtf8(form.C.form->caption()).c_str(),
                    statusKb("VmHWM:") - before);
    }
    return 0;
}
