// SPDX-License-Identifier: MIT
// The window program exactly as `malvorn` runs it (runWindowProgram), closed
// once it is up, as the close box would close it, for app_close_test.cpp.
// Every message box that then comes up is answered with OK, having had its
// title and text written to stderr, so that the test can run the program to
// its end and read what it reported.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "app/qt/window_program.h"

int main(int argc, char** argv) {
    using namespace malvorn;
    return app::runWindowProgram(argc, argv, [](qt::WindowSystem& windows) {
        auto* answer = new QTimer(qApp);  // lives as long as the program
        QObject::connect(answer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::fprintf(stderr, "message box: %s|%s\n", box->windowTitle().toUtf8().constData(),
                             box->text().toUtf8().constData());
                std::fflush(stderr);
                box->accept();
            }
        });
        answer->start(20);
        QTimer::singleShot(0, windows.window(), [&windows] { windows.window()->close(); });
    });
}
