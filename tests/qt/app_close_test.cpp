// SPDX-License-Identifier: MIT
// The program's close, run as malvorn runs it (runWindowProgram, in
// close_program.cpp): an opener that cannot be started is an unhandled
// failure, reported with its number and description before the program
// ends; and the access keys of the buttons.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

TEST(QtAppClose, TheRealProgramReportsAMissingOpenerAndEnds) {
    // A PATH with no program in it (the suppression file is no program):
    // xdg-open cannot be found.
    QTemporaryDir emptyFolder;
    ASSERT_TRUE(emptyFolder.isValid());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", emptyFolder.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Under LeakSanitizer: what fontconfig keeps for the box's text is its
    // own (the test program carries the same suppression).
    QFile suppressions(emptyFolder.filePath("lsan.supp"));
    ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly));
    suppressions.write("leak:libfontconfig.so\n");
    suppressions.close();
    env.insert("LSAN_OPTIONS", "suppressions=" + suppressions.fileName());
    program.setProcessEnvironment(env);
    program.start(MALVORN_QT_PROGRAM, QStringList());
    ASSERT_TRUE(program.waitForStarted(-1));
    ASSERT_TRUE(program.waitForFinished(-1));  // no time limit: the test's own timeout applies
    const std::string err = program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << err;
    EXPECT_EQ(program.exitCode(), 0) << err;
    const std::string report = "message box: Malvorn|运行时错误 53：文件未找到";
    const std::size_t at = err.find(report);
    EXPECT_NE(at, std::string::npos) << err;
    EXPECT_EQ(err.find("message box:", at + 1), std::string::npos) << "one report only: " << err;
}

TEST(QtAppClose, AltKeysPressTheButtons) {
    RecordedWindow r;
    r.C.form->show();
    r.ws.window()->activateWindow();
    if (!QTest::qWaitForWindowActive(r.ws.window())) GTEST_SKIP() << "the platform would not activate the window";
    // A button pressed by its access key shows itself pressed for a moment
    // and clicks when it comes up.
    QTest::keyClick(r.w(ControlId::drDrive), Qt::Key_B, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.events.count("cmdDoIt_Click") > 0; }, 10000));
    EXPECT_EQ(r.events.count("cmdDoIt_Click"), 1);
    QTest::keyClick(r.w(ControlId::drDrive), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.events.count("cmdSave_Click") > 0; }, 10000));
    EXPECT_EQ(r.events.count("cmdSave_Click"), 1);
    EXPECT_EQ(r.events.count("cmdDoIt_Click"), 1);
}

}  // namespace
}  // namespace malvorn::qttest
