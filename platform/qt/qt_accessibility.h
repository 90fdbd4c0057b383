// SPDX-License-Identifier: MIT
// What a screen reader needs from the Qt window: a name for every control
// (a label names the control it captions) and the result box's text, caret
// and selection through QAccessibleTextInterface.
#pragma once

#include <QAccessibleWidget>
#include <cstddef>

namespace malvorn {
class LineText;
struct FormDesign;
}  // namespace malvorn

namespace malvorn::qt {

class ListingView;
class WindowSystem;

// Screen readers take a line end as one "\n": a position of the result box
// as their offset, and the box's text as they take it.
int readerOffset(const LineText& text, std::size_t position);
QString readerText(QString boxText);

// Names the window's controls as the design says, ties each label to its
// control, makes the depth bar report the depth, and gives the result box
// its accessible text. Called once the window's
// controls exist, before any of them takes the focus.
void makeAccessible(WindowSystem& ws, const FormDesign& design);

// The result box as assistive technology sees it: multi-line editable text,
// which a reader may also change (each change an undo step).
// Everything is read from the view when asked, nothing is copied ahead: a
// line's text is found around the offset asked about. A line end is one
// "\n" to the reader, as QPlainTextEdit gives it, not the box's CR LF.
class ListingViewAccessible : public QAccessibleWidget,
                              public QAccessibleTextInterface,
                              public QAccessibleEditableTextInterface {
public:
    explicit ListingViewAccessible(ListingView* view);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    ListingView* view() const;
    const LineText& content() const;
    // A reader's offset (a line end one character) as a position in the box.
    qsizetype box(int offset) const;
};

}  // namespace malvorn::qt
