// SPDX-License-Identifier: MIT
// The window as a screen reader and a Chinese-speaking user meet it: the
// names of the controls and the result box's text through Qt's
// accessibility interfaces, the result box's context menu, and Qt's own
// dialog texts in Chinese.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "platform/qt/qt_application.h"
#include "platform/qt/qt_text.h"
#include "tests/qt/qt_harness.h"

namespace malvorn::qttest {
namespace {

std::string nameOf(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name).toStdString() : "<no interface>";
}

TEST(QtAccessibility, EveryControlHasANameAndLabelsNameTheirControls) {
    QtHarness h;
    h.form.start();
    for (ControlId id : {ControlId::txtPath, ControlId::frmSettings, ControlId::drDir, ControlId::drDrive,
                         ControlId::cmdSave, ControlId::cmdDoIt, ControlId::txtResult, ControlId::VSLevel,
                         ControlId::txtLevel, ControlId::ChNoPath, ControlId::ChHidden, ControlId::ChFiles})
        EXPECT_NE(nameOf(h.w(id)), "") << h.w(id)->objectName().toStdString();
    EXPECT_EQ(nameOf(h.w(ControlId::txtLevel)), "层数：");
    EXPECT_EQ(nameOf(h.w(ControlId::drDir)), "请先选定你要列举的目录");
    EXPECT_EQ(nameOf(h.w(ControlId::frmSettings)), "选项");
    EXPECT_EQ(qobject_cast<QLabel*>(h.w(ControlId::lblLevels))->buddy(), h.w(ControlId::txtLevel));
    EXPECT_EQ(qobject_cast<QLabel*>(h.w(ControlId::lblPath))->buddy(), h.w(ControlId::drDir));
    // The window's own texts stay as they are.
    EXPECT_EQ(qobject_cast<QLabel*>(h.w(ControlId::lblLevels))->text().toStdString(), "层数：");
}

struct ResultText : ::testing::Test {
    QtHarness h;
    QAccessibleInterface* box = nullptr;
    QAccessibleTextInterface* text = nullptr;
    const QString middle = QStringLiteral("/a/中文 notes");
    const QString listing = QStringLiteral("/a\r\n") + middle + QStringLiteral("\r\n/b\r\n");
    void SetUp() override {
        h.form.start();
        h.form.C.txtResult->replaceSelection(qt::toText(listing));
        h.form.C.txtResult->text();  // every line in the view
        box = QAccessible::queryAccessibleInterface(h.resultView());
        ASSERT_NE(box, nullptr);
        text = box->textInterface();
        ASSERT_NE(text, nullptr);
    }
};

TEST_F(ResultText, TextCaretAndSelectionAsTheViewHasThem) {
    EXPECT_EQ(box->role(), QAccessible::EditableText);
    EXPECT_TRUE(box->state().multiLine);
    EXPECT_EQ(text->characterCount(), listing.size());
    EXPECT_EQ(text->text(0, text->characterCount()), listing);
    EXPECT_EQ(box->text(QAccessible::Value), listing);

    int start = -1, end = -1;
    // Lines with their line ends, from any offset in them, the CR LF too.
    const int second = static_cast<int>(listing.indexOf(middle));
    const int length = static_cast<int>(middle.size());
    for (int offset : {second, second + 3, second + length, second + length + 1}) {
        EXPECT_EQ(text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end), middle + QStringLiteral("\r\n"))
            << offset;
        EXPECT_EQ(start, second);
        EXPECT_EQ(end, second + length + 2);
    }
    EXPECT_EQ(text->textBeforeOffset(second + 2, QAccessible::LineBoundary, &start, &end), QStringLiteral("/a\r\n"));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(text->textAfterOffset(second + 2, QAccessible::LineBoundary, &start, &end), QStringLiteral("/b\r\n"));
    EXPECT_EQ(start, second + length + 2);
    EXPECT_EQ(text->textBeforeOffset(1, QAccessible::LineBoundary, &start, &end), QString());
    // Words within a line, at offsets of the whole text.
    EXPECT_EQ(text->textAtOffset(second + length - 2, QAccessible::WordBoundary, &start, &end),
              QStringLiteral("notes"));
    EXPECT_EQ(start, second + length - 5);

    // The caret and the selection are the view's, both ways.
    h.resultView()->select(1, 4);
    EXPECT_EQ(text->cursorPosition(), 4);
    ASSERT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 4);
    text->setSelection(0, second, second + 2);
    EXPECT_EQ(h.resultView()->selectedText(), QStringLiteral("/a"));
    text->setCursorPosition(2);
    EXPECT_EQ(h.resultView()->caret(), 2);
    EXPECT_EQ(text->selectionCount(), 0);
}

// The menu is read while it is open, then closed; one item is chosen.
std::vector<std::pair<std::string, bool>> openMenuAndChoose(qt::ListingView* view, const QString& choose) {
    std::vector<std::pair<std::string, bool>> items;
    QTimer::singleShot(0, view, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            items.emplace_back(a->text().toStdString(), a->isEnabled());
            if (a->text() == choose) chosen = a;
        }
        menu->close();
        if (chosen) chosen->trigger();
    });
    emit view->customContextMenuRequested(QPoint(5, 5));
    return items;
}

TEST_F(ResultText, ContextMenuOffersTheClipboardCommands) {
    qt::ListingView* view = h.resultView();
    ASSERT_EQ(view->contextMenuPolicy(), Qt::CustomContextMenu);
    QApplication::clipboard()->setText(QStringLiteral("x"));
    auto items = openMenuAndChoose(view, QStringLiteral("全选(&A)"));
    EXPECT_EQ(items, (std::vector<std::pair<std::string, bool>>{
                         {"剪切(&T)", false}, {"复制(&C)", false}, {"粘贴(&P)", true}, {"全选(&A)", true}}));
    EXPECT_EQ(view->selectedText(), listing);
    items = openMenuAndChoose(view, QStringLiteral("复制(&C)"));
    EXPECT_TRUE(items.at(0).second);
    EXPECT_EQ(QApplication::clipboard()->text(), listing);
}

TEST(QtApplication, NamesIconAndQtsOwnTextsInChinese) {
    qputenv("LANG", "C");
    ASSERT_TRUE(qt::setUpApplication(*qApp)) << "qt6-translations-l10n is not installed";
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), "example.malvorn.Malvorn");
    // No display name of its own: Qt would add it to the window's caption.
    EXPECT_EQ(QGuiApplication::applicationDisplayName().toStdString(), "malvorn");
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_TRUE(QApplication::windowIcon().availableSizes().contains(QSize(256, 256)) ||
                !QApplication::windowIcon().pixmap(256).isNull());

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), "取消");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text().toStdString(), "确定");

    // The save dialog as the window opens it.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList captions;
    for (QLabel* l : dialog.findChildren<QLabel*>()) captions << l->text();
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) captions << b->text();
    const std::string all = captions.join(QLatin1Char('|')).toStdString();
    EXPECT_NE(all.find("保存"), std::string::npos) << all;
    EXPECT_NE(all.find("取消"), std::string::npos) << all;
    EXPECT_NE(all.find("文件名"), std::string::npos) << all;
    EXPECT_EQ(all.find("Cancel"), std::string::npos) << all;
    EXPECT_EQ(all.find("File name"), std::string::npos) << all;
}

}  // namespace
}  // namespace malvorn::qttest
