// SPDX-License-Identifier: MIT
// Test aid (tests/qt/app_close_test.cpp): MALVORN_AUTOCLOSE=1 closes the
// window once it is up, as the close box would, and answers every message
// box that then comes up with OK, having written its title and text to
// stderr, so that a test can run the real program to its end and read what
// it reported. Not meant for users; nothing else reads it.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/qt/qt_window_system.h"

namespace malvorn::app {

inline void scheduleAutoClose(qt::WindowSystem& windows) {
    const char* wanted = std::getenv("MALVORN_AUTOCLOSE");
    if (!wanted || std::strcmp(wanted, "1") != 0) return;
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
}

}  // namespace malvorn::app
