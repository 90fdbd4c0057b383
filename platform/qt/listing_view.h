// SPDX-License-Identifier: MIT
// The result box's widget: a multi-line text view built for listings of
// hundreds of thousands of lines. The text is kept as one UTF-16 string
// with CR LF between lines plus the start of every line, and only the lines
// in sight are drawn, so adding a line costs about what copying it costs
// (a QTextDocument spends microseconds per line on its block structure,
// several times the whole listing's own time).
//
// It does what the listing needs from a text box and what a person expects
// of one: a caret and a selection set by mouse and keys, scrolling both
// ways without wrapping, typing, cut, copy and paste, select all.
#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

namespace malvorn::qt {

class ListingView : public QAbstractScrollArea {
public:
    explicit ListingView(QWidget* parent = nullptr);

    // The whole text, lines ended by CR LF.
    const QString& text() const { return text_; }
    void setText(const QString& text);
    // Replaces the selection with the text and puts the caret behind it.
    void insert(const QString& text);

    qsizetype lineCount() const { return static_cast<qsizetype>(starts_.size()); }
    qsizetype caret() const { return caret_; }
    qsizetype anchor() const { return anchor_; }
    // Sets the selection from the anchor to the caret (equal: none).
    void select(qsizetype anchor, qsizetype caret);
    QString selectedText() const;

    // Where the caret of a click at a point in the viewport would go.
    qsizetype positionAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
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

private:
    // Lines are ended by CR LF only: other line ends are made CR LF on the
    // way in, so that every break is two units and never split.
    static QString withCrLf(const QString& text);
    // Replaces [from, to) with the text, its line ends made CR LF; returns
    // the length that went in.
    qsizetype replace(qsizetype from, qsizetype to, const QString& text);
    qsizetype lineOf(qsizetype position) const;
    qsizetype lineEnd(qsizetype line) const;  // before its CR LF
    QStringView lineText(qsizetype line) const;
    // A line as a person sees it: a unit that is half a character (a byte
    // of a name that is not text) shows as U+FFFD, which keeps the columns.
    QString shownLine(qsizetype line) const;
    static QString shown(QStringView text);
    qreal xOf(qsizetype line, qsizetype column) const;
    void moveCaret(qsizetype position, bool keepAnchor);
    void ensureCaretVisible();
    void updateScrollBars();
    void noteWidth(QStringView line);
    int lineHeight() const;
    int visibleLines() const;

    QString text_;
    std::vector<qsizetype> starts_{0};  // start of every line
    qsizetype caret_ = 0, anchor_ = 0;
    qreal widest_ = 0;       // widest line seen, in pixels
    qreal preferredX_ = -1;  // column kept by Up and Down
};

}  // namespace malvorn::qt
