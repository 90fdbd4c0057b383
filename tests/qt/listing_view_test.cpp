// SPDX-License-Identifier: MIT
// The result box's text view on its own: lines, caret, selection, keys,
// mouse, clipboard, scrolling.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>

#include "platform/qt/qt_listing_view.h"

namespace malvorn::qttest {
namespace {

using qt::ListingView;

struct ViewFixture : ::testing::Test {
    ListingView view;
    void SetUp() override {
        view.resize(300, 200);
        view.show();
    }
    std::string text() const { return view.text().toStdString(); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&view, k, m); }
};

TEST_F(ViewFixture, ShiftExtendsTheSelection) {
    view.insert(QStringLiteral("abc\r\ndef"));
    view.select(0, 0);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText().toStdString(), "ab");
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText().toStdString(), "abc\r\nde");
    key(Qt::Key_Left);
    EXPECT_EQ(view.caret(), 0);
    EXPECT_TRUE(view.selectedText().isEmpty());
}

TEST_F(ViewFixture, TypingBackspaceDeleteAndEnter) {
    view.insert(QStringLiteral("ab\r\ncd"));
    view.select(4, 4);
    key(Qt::Key_Backspace);  // joins the two lines
    EXPECT_EQ(text(), "abcd");
    EXPECT_EQ(view.lineCount(), 1);
    QTest::keyClicks(&view, "X");
    EXPECT_EQ(text(), "abXcd");
    key(Qt::Key_Return);
    EXPECT_EQ(text(), "abX\r\ncd");
    key(Qt::Key_Left);
    key(Qt::Key_Delete);  // the line end again
    EXPECT_EQ(text(), "abXcd");
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), "abXd");
}

TEST_F(ViewFixture, SelectAllCopyCutPaste) {
    view.insert(QStringLiteral("x\r\ny\r\n"));
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectedText().toStdString(), "x\r\ny\r\n");
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "x\r\ny\r\n");
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), "");
    QGuiApplication::clipboard()->setText(QStringLiteral("p\nq"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), "p\r\nq");
}

TEST_F(ViewFixture, MouseSetsTheCaretAndDragSelects) {
    view.insert(QStringLiteral("first\r\nsecond\r\nthird\r\n"));
    const int h = view.fontMetrics().lineSpacing();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(1, h + h / 2));
    EXPECT_EQ(view.caret(), 7);  // start of "second"
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(250, h / 2));
    EXPECT_EQ(view.caret(), 5);  // right of "first": its end
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(1, 2 * h + h / 2));
    EXPECT_EQ(view.selectedText().toStdString(), "\r\nsecond\r\n");
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 2 * h + h / 2));
    EXPECT_EQ(view.selectedText().toStdString(), "third");
}

TEST_F(ViewFixture, AWordIsBetweenSeparators) {
    view.insert(QStringLiteral("/tmp/folder/name.txt\r\n"));
    const int h = view.fontMetrics().lineSpacing();
    const int x = view.fontMetrics().horizontalAdvance(QStringLiteral("/tmp/fol")) + 3;
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, h / 2));
    EXPECT_EQ(view.selectedText().toStdString(), "folder");
}

TEST_F(ViewFixture, NewLinesAtTheEndKeepTheLastInSight) {
    QString many;
    for (int i = 0; i < 1000; ++i) many += QStringLiteral("line %1\r\n").arg(i);
    view.insert(many);
    view.refresh();  // as the next frame does
    QScrollBar* v = view.verticalScrollBar();
    EXPECT_EQ(v->value(), v->maximum());
    EXPECT_GT(v->maximum(), 900);
    // A long line makes room sideways.
    view.insert(QString(400, QLatin1Char('w')) + QStringLiteral("\r\n"));
    view.refresh();
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);  // the caret is at the start of a line
}

TEST_F(ViewFixture, TheInputMethodsTextIsDrawnAtTheCaretUntilCommitted) {
    view.insert(QStringLiteral("a"));
    view.setFocus();
    const QRect caretBefore = static_cast<QWidget&>(view).inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QImage plain = view.viewport()->grab().toImage();
    QInputMethodEvent composing(QStringLiteral("zhong"), {});
    QCoreApplication::sendEvent(&view, &composing);
    EXPECT_EQ(text(), "a");
    EXPECT_EQ(view.preedit().toStdString(), "zhong");
    // Drawn: the picture right of "a" is no longer blank; and the
    // candidate window is asked for behind the composed text.
    const QImage composed = view.viewport()->grab().toImage();
    const int from = caretBefore.right() + 1, to = from + view.fontMetrics().horizontalAdvance(QStringLiteral("zhong"));
    int differing = 0;
    for (int x = from; x < to; ++x)
        for (int y = caretBefore.top(); y <= caretBefore.bottom(); ++y)
            if (plain.pixel(x, y) != composed.pixel(x, y)) ++differing;
    EXPECT_GT(differing, 10);
    const QRect caretComposing = static_cast<QWidget&>(view).inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(caretComposing.top(), caretBefore.top());
    EXPECT_GE(caretComposing.left(), caretBefore.left() + view.fontMetrics().horizontalAdvance(QStringLiteral("zhon")));
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("中"));
    QCoreApplication::sendEvent(&view, &committed);
    EXPECT_EQ(text(), "a中");
    EXPECT_TRUE(view.preedit().isEmpty());
    EXPECT_TRUE(view.testAttribute(Qt::WA_InputMethodEnabled));
    // A commit that replaces the text before the caret, as the method says.
    view.insert(QStringLiteral("\r\nab nihao"));
    QInputMethodEvent rewritten;
    rewritten.setCommitString(QStringLiteral("你好"), -5, 5);
    QCoreApplication::sendEvent(&view, &rewritten);
    EXPECT_EQ(text(), "a中\r\nab 你好");
    EXPECT_EQ(view.caret(), view.size());
}

TEST_F(ViewFixture, UndoAndRedoKeys) {
    view.insert(QStringLiteral("C:\\a\r\nC:\\b\r\n"));
    const std::string listing = text();
    key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&view, "xy");
    EXPECT_EQ(text(), "xy");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), listing);
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(text(), "xy");
    key(Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(text(), listing);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), "xy");
}

// Ctrl+arrows, Ctrl+Backspace, Ctrl+Delete and the double-click's word,
// from every position of each line, against a QPlainTextEdit's.
TEST(QtWords, StopWhereQPlainTextEditStops) {
    const char* const lines[] = {
        "hello-there (x) 12.5",      "C:\\data\\readme.txt", "/home/user/notes.txt, 中文字 end",
        "mixed中文text 3,14 v1.2.3", "  a, b;c  --  d  ",    "x_y @home #tag \"q\" 'r' [s]{t}",
    };
    ListingView view;
    QPlainTextEdit plain;
    auto reset = [&](const QString& line, int p) {
        view.setText(line);
        view.select(p, p);
        plain.setPlainText(line);
        QTextCursor c = plain.textCursor();
        c.setPosition(p);
        plain.setTextCursor(c);
    };
    for (const char* utf8 : lines) {
        const QString line = QString::fromUtf8(utf8);
        for (int p = 0; p <= line.size(); ++p) {
            for (Qt::Key k : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Backspace, Qt::Key_Delete}) {
                reset(line, p);
                QTest::keyClick(&view, k, Qt::ControlModifier);
                QTest::keyClick(&plain, k, Qt::ControlModifier);
                EXPECT_EQ(view.caret(), plain.textCursor().position()) << utf8 << " key " << k << " from " << p;
                EXPECT_EQ(view.text(), plain.toPlainText()) << utf8 << " key " << k << " from " << p;
            }
            QTextCursor word = plain.textCursor();
            word.setPosition(p);
            word.select(QTextCursor::WordUnderCursor);  // what QPlainTextEdit's double-click selects
            const auto [from, to] = view.editor().wordAt(static_cast<std::size_t>(p));
            EXPECT_EQ(from, static_cast<std::size_t>(word.selectionStart())) << utf8 << " at " << p;
            EXPECT_EQ(to, static_cast<std::size_t>(word.selectionEnd())) << utf8 << " at " << p;
        }
    }
}

TEST_F(ViewFixture, TripleClickSelectsALine) {
    view.insert(QStringLiteral("first line\r\nsecond line\r\nthird\r\n"));
    const int h = view.fontMetrics().lineSpacing();
    const QPoint at(10, h + h / 2);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(view.selectedText().toStdString(), "second");
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(view.selectedText().toStdString(), "second line\r\n");
}

TEST_F(ViewFixture, DoubleClickThenDragExtendsByWords) {
    view.insert(QStringLiteral("alpha beta gamma\r\n"));
    const int h = view.fontMetrics().lineSpacing();
    const QFontMetrics m = view.fontMetrics();
    const QPoint inBeta(3 + m.horizontalAdvance(QStringLiteral("alpha be")), h / 2);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, inBeta);
    const QPoint inGamma(3 + m.horizontalAdvance(QStringLiteral("alpha beta ga")), h / 2);
    QMouseEvent move(QEvent::MouseMove, inGamma, view.viewport()->mapToGlobal(inGamma), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    EXPECT_EQ(view.selectedText().toStdString(), "beta gamma");
}

TEST_F(ViewFixture, HoldingTheMousePastTheEdgeKeepsScrolling) {
    QString many;
    for (int i = 0; i < 500; ++i) many += QStringLiteral("line %1\r\n").arg(i);
    view.insert(many);
    view.refresh();
    view.verticalScrollBar()->setValue(0);
    QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    const QPoint below(5, view.viewport()->height() + 20);
    QMouseEvent move(QEvent::MouseMove, below, view.viewport()->mapToGlobal(below), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    const int first = view.verticalScrollBar()->value();
    // No further mouse events: the timer alone scrolls on.
    for (int i = 0; i < 200 && view.verticalScrollBar()->value() < first + 3; ++i) QTest::qWait(20);
    EXPECT_GE(view.verticalScrollBar()->value(), first + 3);
    EXPECT_GT(view.caret(), view.anchor());
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, below);
    const int stopped = view.verticalScrollBar()->value();
    QTest::qWait(200);
    EXPECT_EQ(view.verticalScrollBar()->value(), stopped);
}

TEST_F(ViewFixture, UpAndDownKeepTheColumnAtTheTopAndBottomOfTheView) {
    QString many;
    for (int i = 0; i < 100; ++i) many += QStringLiteral("abcdefgh\r\n");
    view.insert(many);
    view.refresh();
    view.verticalScrollBar()->setValue(50);
    view.select(50 * 10 + 5, 50 * 10 + 5);  // line 50, column 5: the top line in sight
    key(Qt::Key_Up);
    EXPECT_EQ(view.caret(), 49 * 10 + 5);
    EXPECT_EQ(view.verticalScrollBar()->value(), 49);
}

TEST_F(ViewFixture, TheHorizontalRangeShrinksWhenTheLongLineGoes) {
    view.insert(QStringLiteral("short\r\n") + QString(300, QLatin1Char('w')) + QStringLiteral("\r\nshort\r\n"));
    view.refresh();
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
    view.select(7, 7 + 300 + 2);
    key(Qt::Key_Delete);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
}

TEST_F(ViewFixture, TabLeavesTheBox) {
    view.insert(QStringLiteral("x"));
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QCoreApplication::sendEvent(&view, &tab);
    EXPECT_EQ(text(), "x");
}

}  // namespace
}  // namespace malvorn::qttest
