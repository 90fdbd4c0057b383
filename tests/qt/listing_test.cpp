// SPDX-License-Identifier: MIT
// Listings started by clicking the real start button, and the depth
// controls driven by keys and the scroll bar.
#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>

#include "tests/qt/qt_harness.h"
#include "tests/support/example_listing.h"

namespace malvorn::qttest {
namespace {

TEST(QtListing, ClickingStartListsFoldersAndFiles) {
    QtHarness h;
    addTree(h.fs, u"/data", exampleTree());
    h.form.start();
    h.listFrom("/data");
    h.form.C.txtLevel->setText(u"3");
    h.form.C.ChFiles->setValue(1);
    h.form.C.ChNoPath->setValue(0);
    QTest::mouseClick(h.button(ControlId::cmdDoIt), Qt::LeftButton);
    EXPECT_EQ(h.lines(), malvorn::testing::exampleListing("/data", '/', 3, true));
    EXPECT_EQ(h.button(ControlId::cmdDoIt)->text().toStdString(), "开始列举(&B)");
    EXPECT_EQ(h.form.State.Running, False);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(h.resultView()->lineCount(), 6);  // in the view at once: five lines and the empty one after them
}

TEST(QtListing, BareNamesIndentedByLevel) {
    QtHarness h;
    addTree(h.fs, u"/data", exampleTree());
    h.form.start();
    h.listFrom("/data");
    h.form.C.txtLevel->setText(u"2");
    QTest::mouseClick(h.button(ControlId::cmdDoIt), Qt::LeftButton);
    EXPECT_EQ(h.lines(), malvorn::testing::exampleListing("/data", '/', 2, false, true));
}

TEST(QtListing, AStopClickDuringTheRunEndsIt) {
    QtHarness h;
    addTree(h.fs, u"/big", wideTree(50, 5));
    h.form.start();
    h.listFrom("/big");
    h.form.C.txtLevel->setText(u"5");
    h.form.C.ChNoPath->setValue(0);
    QPushButton* start = h.button(ControlId::cmdDoIt);
    int queries = 0;
    std::string captionDuringRun;
    h.fs.onAttributes = [&](const Text&) {
        if (++queries > 120) return asOnASlowDisk();
        if (queries == 120) {
            captionDuringRun = start->text().toStdString();
            // The user clicks again: the click waits in the queue for the
            // walk's next event pump.
            QMetaObject::invokeMethod(start, "click", Qt::QueuedConnection);
        }
    };
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_EQ(captionDuringRun, "停止(&X)");
    EXPECT_EQ(start->text().toStdString(), "开始列举(&B)");
    EXPECT_EQ(h.form.State.Running, False);
    EXPECT_EQ(h.form.State.StopFlag, True);
    const auto lines = h.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_LT(lines.size(), 300u);  // 50 + 250 lines when it runs to its end
    EXPECT_EQ(lines.front(), "/big/d0");
}

TEST(QtListing, AClickIntoTheBoxDuringTheRunTakesTheLaterLines) {
    QtHarness h;
    addTree(h.fs, u"/data", wideTree(5, 1, "d", "x"));
    h.form.start();
    h.listFrom("/data");
    h.form.C.txtLevel->setText(u"2");
    h.form.C.ChNoPath->setValue(0);
    qt::ListingView* view = h.resultView();
    bool clicked = false;
    h.fs.onAttributes = [&](const Text& path) {
        if (clicked) return asOnASlowDisk();
        if (path != u"/data/d1/x0") return;
        clicked = true;
        // The user clicks at the top of the box while three lines are in.
        QMetaObject::invokeMethod(
            view, [view] { QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1)); },
            Qt::QueuedConnection);
    };
    QTest::mouseClick(h.button(ControlId::cmdDoIt), Qt::LeftButton);
    ASSERT_TRUE(clicked);
    // What the person sees: the lines written before the click stay at the
    // bottom, and every line after it goes in, in order, where the click put
    // the caret at the top. Which pump took the click is not theirs to see.
    const std::vector<std::string> listing = {"/data/d0", "/data/d0/x0", "/data/d1", "/data/d1/x0",
                                              "/data/d2", "/data/d2/x0", "/data/d3", "/data/d3/x0",
                                              "/data/d4", "/data/d4/x0"};
    const auto lines = h.lines();
    ASSERT_EQ(lines.size(), listing.size());
    const auto bottom = std::find(lines.begin(), lines.end(), listing.front());
    ASSERT_NE(bottom, lines.end());
    const auto before = static_cast<std::size_t>(lines.end() - bottom);
    EXPECT_GE(before, 3u);              // the click came after the third line
    EXPECT_LT(before, listing.size());  // and was taken during the run
    std::vector<std::string> unrotated(bottom, lines.end());
    unrotated.insert(unrotated.end(), lines.begin(), bottom);
    EXPECT_EQ(unrotated, listing);
}

TEST(QtDepth, KeysStepTheDepth) {
    QtHarness h;
    h.form.start();
    QLineEdit* level = h.lineEdit(ControlId::txtLevel);
    QTest::keyClick(level, Qt::Key_Up);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "2");
    EXPECT_EQ(h.form.State.Levels, 2);
    EXPECT_EQ(h.form.C.VSLevel->value(), 32765);
    QTest::keyClick(level, Qt::Key_PageUp);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "12");
    EXPECT_EQ(h.scrollBar()->value(), 32755);
    QTest::keyClick(level, Qt::Key_Down);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "11");
    QTest::keyClick(level, Qt::Key_PageDown);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "1");
    QTest::keyClick(level, Qt::Key_PageDown);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "1");
    EXPECT_EQ(h.form.State.Levels, 1);
    EXPECT_EQ(h.scrollBar()->value(), 32766);
}

TEST(QtDepth, TypingADepth) {
    QtHarness h;
    h.form.start();
    QLineEdit* level = h.lineEdit(ControlId::txtLevel);
    level->selectAll();
    QTest::keyClicks(level, "40");
    EXPECT_EQ(h.form.State.Levels, 40);
    EXPECT_EQ(h.scrollBar()->value(), 32767 - 40);
    EXPECT_EQ(level->text().toStdString(), "40");
}

TEST(QtDepth, ScrollBarArrowsTroughAndThumb) {
    QtHarness h;
    h.form.start();
    QScrollBar* bar = h.scrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(h.form.State.Levels, 2);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "2");
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(h.form.State.Levels, 12);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "12");
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "2");
    bar->setSliderDown(true);
    bar->setSliderPosition(32767 - 300);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "300");
    bar->setSliderDown(false);
    EXPECT_EQ(h.form.State.Levels, 300);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "300");
}

}  // namespace
}  // namespace malvorn::qttest
