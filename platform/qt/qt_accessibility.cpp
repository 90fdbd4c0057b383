// SPDX-License-Identifier: MIT
#include "platform/qt/qt_accessibility.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <climits>

#include "platform/qt/qt_listing_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window_system.h"

namespace malvorn::qt {

namespace {

// Offsets are int in Qt's accessibility API; a listing longer than that is
// read as far as an int reaches.
int clamped(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

// The line around an offset: [start, end) without its CR LF, and where the
// next line starts (end + 2, or end for the last line). An offset between
// the CR and the LF belongs to the line the CR ends.
struct Line {
    std::size_t start, end, next;
};

Line lineAt(const malvorn::LineText& text, int offset) {
    const std::size_t p = std::min(static_cast<std::size_t>(std::max(0, offset)), text.size());
    const std::size_t l = text.lineOf(p);
    const std::size_t end = text.lineEnd(l);
    return {text.lineStart(l), end, l + 1 < text.lineCount() ? text.lineStart(l + 1) : end};
}

// One line as a text of its own, so that Qt's own word, sentence and
// character boundaries run over that line and never over the whole listing.
class OneLine : public QAccessibleTextInterface {
public:
    explicit OneLine(QString line) : line_(std::move(line)) {}
    void selection(int, int* s, int* e) const override { *s = *e = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int s, int e) const override { return line_.mid(s, e - s); }
    int characterCount() const override { return static_cast<int>(line_.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* s, int* e) const override {
        *s = *e = 0;
        return {};
    }

private:
    QString line_;
};

bool byLines(QAccessible::TextBoundaryType boundary) {
    return boundary == QAccessible::LineBoundary || boundary == QAccessible::ParagraphBoundary;
}

QString span(const malvorn::LineText& text, std::size_t from, std::size_t to, int* startOffset, int* endOffset) {
    *startOffset = clamped(from);
    *endOffset = clamped(to);
    return toQString(text.slice(from, to));
}

QAccessibleInterface* listingViewFactory(const QString&, QObject* object) {
    if (auto* view = dynamic_cast<ListingView*>(object)) return new ListingViewAccessible(view);
    return nullptr;
}

}  // namespace

void makeAccessible(WindowSystem& ws) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(listingViewFactory);
        return true;
    }();
    (void)factoryInstalled;

    // A label names the control it captions, both ways: as its buddy, and
    // as the control's accessible name, which every reader takes.
    auto caption = [&](ControlId label, ControlId control) {
        auto* l = qobject_cast<QLabel*>(ws.widget(label));
        QWidget* c = ws.widget(control);
        if (!l || !c) return;
        l->setBuddy(c);
        c->setAccessibleName(l->text());
    };
    caption(ControlId::lblPath, ControlId::drDir);
    caption(ControlId::lblLevels, ControlId::txtLevel);
    // The scroll bar beside the depth box sets the same depth.
    if (QWidget* bar = ws.widget(ControlId::VSLevel))
        bar->setAccessibleName(ws.widget(ControlId::txtLevel)->accessibleName());
    // The controls that no label captions; buttons, check boxes and the
    // frame are named by their own captions.
    ws.widget(ControlId::drDrive)->setAccessibleName(QStringLiteral("驱动器"));
    ws.widget(ControlId::txtPath)->setAccessibleName(QStringLiteral("要列举的目录的路径"));
    auto* result = dynamic_cast<ListingView*>(ws.widget(ControlId::txtResult));
    if (!result) return;
    result->setAccessibleName(QStringLiteral("列举结果"));
}

// ---------------------------------------------------------------- the result box's text

ListingViewAccessible::ListingViewAccessible(ListingView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

ListingView* ListingViewAccessible::view() const { return static_cast<ListingView*>(widget()); }

void* ListingViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ListingViewAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.selectableText = true;
    s.editable = true;  // the box takes typing
    return s;
}

const malvorn::LineText& ListingViewAccessible::content() const { return view()->editor().text(); }

QString ListingViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return view()->text();
    return QAccessibleWidget::text(kind);
}

void ListingViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0) return;
    *startOffset = clamped(content().selectionStart());
    *endOffset = clamped(content().selectionEnd());
}

int ListingViewAccessible::selectionCount() const { return content().hasSelection() ? 1 : 0; }

void ListingViewAccessible::addSelection(int startOffset, int endOffset) { view()->select(startOffset, endOffset); }

void ListingViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) view()->select(view()->caret(), view()->caret());
}

void ListingViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) view()->select(startOffset, endOffset);
}

int ListingViewAccessible::cursorPosition() const { return clamped(content().caret()); }

void ListingViewAccessible::setCursorPosition(int position) { view()->select(position, position); }

QString ListingViewAccessible::text(int startOffset, int endOffset) const {
    const std::size_t from = std::min(static_cast<std::size_t>(std::max(0, startOffset)), content().size());
    const std::size_t to = std::clamp(static_cast<std::size_t>(std::max(0, endOffset)), from, content().size());
    return toQString(content().slice(from, to));
}

// Words, sentences and characters are found within the offset's line by
// Qt's own rules (OneLine above); lines are found by the line index.
QString ListingViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                            int* endOffset) const {
    const malvorn::LineText& all = content();
    if (boundary == QAccessible::NoBoundary) return span(all, 0, all.size(), startOffset, endOffset);
    const Line line = lineAt(all, offset);
    if (byLines(boundary)) return span(all, line.start, line.next, startOffset, endOffset);
    const OneLine within(toQString(all.slice(line.start, line.end)));
    const QString found = within.textAtOffset(
        clamped(std::min(static_cast<std::size_t>(std::max(0, offset)), line.end) - std::min(line.start, line.end)),
        boundary, startOffset, endOffset);
    *startOffset += clamped(line.start);
    *endOffset += clamped(line.start);
    return found;
}

QString ListingViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                                int* endOffset) const {
    const malvorn::LineText& all = content();
    const Line line = lineAt(all, offset);
    if (!byLines(boundary) || line.start == 0) {
        if (byLines(boundary) || boundary == QAccessible::NoBoundary) return span(all, 0, 0, startOffset, endOffset);
        const OneLine within(toQString(all.slice(line.start, line.end)));
        const QString found = within.textBeforeOffset(
            clamped(std::min(static_cast<std::size_t>(std::max(0, offset)), line.end) - line.start), boundary,
            startOffset, endOffset);
        *startOffset += clamped(line.start);
        *endOffset += clamped(line.start);
        return found;
    }
    const Line previous = lineAt(all, clamped(line.start - 2));
    return span(all, previous.start, previous.next, startOffset, endOffset);
}

QString ListingViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                               int* endOffset) const {
    const malvorn::LineText& all = content();
    const Line line = lineAt(all, offset);
    if (!byLines(boundary)) {
        if (boundary == QAccessible::NoBoundary) return span(all, all.size(), all.size(), startOffset, endOffset);
        const OneLine within(toQString(all.slice(line.start, line.end)));
        const QString found = within.textAfterOffset(
            clamped(std::min(static_cast<std::size_t>(std::max(0, offset)), line.end) - line.start), boundary,
            startOffset, endOffset);
        *startOffset += clamped(line.start);
        *endOffset += clamped(line.start);
        return found;
    }
    if (line.next == line.end) return span(all, all.size(), all.size(), startOffset, endOffset);
    const Line next = lineAt(all, clamped(line.next));
    return span(all, next.start, next.next, startOffset, endOffset);
}

int ListingViewAccessible::characterCount() const { return clamped(content().size()); }

QRect ListingViewAccessible::characterRect(int offset) const {
    // In screen coordinates, as a magnifier or a reader's highlight wants.
    const QRect inView = view()->characterRect(offset);
    return QRect(view()->viewport()->mapToGlobal(inView.topLeft()), inView.size());
}

int ListingViewAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint inView = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inView)) return -1;
    return static_cast<int>(view()->positionAt(inView));
}

void ListingViewAccessible::scrollToSubstring(int startIndex, int endIndex) { view()->select(startIndex, endIndex); }

QString ListingViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One font, one colour: the whole text is one run without attributes.
    (void)offset;
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

// Edits by a screen reader are the user's: each is an undo step.
void ListingViewAccessible::deleteText(int startOffset, int endOffset) {
    view()->replaceRange(startOffset, endOffset, QString());
}

void ListingViewAccessible::insertText(int offset, const QString& text) { view()->replaceRange(offset, offset, text); }

void ListingViewAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    view()->replaceRange(startOffset, endOffset, text);
}

}  // namespace malvorn::qt
