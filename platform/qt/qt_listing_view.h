// SPDX-License-Identifier: MIT
// The result box's widget: a thin Qt view over the shared TextEditor,
// built for listings of hundreds of thousands of lines. The editor holds
// the text once with the start of every line, and only the lines in sight
// are drawn, so adding a line costs about what copying it costs (a
// QTextDocument spends microseconds per line on its block structure,
// several times the whole listing's own time).
//
// The view turns keys and the mouse into the editor's commands, measures
// and paints the text, blinks the caret, scrolls (also on a timer while the
// mouse is held past an edge), shows the input method's preedit text at
// the caret, keeps the X11 primary selection, and tells screen readers of
// changes as QPlainTextEdit does: the changes a running listing makes go
// out at most once per painted frame, with the frame's text.
//
// Text written from code is in the editor at once; the scroll bars and the
// picture follow at most once a frame, so a listing is not held up by
// drawing, while a key, a click or a screen reader always meets every line
// written before it.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>

#include "platform/shared/edit_commands.h"
#include "platform/shared/text_editor.h"

namespace malvorn::qt {

class ListingView : public QAbstractScrollArea, private TextLayout, private EditClipboard {
public:
    explicit ListingView(QWidget* parent = nullptr);

    TextEditor& editor() { return editor_; }
    const TextEditor& editor() const { return editor_; }

    // The whole text, lines ended by CR LF (a copy).
    QString text() const;
    qsizetype size() const { return static_cast<qsizetype>(editor_.text().size()); }
    // From code: the text anew (the history emptied), and text written
    // over the selection, caret behind it; neither is an undo step.
    void setText(const QString& text);
    void write(TextView text);
    void insert(const QString& text);
    // Scroll bars, caret and picture brought up to date now rather than at
    // the next frame.
    void refresh();

    qsizetype lineCount() const { return static_cast<qsizetype>(editor_.text().lineCount()); }
    qsizetype caret() const { return static_cast<qsizetype>(editor_.caret()); }
    qsizetype anchor() const { return static_cast<qsizetype>(editor_.anchor()); }
    void select(qsizetype anchor, qsizetype caret);
    QString selectedText() const;

    // Where the caret of a click at a point in the viewport would go.
    qsizetype positionAt(QPoint point);
    // A character's box in the viewport's coordinates.
    QRect characterRect(qsizetype position);
    // The user's commands that the context menu and screen readers give.
    void undo();
    void redo();
    void replaceRange(qsizetype from, qsizetype to, const QString& text);
    // The preedit text the input method is composing (empty: none).
    const QString& preedit() const { return preedit_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // TextLayout: the editor's questions about the picture.
    double xOf(std::size_t line, std::size_t column) override;
    std::size_t columnAt(std::size_t line, double x) override;
    std::size_t pageLines() override;
    // EditClipboard: the system clipboard.
    void putOnClipboard(const Text& text) override;
    Text clipboardText() override;
    bool clipboardHasText() override;
    // A key's or the menu's command, and what follows it.
    void run(EditAction action);
    void showContextMenu(QPoint at);
    double columnX(std::size_t line, std::size_t column) const;

    // A line as a person sees it: a unit that is half a character (a byte
    // of a name that is not text) shows as U+FFFD, which keeps the columns.
    QString shownLine(std::size_t line) const;
    // After a command of the user's: the caret into sight, the screen
    // readers told, the primary selection kept, the picture redrawn.
    void userDid(bool selectionMayChange = true);
    // After a change from code: the scroll bars and the picture at the
    // next frame (refresh), the caret followed into sight if `follow`.
    void changed(bool follow);
    void ensureCaretVisible();
    void updateScrollBars();
    // The changes, caret and selection since the last call, to the screen
    // readers.
    void announce();
    // The caret's blink, the autoscroll and the third click's timers.
    void inputTimerEvent(QTimerEvent* event);
    void restartBlink();
    void autoscroll();
    void copyTo(bool primary) const;
    int lineHeight() const;
    int visibleLines() const;

    TextEditor editor_;
    QString preedit_;
    int preeditCursor_ = 0;
    bool caretOn_ = true;
    QBasicTimer blink_, autoscroll_, tripleClick_, frame_;
    qint64 frameCostMs_ = 0;  // what the last frame took to draw
    bool followCaret_ = false;
    QPoint tripleClickAt_, mouseAt_;
    bool dragging_ = false;
    std::size_t announcedCaret_ = 0, announcedAnchor_ = 0;
};

}  // namespace malvorn::qt
