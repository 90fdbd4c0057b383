// The program's own opener on close: a failure to start it is noted and the
// window closes all the same, with no box in the way.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>

#include "app/qt/forgiving_starter.h"
#include "platform/posix/posix_process.h"
#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

std::string readAll(std::FILE* f) {
    std::rewind(f);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, f)) out += buffer;
    return out;
}

TEST(QtAppClose, AnOpenerThatCannotStartOnlyLeavesANote) {
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    headless::ProcessStarter failing;
    Failure f;
    f.number = 2;
    f.description = u"No such file or directory";
    failing.failToStart = f;
    app::ForgivingStarter starter(failing, log);
    EXPECT_NO_THROW(starter.startHidden(u"xdg-open https://malvorn.example/"));
    EXPECT_EQ(readAll(log),
              "malvorn: could not start \"xdg-open https://malvorn.example/\": 2 No such file or directory\n");
    std::fclose(log);
}

TEST(QtAppClose, TheWindowClosesWhenTheOpenerIsMissing) {
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    qt::QtWindowSystem ws;
    headless::MemoryFileSystem fs{u'/'};
    qt::QtSaveDialog dialog;
    posix::PosixTextFileSystem files;
    posix::PosixProcessStarter real;
    // Not an opener at all: nothing is opened, whatever happens.
    struct NoSuchOpener : IProcessStarter {
        IProcessStarter& inner;
        explicit NoSuchOpener(IProcessStarter& i) : inner(i) {}
        Text urlOpenCommand(const Text& url) const override { return u"malvorn-no-such-opener-program " + url; }
        void startHidden(const Text& line) override { inner.startHidden(line); }
    } missing(real);
    app::ForgivingStarter starter(missing, log);
    Platform platform{ws, fs, dialog, files, starter};
    frmMain form(platform);
    std::vector<std::string> messages;
    ws.messageHook = [&](const Text& text, const Text&, int) { messages.push_back(toUtf8(text)); };
    form.start();
    EXPECT_TRUE(ws.window()->close());
    EXPECT_EQ(ws.doEvents(), 0);
    EXPECT_TRUE(messages.empty());
    std::fclose(log);
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
