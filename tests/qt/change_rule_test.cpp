// SPDX-License-Identifier: MIT
// The change-event rule and geometry rules on real widgets.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include "platform/error.h"
#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

TEST(QtChangeRule, TextBoxRaisesChangeOnEveryAssignment) {
    RecordedWindow r;
    r.C.txtLevel->setText(u"1");  // the text it already shows
    EXPECT_EQ(r.events.count("txtLevel_Change"), 1);
    r.C.txtLevel->setText(u"1");
    EXPECT_EQ(r.events.count("txtLevel_Change"), 2);
    r.C.txtPath->setText(u"/tmp");
    r.C.txtPath->setText(u"/tmp");
    EXPECT_EQ(r.events.count("txtPath_Change"), 2);
    EXPECT_EQ(U(r.C.txtPath->text()), "/tmp");
}

TEST(QtChangeRule, ChangeIsRaisedInsideTheAssignment) {
    qt::WindowSystem ws;
    struct Probe : Recorder {
        MainWindow* C = nullptr;
        std::string seen;
        void txtPath_Change() override { seen = U(C->txtPath->text()); }
    } probe;
    MainWindow C = ws.createMainWindow(frmMainDesign(), probe);
    probe.C = &C;
    C.txtPath->setText(u"/abc");
    EXPECT_EQ(probe.seen, "/abc");
}

TEST(QtChangeRule, TypingRaisesChangePerEdit) {
    RecordedWindow r;
    auto* edit = qobject_cast<QLineEdit*>(r.w(ControlId::txtPath));
    QTest::keyClicks(edit, "ab");
    EXPECT_EQ(r.events.count("txtPath_Change"), 2);
    EXPECT_EQ(U(r.C.txtPath->text()), "ab");
}

TEST(QtChangeRule, ScrollBarRaisesChangeOnlyWhenTheValueChanges) {
    RecordedWindow r;
    r.C.VSLevel->setValue(32766);
    EXPECT_EQ(r.events.count("VSLevel_Change"), 0);
    r.C.VSLevel->setValue(100);
    EXPECT_EQ(r.events.count("VSLevel_Change"), 1);
    EXPECT_EQ(r.C.VSLevel->value(), 100);
    EXPECT_THROW(r.C.VSLevel->setValue(-1), PlatformError);
    EXPECT_EQ(r.C.VSLevel->value(), 100);
}

TEST(QtChangeRule, ScrollBarArrowPageAndThumb) {
    RecordedWindow r;
    auto* bar = qobject_cast<QScrollBar*>(r.w(ControlId::VSLevel));
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the up arrow
    EXPECT_EQ(r.C.VSLevel->value(), 32765);
    EXPECT_EQ(r.events.count("VSLevel_Change"), 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);  // the trough above the thumb
    EXPECT_EQ(r.C.VSLevel->value(), 32755);
    EXPECT_EQ(r.events.count("VSLevel_Change"), 2);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(r.C.VSLevel->value(), 32756);
    EXPECT_EQ(r.events.count("VSLevel_Change"), 3);
    // At the bottom already: the down arrow changes nothing and raises nothing.
    r.C.VSLevel->setValue(32766);
    const int before = r.events.count("VSLevel_Change");
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(r.events.count("VSLevel_Change"), before);
    // Dragging the thumb: Scroll while it moves, Change when it is let go.
    bar->setSliderDown(true);
    bar->setSliderPosition(30000);
    bar->setSliderPosition(29000);
    EXPECT_EQ(r.events.count("VSLevel_Scroll"), 2);
    EXPECT_EQ(r.events.count("VSLevel_Change"), before);
    EXPECT_EQ(r.C.VSLevel->value(), 29000);
    bar->setSliderDown(false);
    EXPECT_EQ(r.events.count("VSLevel_Change"), before + 1);
}

TEST(QtChangeRule, KeyDownComesFirstWithVirtualKeyCodes) {
    RecordedWindow r;
    auto* edit = qobject_cast<QLineEdit*>(r.w(ControlId::txtLevel));
    QTest::keyClick(edit, Qt::Key_Up);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_PageUp);
    QTest::keyClick(edit, Qt::Key_PageDown, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_7);
    // The modifier keys go down first, with their own codes.
    const std::vector<std::pair<int, int>> expected = {{38, 0}, {40, 0}, {33, 0}, {16, 1},
                                                       {34, 1}, {17, 2}, {65, 2}, {55, 0}};
    EXPECT_EQ(r.events.keys, expected);
    // The box still takes the key: Ctrl+A selected all, "7" replaced it.
    EXPECT_EQ(U(r.C.txtLevel->text()), "7");
    // A key whose code the handler clears never reaches the box.
    r.events.clearKey = 56;
    QTest::keyClick(edit, Qt::Key_8);
    QTest::keyClick(edit, Qt::Key_9);
    EXPECT_EQ(U(r.C.txtLevel->text()), "79");
}

TEST(QtChangeRule, NegativeSizesAreRefusedAndChangeNothing) {
    RecordedWindow r;
    const Bounds before = r.C.txtResult->bounds();
    const QRect onScreen = r.w(ControlId::txtResult)->geometry();
    try {
        r.C.txtResult->move(1, 2, -3, 4);
        FAIL() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 380);
        EXPECT_EQ(U(e.description()), "无效的属性值");
    }
    EXPECT_THROW(r.C.cmdDoIt->setWidth(-1), PlatformError);
    EXPECT_THROW(r.C.drDir->setHeight(-0.5f), PlatformError);
    EXPECT_EQ(r.C.txtResult->bounds().width, before.width);
    EXPECT_EQ(r.C.txtResult->bounds().left, before.left);
    EXPECT_EQ(r.w(ControlId::txtResult)->geometry(), onScreen);
    EXPECT_EQ(r.C.cmdDoIt->bounds().width, 1695);
    EXPECT_EQ(r.C.drDir->bounds().height, 286);
}

TEST(QtChangeRule, TwipsRoundToTheNearestPixelAndBoundsKeepWhatWasSet) {
    RecordedWindow r;
    r.C.txtResult->move(120, 1440, 5415.4f, 4807.6f);
    const Bounds b = r.C.txtResult->bounds();
    EXPECT_EQ(b.width, 5415.4f);
    EXPECT_EQ(b.height, 4807.6f);
    EXPECT_EQ(r.w(ControlId::txtResult)->geometry(), QRect(8, 96, 361, 321));
    r.C.drDir->setHeight(100.6f);
    EXPECT_EQ(r.C.drDir->bounds().height, 100.6f);
    EXPECT_EQ(r.w(ControlId::drDir)->height(), 101);
}

TEST(QtChangeRule, EscapedBytesSurviveTheTextBox) {
    RecordedWindow r;
    Text name = u"/tmp/a";
    name.push_back(0xDCFF);  // the byte 0xFF, not UTF-8
    r.C.txtPath->setText(name);
    EXPECT_EQ(r.C.txtPath->text(), name);
    // The person sees a replacement character.
    EXPECT_EQ(qobject_cast<QLineEdit*>(r.w(ControlId::txtPath))->text(), QStringLiteral("/tmp/a\uFFFD"));
}

TEST(QtChangeRule, ResultBoxGathersInsertionsYetReadsAsIfEachHappened) {
    RecordedWindow r;
    r.C.txtResult->replaceSelection(u"one\r\n");
    r.C.txtResult->replaceSelection(u"two\r\n");
    EXPECT_EQ(U(r.C.txtResult->text()), "one\r\ntwo\r\n");
    // The caret is behind the insertion; a caret the user put elsewhere
    // takes the next lines.
    qt::ListingView* view = r.resultView();
    EXPECT_EQ(view->caret(), 10);
    view->select(5, 5);  // start of "two"
    r.C.txtResult->replaceSelection(u"mid\r\n");
    r.C.txtResult->replaceSelection(u"dle\r\n");
    EXPECT_EQ(U(r.C.txtResult->text()), "one\r\nmid\r\ndle\r\ntwo\r\n");
    // A selection is replaced.
    view->select(0, 3);
    r.C.txtResult->replaceSelection(u"ONE");
    EXPECT_EQ(U(r.C.txtResult->text()), "ONE\r\nmid\r\ndle\r\ntwo\r\n");
    EXPECT_EQ(view->lineCount(), 5);
    // Emptying starts again at the top.
    r.C.txtResult->setText(Text());
    r.C.txtResult->replaceSelection(u"x\r\n");
    EXPECT_EQ(U(r.C.txtResult->text()), "x\r\n");
    EXPECT_EQ(view->lineCount(), 2);
}

TEST(QtChangeRule, TheUserTouchingTheBoxSeesEveryLineFirst) {
    RecordedWindow r;
    r.C.form->show();
    qt::ListingView* view = r.resultView();
    r.C.txtResult->replaceSelection(u"first\r\n");
    // A click at the very top puts the caret before "first" only if "first"
    // is already there when the click lands.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_EQ(view->text().toStdString(), "first\r\n");
    EXPECT_EQ(view->caret(), 0);
    r.C.txtResult->replaceSelection(u"zero\r\n");
    EXPECT_EQ(U(r.C.txtResult->text()), "zero\r\nfirst\r\n");
}

TEST(QtChangeRule, LinesGoInAtOnceAndTheScrollBarsFollowInAPump) {
    RecordedWindow r;
    r.C.form->show();
    qt::ListingView* view = r.resultView();
    for (int i = 0; i < 200; ++i) r.C.txtResult->replaceSelection(u"line\r\n");
    EXPECT_EQ(view->lineCount(), 201);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
    for (int i = 0; i < 100000 && view->verticalScrollBar()->maximum() == 0; ++i) r.ws.doEvents();
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
}

TEST(QtChangeRule, EscapedBytesSurviveTheResultBox) {
    RecordedWindow r;
    Text line = u"/x/";
    line.push_back(0xDC80);
    line += u"\r\n";
    r.C.txtResult->replaceSelection(line);
    EXPECT_EQ(r.C.txtResult->text(), line);
}

TEST(QtChangeRule, CheckBoxValues) {
    RecordedWindow r;
    r.C.ChFiles->setValue(1);
    EXPECT_EQ(r.C.ChFiles->value(), 1);
    r.C.ChFiles->setValue(2);
    EXPECT_EQ(r.C.ChFiles->value(), 2);
    r.C.ChFiles->setValue(0);
    EXPECT_EQ(r.C.ChFiles->value(), 0);
    EXPECT_THROW(r.C.ChFiles->setValue(3), PlatformError);
}

TEST(QtChangeRule, ButtonsClickThroughTheirHandlersAndEnterPressesNone) {
    RecordedWindow r;
    QTest::mouseClick(qobject_cast<QPushButton*>(r.w(ControlId::cmdDoIt)), Qt::LeftButton);
    QTest::mouseClick(qobject_cast<QPushButton*>(r.w(ControlId::cmdSave)), Qt::LeftButton);
    EXPECT_EQ(r.events.count("cmdDoIt_Click"), 1);
    EXPECT_EQ(r.events.count("cmdSave_Click"), 1);
    QTest::keyClick(r.w(ControlId::txtLevel), Qt::Key_Return);
    QTest::keyClick(r.w(ControlId::txtPath), Qt::Key_Enter);
    QTest::keyClick(r.w(ControlId::txtLevel), Qt::Key_Escape);
    EXPECT_EQ(r.events.count("cmdDoIt_Click"), 1);
    EXPECT_EQ(r.events.count("cmdSave_Click"), 1);
}

}  // namespace
}  // namespace malvorn::qttest
