// SPDX-License-Identifier: MIT
// malvorn: the folder lister's window on Linux.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/qt/auto_close.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_text_file.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_save_dialog.h"
#include "platform/qt/qt_window_system.h"
#include "window/frmMain.h"

namespace {

using namespace malvorn;

// Screenshot aid (scripts/screenshot): MALVORN_AUTOLIST=<folder> puts the
// folder into the path box (and MALVORN_AUTOLIST_LEVELS=<n> the depth into
// the depth box, MALVORN_AUTOLIST_FILES=1 ticks the files box) and clicks
// the start button once the window is up. For scripts/screenshot and
// bench/close-bench, not for users; nothing else reads them.
void scheduleAutoList(frmMain& form, qt::WindowSystem& windows) {
    const char* folder = std::getenv("MALVORN_AUTOLIST");
    if (!folder || !*folder) return;
    const Text path = fromUtf8(folder);
    const char* levels = std::getenv("MALVORN_AUTOLIST_LEVELS");
    const Text depth = levels && *levels ? fromUtf8(levels) : Text();
    const char* files = std::getenv("MALVORN_AUTOLIST_FILES");
    const bool withFiles = files && std::strcmp(files, "1") == 0;
    QTimer::singleShot(200, windows.window(), [&form, &windows, path, depth, withFiles] {
        try {
            // The depth first: a path that is already the folder list's own
            // leaves the next change swallowed, as typing it would.
            if (!depth.empty()) form.C.txtLevel->setText(depth);
            if (withFiles) form.C.ChFiles->setValue(1);
            form.C.txtPath->setText(path);
        } catch (const PlatformError&) {
            return;
        }
        if (auto* button = qobject_cast<QPushButton*>(windows.widget(ControlId::cmdDoIt))) button->click();
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qt::setUpApplication(app);
    qt::WindowSystem windows;
    posix::FileSystem files;
    qt::SaveDialog saveDialog;
    posix::TextFileSystem textFiles;
    // A close-time opener that cannot be started is an unhandled failure:
    // reported with its number and description, then the program ends.
    posix::ProcessStarter processes;
    Platform platform{windows, files, saveDialog, textFiles, processes};

    frmMain form(platform);
    form.start();
    scheduleAutoList(form, windows);
    app::scheduleAutoClose(windows);
    windows.run();
    return 0;
}
