// SPDX-License-Identifier: MIT
#include "app/qt/window_program.h"

#include <QApplication>

#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_text_file.h"
#include "platform/qt/qt_application.h"
#include "platform/qt/qt_save_dialog.h"
#include "window/frmMain.h"

namespace malvorn::app {

int runWindowProgram(int argc, char** argv, const std::function<void(qt::WindowSystem&)>& whenUp) {
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
    if (whenUp) whenUp(windows);
    windows.run();
    return 0;
}

}  // namespace malvorn::app
