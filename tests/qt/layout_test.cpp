// SPDX-License-Identifier: MIT
// The window at start: caption, controls, values, geometry, order, focus.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QTreeWidget>

#include "platform/qt/qt_application.h"
#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

void expectBounds(const IControl& c, float left, float top, float width, float height) {
    const Bounds b = c.bounds();
    EXPECT_EQ(b.left, left);
    EXPECT_EQ(b.top, top);
    EXPECT_EQ(b.width, width);
    EXPECT_EQ(b.height, height);
}

// A larger desktop font (GNOME's 11 points, through the GTK theme) keeps its
// family but takes the 12 pixels the fixed layout is drawn for.
TEST(QtStartUp, TheDesktopFontFamilyAtTheLayoutsSize) {
    QApplication::setFont(QFont(QStringLiteral("Cantarell"), 11));
    qt::setUpApplication(*qApp);
    EXPECT_EQ(QApplication::font().pixelSize(), 12);
    EXPECT_EQ(QApplication::font().family().toStdString(), "Cantarell");
}

TEST(QtStartUp, CaptionValuesAndDepth) {
    QtHarness h;
    h.form.start();
    EXPECT_EQ(U(h.form.C.form->caption()), "Malvorn https://malvorn.example/ 内部专用列目录工具");
    EXPECT_EQ(h.ws.window()->windowTitle().toStdString(), "Malvorn https://malvorn.example/ 内部专用列目录工具");
    EXPECT_EQ(h.form.State.Levels, 1);
    EXPECT_EQ(U(h.form.C.txtLevel->text()), "1");
    EXPECT_EQ(h.lineEdit(ControlId::txtLevel)->text().toStdString(), "1");
    EXPECT_EQ(h.form.C.VSLevel->value(), 32766);
    EXPECT_EQ(h.scrollBar()->value(), 32766);
    EXPECT_EQ(h.form.C.ChNoPath->value(), 1);
    EXPECT_EQ(h.form.C.ChHidden->value(), 0);
    EXPECT_EQ(h.form.C.ChFiles->value(), 0);
    EXPECT_EQ(h.button(ControlId::cmdDoIt)->text().toStdString(), "开始列举(&B)");
    EXPECT_EQ(h.button(ControlId::cmdSave)->text().toStdString(), "保存(&S)");
    EXPECT_EQ(qobject_cast<QGroupBox*>(h.w(ControlId::frmSettings))->title().toStdString(), "选项");
    EXPECT_EQ(qobject_cast<QLabel*>(h.w(ControlId::lblLevels))->text().toStdString(), "层数：");
    EXPECT_EQ(qobject_cast<QLabel*>(h.w(ControlId::lblPath))->text().toStdString(), "请先选定你要列举的目录");
    // The path box follows the folder list, which starts at the working folder.
    EXPECT_EQ(U(h.form.C.txtPath->text()), U(h.form.C.drDir->path()));
    EXPECT_TRUE(h.ws.window()->isVisible());
    EXPECT_TRUE(h.messages.empty());
}

TEST(QtStartUp, LayoutAtTheStartSize) {
    QtHarness h;
    h.form.start();
    EXPECT_EQ(h.form.C.form->innerWidth(), 593);
    EXPECT_EQ(h.form.C.form->innerHeight(), 448);
    expectBounds(*h.form.C.drDir, 8, 72, 193, 368);
    expectBounds(*h.form.C.frmSettings, 208, 16, 377, 424);
    expectBounds(*h.form.C.txtResult, 120, 1440, 5415, 4800);
    expectBounds(*h.form.C.cmdDoIt, 1800, 480, 3735, 375);
    expectBounds(*h.form.C.cmdSave, 1800, 960, 3735, 375);
    expectBounds(*h.form.C.txtPath, 0, 528, 193, 18);
    // On screen: pixels on the window, twips / 15 inside the frame.
    const std::pair<ControlId, QRect> onScreen[] = {
        {ControlId::drDir, QRect(8, 72, 193, 368)},     {ControlId::frmSettings, QRect(208, 16, 377, 424)},
        {ControlId::txtResult, QRect(8, 96, 361, 320)}, {ControlId::cmdDoIt, QRect(120, 32, 249, 25)},
        {ControlId::cmdSave, QRect(120, 64, 249, 25)},  {ControlId::VSLevel, QRect(96, 72, 17, 17)},
        {ControlId::txtLevel, QRect(48, 72, 49, 18)},   {ControlId::ChNoPath, QRect(8, 32, 225, 17)},
        {ControlId::ChFiles, QRect(8, 400, 225, 17)},   {ControlId::ChHidden, QRect(48, 400, 225, 17)},
        {ControlId::drDrive, QRect(8, 48, 193, 20)},    {ControlId::txtPath, QRect(0, 528, 193, 18)},
    };
    for (const auto& [id, rect] : onScreen) EXPECT_EQ(h.w(id)->geometry(), rect) << h.w(id)->objectName().toStdString();
    EXPECT_EQ(h.w(ControlId::lblLevels)->pos(), QPoint(8, 72));
    EXPECT_EQ(h.w(ControlId::lblPath)->pos(), QPoint(8, 8));
    // The frame's controls are its children; the rest sit on the window.
    EXPECT_EQ(h.w(ControlId::txtResult)->parentWidget(), h.w(ControlId::frmSettings));
    EXPECT_EQ(h.w(ControlId::drDir)->parentWidget(), h.ws.window());
    EXPECT_EQ(h.ws.window()->objectName().toStdString(), "frmMain");
}

TEST(QtStartUp, KindsAndSettings) {
    RecordedWindow r;
    qt::ListingView* result = r.resultView();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(result->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    auto* bar = qobject_cast<QScrollBar*>(r.w(ControlId::VSLevel));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 32766);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->pageStep(), 10);
    EXPECT_FALSE(bar->invertedAppearance());  // the minimum is at the top
    for (ControlId id : {ControlId::cmdDoIt, ControlId::cmdSave}) {
        auto* b = qobject_cast<QPushButton*>(r.w(id));
        ASSERT_NE(b, nullptr);
        EXPECT_FALSE(b->autoDefault());
        EXPECT_FALSE(b->isDefault());
    }
    EXPECT_EQ(qobject_cast<QPushButton*>(r.w(ControlId::cmdDoIt))->shortcut(), QKeySequence(Qt::ALT | Qt::Key_B));
    EXPECT_EQ(qobject_cast<QPushButton*>(r.w(ControlId::cmdSave))->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
    EXPECT_NE(qobject_cast<QLineEdit*>(r.w(ControlId::txtPath)), nullptr);
    EXPECT_NE(qobject_cast<QLineEdit*>(r.w(ControlId::txtLevel)), nullptr);
    EXPECT_NE(qobject_cast<QComboBox*>(r.w(ControlId::drDrive)), nullptr);
    EXPECT_NE(qobject_cast<QTreeWidget*>(r.w(ControlId::drDir)), nullptr);
    EXPECT_EQ(qobject_cast<QCheckBox*>(r.w(ControlId::ChNoPath))->checkState(), Qt::Checked);
    EXPECT_EQ(r.w(ControlId::frmSettings)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(r.w(ControlId::lblPath)->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(r.w(ControlId::lblLevels)->focusPolicy(), Qt::NoFocus);
    // Nothing is raised while the window is built.
    EXPECT_TRUE(r.events.calls.empty());
}

TEST(QtStartUp, FrontToBackOrder) {
    RecordedWindow r;
    // Qt keeps siblings back to front: a later child lies in front.
    auto stackIndex = [](QWidget* w) { return w->parentWidget()->children().indexOf(w); };
    auto inFront = [&](ControlId a, ControlId b) { return stackIndex(r.w(a)) > stackIndex(r.w(b)); };
    // Each pair: the first lies in front of the second.
    const std::pair<ControlId, ControlId> frontBack[] = {
        {ControlId::txtPath, ControlId::frmSettings}, {ControlId::txtPath, ControlId::drDir},
        {ControlId::drDir, ControlId::drDrive},       {ControlId::drDrive, ControlId::lblPath},
        {ControlId::cmdSave, ControlId::cmdDoIt},     {ControlId::cmdDoIt, ControlId::txtResult},
        {ControlId::txtResult, ControlId::ChHidden},  {ControlId::ChHidden, ControlId::ChFiles},
        {ControlId::VSLevel, ControlId::txtLevel},    {ControlId::txtLevel, ControlId::ChNoPath},
        {ControlId::ChFiles, ControlId::lblLevels},
    };
    for (const auto& [front, back] : frontBack)
        EXPECT_TRUE(inFront(front, back))
            << r.w(front)->objectName().toStdString() << " before " << r.w(back)->objectName().toStdString();
}

TEST(QtStartUp, TabOrderAndInitialFocus) {
    QtHarness h;
    h.form.start();
    EXPECT_EQ(h.ws.window()->focusWidget(), h.w(ControlId::drDrive));
    // Follow the focus chain from the drive list, keeping only the controls.
    std::vector<std::string> order;
    QWidget* at = h.w(ControlId::drDrive);
    for (int guard = 0; guard < 500 && order.size() < 11; ++guard) {
        const std::string name = at->objectName().toStdString();
        if (!name.empty() && name != "frmMain" && (at->focusPolicy() & Qt::TabFocus) &&
            (order.empty() || order.back() != name) && at->parentWidget() &&
            (at->parentWidget() == h.ws.window() || at->parentWidget() == h.w(ControlId::frmSettings)))
            order.push_back(name);
        at = at->nextInFocusChain();
    }
    const std::vector<std::string> expected = {"drDrive", "drDir",     "ChFiles", "ChHidden", "ChNoPath", "txtLevel",
                                               "VSLevel", "txtResult", "cmdDoIt", "cmdSave",  "txtPath"};
    EXPECT_EQ(order, expected);
}

}  // namespace
}  // namespace malvorn::qttest
