// SPDX-License-Identifier: MIT
// The window itself: close, resize, the event pump, message boxes, the end
// of the program.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

TEST(QtWindow, CloseStartsTheOpenerAndTheWindowCountsAsGone) {
    QtHarness h;
    h.form.start();
    EXPECT_EQ(h.ws.doEvents(), 1);
    EXPECT_TRUE(h.ws.window()->close());
    ASSERT_EQ(h.processes.started.size(), 1u);
    EXPECT_EQ(U(h.processes.started[0]), "cmd /c start https://malvorn.example/");
    EXPECT_EQ(h.ws.doEvents(), 0);
    EXPECT_FALSE(h.ws.window()->isVisible());
}

TEST(QtWindow, ACancelledCloseKeepsTheWindow) {
    RecordedWindow r;
    r.C.form->show();
    r.events.cancelClose = 1;
    EXPECT_FALSE(r.ws.window()->close());
    EXPECT_EQ(r.events.count("Form_Unload"), 1);
    EXPECT_EQ(r.ws.doEvents(), 1);
    r.events.cancelClose = 0;
    EXPECT_TRUE(r.ws.window()->close());
    EXPECT_EQ(r.ws.doEvents(), 0);
}

TEST(QtWindow, ACloseDuringAListingEndsTheProgram) {
    QtHarness h;
    addTree(h.fs, u"/big", wideTree(40, 0));
    h.form.start();
    h.listFrom("/big");
    int queries = 0;
    h.fs.onAttributes = [&](const Text&) {
        if (++queries > 5) return asOnASlowDisk();
        if (queries == 5) QMetaObject::invokeMethod(h.ws.window(), "close", Qt::QueuedConnection);
    };
    // The click handler itself, so that the end of the program (a throw
    // here) does not pass through Qt's event delivery.
    EXPECT_THROW(h.form.cmdDoIt_Click(), ProgramEnded);
    EXPECT_EQ(h.processes.started.size(), 1u);
    EXPECT_LT(h.lines().size(), 40u);
}

TEST(QtWindowDeathTest, EndingTheProgramExitsWithZero) {
    EXPECT_EXIT(
        {
            QtHarness h;
            h.ws.hooks.endProgram = nullptr;
            h.form.start();
            h.ws.endProgram();
        },
        ::testing::ExitedWithCode(0), "");
}

void closeWithAFailingOpener() {
    QtHarness h;
    h.ws.hooks.endProgram = nullptr;
    h.ws.hooks.messageBox = [](const Text& text, const Text& title, int style) {
        std::fprintf(stderr, "[%s|%s|%d]\n", toUtf8(title).c_str(), toUtf8(text).c_str(), style);
    };
    Failure failure;
    failure.number = 2;
    failure.description = u"No such file";
    h.processes.failToStart = failure;
    h.form.start();
    h.ws.window()->close();
}

TEST(QtWindowDeathTest, AnUntrappedFailureIsReportedAndEndsTheProgram) {
    EXPECT_EXIT(closeWithAFailingOpener(), ::testing::ExitedWithCode(0),
                "\\[Malvorn\\|运行时错误 2：No such file\\|16\\]");
}

TEST(QtWindow, ResizeLaysTheControlsOut) {
    QtHarness h;
    h.form.start();
    h.ws.window()->resize(700, 600);
    EXPECT_EQ(h.form.C.form->innerWidth(), 700);
    EXPECT_EQ(h.form.C.drDir->bounds().height, 520);
    EXPECT_EQ(h.form.C.frmSettings->bounds().width, 484);
    EXPECT_EQ(h.form.C.frmSettings->bounds().height, 576);
    EXPECT_EQ(h.form.C.txtResult->bounds().width, (484 - 16) * 15);
    EXPECT_EQ(h.form.C.txtResult->bounds().height, (576 - 8) * 15 - 1440);
    EXPECT_EQ(h.form.C.cmdDoIt->bounds().width, (484 - 8) * 15 - 1800);
    EXPECT_EQ(h.form.C.cmdSave->bounds().width, (484 - 8) * 15 - 1800);
    EXPECT_EQ(h.w(ControlId::drDir)->height(), 520);
    EXPECT_EQ(h.w(ControlId::frmSettings)->size(), QSize(484, 576));
}

TEST(QtWindow, TooSmallToLayOutKeepsSizes) {
    QtHarness h;
    h.form.start();
    h.ws.window()->resize(320, 70);
    if (h.ws.window()->size() != QSize(320, 70)) GTEST_SKIP() << "the platform would not make the window this small";
    // Inner height below 80: the folder list keeps its height.
    EXPECT_EQ(h.form.C.drDir->bounds().height, 368);
    // Inner width below 344: the buttons keep their width.
    EXPECT_EQ(h.form.C.cmdDoIt->bounds().width, 3735);
    EXPECT_EQ(h.form.C.cmdSave->bounds().width, 3735);
    EXPECT_EQ(h.form.C.frmSettings->bounds().width, 320 - 216);
    h.ws.window()->resize(344, 80);
    EXPECT_EQ(h.form.C.drDir->bounds().height, 0);
    EXPECT_EQ(h.form.C.cmdDoIt->bounds().width, 0);
}

TEST(QtWindow, EveryResizeRaisesResizeAndTheFirstShowOnce) {
    RecordedWindow r;
    EXPECT_EQ(r.events.count("Form_Resize"), 0);
    r.C.form->show();
    EXPECT_EQ(r.events.count("Form_Resize"), 1);
    r.C.form->show();
    EXPECT_EQ(r.events.count("Form_Resize"), 1);
    r.ws.window()->resize(600, 450);
    EXPECT_EQ(r.events.count("Form_Resize"), 2);
    r.ws.window()->resize(600, 460);
    EXPECT_EQ(r.events.count("Form_Resize"), 3);
}

TEST(QtWindow, MinimisedReportsNoInnerArea) {
    RecordedWindow r;
    r.C.form->show();
    r.ws.window()->showMinimized();
    r.ws.doEvents();
    if (!r.ws.window()->isMinimized()) GTEST_SKIP() << "the platform does not minimise";
    EXPECT_EQ(r.C.form->innerWidth(), 0);
    EXPECT_EQ(r.C.form->innerHeight(), 0);
    EXPECT_GE(r.events.count("Form_Resize"), 2);
    r.ws.window()->showNormal();
    r.ws.doEvents();
    EXPECT_EQ(r.C.form->innerWidth(), 593);
}

TEST(QtWindow, MessageBoxIsModalWithItsIconAndOneButton) {
    qt::WindowSystem ws;
    Recorder events;
    ws.createMainWindow(frmMainDesign(), events);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    int buttons = 0;
    auto answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
        }
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, answer);
    ws.messageBox(T("路径未找到"), T("VB运行时错误：76"), MB_ICONEXCLAMATION_OK);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(title.toStdString(), "VB运行时错误：76");
    EXPECT_EQ(text.toStdString(), "路径未找到");
    EXPECT_EQ(buttons, 1);
    QTimer::singleShot(0, answer);
    ws.messageBox(T("x"), T("Malvorn"), MB_ICONSTOP_OK);
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(QtWindow, PostedEventsRunInThePump) {
    RecordedWindow r;
    bool ran = false;
    QTimer::singleShot(0, r.ws.window(), [&] { ran = true; });
    QMetaObject::invokeMethod(
        r.ws.window(), [&] { ran = true; }, Qt::QueuedConnection);
    EXPECT_EQ(r.ws.doEvents(), 1);
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace malvorn::qttest
