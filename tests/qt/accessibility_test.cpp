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
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

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
    const char* path = "请先选定你要列举的目录";
    const std::vector<std::pair<ControlId, const char*>> names = {
        {ControlId::txtPath, path},         {ControlId::drDir, path},
        {ControlId::txtLevel, "层数："},    {ControlId::VSLevel, "层数："},
        {ControlId::txtResult, "列举结果"}, {ControlId::frmSettings, "选项"},
        {ControlId::cmdSave, "保存(S)"},    {ControlId::ChFiles, "列出文件，而不是只有文件夹"},
    };
    for (const auto& [id, name] : names) EXPECT_EQ(nameOf(h.w(id)), name) << h.w(id)->objectName().toStdString();
    // The drive list names itself after its drive: the label relation says what it is for.
    QAccessibleInterface* drive = QAccessible::queryAccessibleInterface(h.w(ControlId::drDrive));
    const auto labels = drive->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name).toStdString(), path);
    EXPECT_EQ(qobject_cast<QLabel*>(h.w(ControlId::lblLevels))->buddy(), h.w(ControlId::txtLevel));
}

TEST(QtAccessibility, DepthBarSaysTheDepthAndTextSetByAReaderCounts) {
    QtHarness h;
    h.form.start();
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(h.w(ControlId::VSLevel));
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 1);
    EXPECT_EQ(bar->valueInterface()->minimumValue().toInt(), 1);
    EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 32767);
    // A reader's setTextContents on the depth box is an edit: the depth follows.
    QAccessible::queryAccessibleInterface(h.w(ControlId::txtLevel))->setText(QAccessible::Value, QStringLiteral("7"));
    EXPECT_EQ(h.form.State.Levels, 7);
    EXPECT_EQ(bar->text(QAccessible::Value).toStdString(), "7");
}

TEST(QtAccessibility, OnlyFoldersThatShowChildrenAreExpanded) {
    QtHarness h;
    h.form.start();
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(h.w(ControlId::drDir));
    int expanded = 0, leaves = 0;
    for (int i = 0; i < tree->childCount(); ++i) {
        QAccessibleInterface* item = tree->child(i);
        if (item->role() != QAccessible::TreeItem) continue;
        const bool hasChildren = item->state().expandable;
        EXPECT_EQ(item->state().expanded, hasChildren) << item->text(QAccessible::Name).toStdString();
        (hasChildren ? expanded : leaves)++;
    }
    EXPECT_GT(expanded, 0);
    EXPECT_GT(leaves, 0);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    // The current folder is the one selected.
    const QString current = qobject_cast<QTreeWidget*>(h.w(ControlId::drDir))->currentItem()->text(0);
    ASSERT_EQ(tree->selectionInterface()->selectedItemCount(), 1);
    EXPECT_EQ(tree->selectionInterface()->selectedItem(0)->text(QAccessible::Name), current);
#endif
}

struct ResultText : ::testing::Test {
    QtHarness h;
    QAccessibleInterface* box = nullptr;
    QAccessibleTextInterface* text = nullptr;
    const QString middle = QStringLiteral("/a/中文 notes");
    const QString listing = QStringLiteral("/a\r\n") + middle + QStringLiteral("\r\n/b\r\n");
    const QString spoken = QString(listing).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
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
    EXPECT_EQ(text->characterCount(), spoken.size());
    EXPECT_EQ(text->text(0, text->characterCount()), spoken);
    EXPECT_EQ(box->text(QAccessible::Value), spoken);

    int start = -1, end = -1;
    // Lines with their line ends (one "\n", as screen readers take it),
    // from any offset in them.
    const int second = static_cast<int>(spoken.indexOf(middle));
    const int length = static_cast<int>(middle.size());
    for (int offset : {second, second + 3, second + length}) {
        EXPECT_EQ(text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end), middle + QStringLiteral("\n"))
            << offset;
        EXPECT_EQ(start, second);
        EXPECT_EQ(end, second + length + 1);
    }
    EXPECT_EQ(text->textBeforeOffset(second + 2, QAccessible::LineBoundary, &start, &end), QStringLiteral("/a\n"));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(text->textAfterOffset(second + 2, QAccessible::LineBoundary, &start, &end), QStringLiteral("/b\n"));
    EXPECT_EQ(start, second + length + 1);
    EXPECT_EQ(text->textBeforeOffset(1, QAccessible::LineBoundary, &start, &end), QString());
    // Words within a line, at offsets of the whole text.
    EXPECT_EQ(text->textAtOffset(second + length - 2, QAccessible::WordBoundary, &start, &end),
              QStringLiteral("notes"));
    EXPECT_EQ(start, second + length - 5);

    // The caret and the selection are the view's, both ways (the box's 4,
    // behind "/a" CR LF, is the reader's 3).
    h.resultView()->select(1, 4);
    EXPECT_EQ(text->cursorPosition(), 3);
    ASSERT_EQ(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    text->setSelection(0, second, second + 2);
    EXPECT_EQ(h.resultView()->selectedText(), QStringLiteral("/a"));
    EXPECT_EQ(h.resultView()->anchor(), listing.indexOf(middle));
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

TEST_F(ResultText, ContextMenuOffersUndoAndTheClipboardCommands) {
    qt::ListingView* view = h.resultView();
    ASSERT_EQ(view->contextMenuPolicy(), Qt::CustomContextMenu);
    QApplication::clipboard()->setText(QStringLiteral("x"));
    auto items = openMenuAndChoose(view, QStringLiteral("全选(&A)"));
    EXPECT_EQ(items, (std::vector<std::pair<std::string, bool>>{{"撤销(&U)", false},
                                                                {"重做(&R)", false},
                                                                {"剪切(&T)", false},
                                                                {"复制(&C)", false},
                                                                {"粘贴(&P)", true},
                                                                {"删除(&D)", false},
                                                                {"全选(&A)", true}}));
    EXPECT_EQ(view->selectedText(), listing);
    items = openMenuAndChoose(view, QStringLiteral("复制(&C)"));
    EXPECT_TRUE(items.at(3).second);
    EXPECT_EQ(QApplication::clipboard()->text(), listing);
    // A key over the whole listing, then 撤销 from the menu: the listing
    // is back; 重做 takes it away again.
    QTest::keyClicks(view, "k");
    EXPECT_EQ(view->text(), QStringLiteral("k"));
    items = openMenuAndChoose(view, QStringLiteral("撤销(&U)"));
    EXPECT_TRUE(items.at(0).second);
    EXPECT_FALSE(items.at(1).second);
    EXPECT_EQ(view->text(), listing);
    items = openMenuAndChoose(view, QStringLiteral("重做(&R)"));
    EXPECT_TRUE(items.at(1).second);
    EXPECT_EQ(view->text(), QStringLiteral("k"));
}

// What QPlainTextEdit tells a screen reader, the result box tells too:
// text in and out, the caret and the selection; a running listing's lines
// once a frame, with the frame's text.
struct Heard {
    QAccessible::Event type;
    int position;
    QString text;
};
std::vector<Heard>* heard = nullptr;

void listen(QAccessibleEvent* event) {
    if (!heard) return;
    Heard h{event->type(), -1, {}};
    switch (event->type()) {
        case QAccessible::TextInserted:
            h.position = static_cast<QAccessibleTextInsertEvent*>(event)->changePosition();
            h.text = static_cast<QAccessibleTextInsertEvent*>(event)->textInserted();
            break;
        case QAccessible::TextRemoved:
            h.position = static_cast<QAccessibleTextRemoveEvent*>(event)->changePosition();
            h.text = static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved();
            break;
        case QAccessible::TextCaretMoved:
            h.position = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
            break;
        case QAccessible::TextSelectionChanged:
            h.position = static_cast<QAccessibleTextSelectionEvent*>(event)->selectionStart();
            break;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        case QAccessible::Announcement:
            h.text = static_cast<QAccessibleAnnouncementEvent*>(event)->message();
            break;
#endif
        default:
            return;
    }
    heard->push_back(h);
}

TEST_F(ResultText, ScreenReadersHearChangesCaretAndSelection) {
    std::vector<Heard> events;
    heard = &events;
    QAccessible::setActive(true);
    QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(listen);
    struct Restore {
        QAccessible::UpdateHandler handler;
        ~Restore() {
            QAccessible::installUpdateHandler(handler);
            QAccessible::setActive(false);
            heard = nullptr;
        }
    } restore{previous};
    // Qt hands events to the update handler only while a platform bridge
    // is active, and the offscreen platform has none (switching it on
    // takes Qt's platform headers). On xcb with an AT-SPI bus and
    // QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 this test runs.
    // The bridge finds the bus over D-Bus after the application is up.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        (void)QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000);
    if (!QAccessible::isActive()) GTEST_SKIP() << "no active accessibility bridge on this platform";
    qt::ListingView* view = h.resultView();
    view->window()->show();
    view->setFocus();
    QApplication::processEvents();  // the listing of SetUp, painted and told
    events.clear();

    // A running listing: many lines, one frame, one insertion with them all.
    const int before = text->characterCount();
    for (int i = 0; i < 50; ++i) h.form.C.txtResult->replaceSelection(qt::toText(QStringLiteral("/c\r\n")));
    h.form.C.txtResult->text();
    view->viewport()->repaint();
    int inserts = 0;
    for (const Heard& e : events)
        if (e.type == QAccessible::TextInserted) {
            ++inserts;
            EXPECT_EQ(e.position, before);
            EXPECT_EQ(e.text, QStringLiteral("/c\n").repeated(50));
        }
    EXPECT_EQ(inserts, 1);
    // The user: a key, Backspace, Shift+Left.
    events.clear();
    QTest::keyClicks(view, "z");
    QTest::keyClick(view, Qt::Key_Backspace);
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    auto has = [&](QAccessible::Event type, int position, const QString& said) {
        return std::any_of(events.begin(), events.end(), [&](const Heard& e) {
            return e.type == type && e.position == position && (said.isNull() || e.text == said);
        });
    };
    const int end = text->characterCount();
    EXPECT_TRUE(has(QAccessible::TextInserted, end, QStringLiteral("z")));
    EXPECT_TRUE(has(QAccessible::TextRemoved, end, QStringLiteral("z")));
    const int caret = text->cursorPosition();  // before the last line end
    EXPECT_EQ(caret, end - 1);
    EXPECT_TRUE(has(QAccessible::TextCaretMoved, caret, QString()));
    EXPECT_TRUE(has(QAccessible::TextSelectionChanged, caret, QString()));
}

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
TEST_F(ResultText, ScreenReadersHearAListingsEnd) {
    QAccessible::setActive(true);
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        (void)QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000);
    if (!QAccessible::isActive()) GTEST_SKIP() << "no active accessibility bridge on this platform";
    std::vector<Heard> events;
    heard = &events;
    QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(listen);
    addTree(h.fs, u"/data", exampleTree());
    h.listFrom("/data");
    h.button(ControlId::cmdDoIt)->click();
    QAccessible::installUpdateHandler(previous);
    QAccessible::setActive(false);
    heard = nullptr;
    const std::string said = "列举完毕，共 " + std::to_string(h.lines().size()) + " 行。";
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const Heard& e) {
        return e.type == QAccessible::Announcement && e.text.toStdString() == said;
    }));
}
#endif

TEST_F(ResultText, AReaderMayEditAndFindsEachCharactersBox) {
    qt::ListingView* view = h.resultView();
    view->window()->show();
    // An edit through the editable text interface is the user's: undone
    // like a key.
    auto* editable =
        static_cast<QAccessibleEditableTextInterface*>(box->interface_cast(QAccessible::EditableTextInterface));
    ASSERT_NE(editable, nullptr);
    editable->insertText(0, QStringLiteral("ab"));
    EXPECT_TRUE(view->text().startsWith(QStringLiteral("ab/a")));
    editable->replaceText(0, 1, QStringLiteral("X"));
    editable->deleteText(1, 2);
    EXPECT_TRUE(view->text().startsWith(QStringLiteral("X/a")));
    view->undo();
    view->undo();
    view->undo();
    EXPECT_EQ(view->text(), listing);
    // A true box for a character: the "/" that starts the second line sits
    // under the first line, at the left, as wide as a "/".
    const QRect r = text->characterRect(static_cast<int>(spoken.indexOf(middle)));
    const QPoint inView = view->viewport()->mapFromGlobal(r.topLeft());
    EXPECT_EQ(inView.y(), view->fontMetrics().lineSpacing());
    EXPECT_LT(inView.x(), 10);
    EXPECT_NEAR(r.width(), view->fontMetrics().horizontalAdvance(QLatin1Char('/')), 1);
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
