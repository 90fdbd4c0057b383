// SPDX-License-Identifier: MIT
// One QApplication for all the window tests, on the offscreen platform
// unless the caller asked for another.
#include <gtest/gtest.h>

#include <QApplication>

// Fontconfig keeps its caches to the end of the process on purpose; the leak
// checker of sanitised builds is told so here, where every run (death tests'
// child processes included) picks it up.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests run again in a fresh process rather than in a fork of one
    // that already has Qt's threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
