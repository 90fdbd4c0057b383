// SPDX-License-Identifier: MIT
#include "platform/qt/qt_accessibility.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <climits>

#include "platform/form_design.h"
#include "platform/qt/qt_listing_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window_system.h"

namespace malvorn::qt {

int readerOffset(const malvorn::LineText& text, std::size_t position) {
    const std::size_t p = std::min(position, text.size());
    return static_cast<int>(std::min<std::size_t>(p - text.lineOf(p), INT_MAX));
}

QString readerText(QString boxText) { return boxText.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

namespace {

// Offsets are int in Qt's accessibility API; a listing longer than that is
// read as far as an int reaches.
int clamped(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

// Screen readers take a line end as one "\n", as QPlainTextEdit gives it;
// the box holds CR LF. Offsets to and from them count each CR LF as one
// character: a reader's offset of line l is the box's position less l.
std::size_t toBox(const malvorn::LineText& text, int offset) {
    const auto a = static_cast<std::size_t>(std::max(0, offset));
    std::size_t lo = 0, hi = text.lineCount() - 1;  // the last line starting at or before a
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (text.lineStart(mid) - mid <= a)
            lo = mid;
        else
            hi = mid - 1;
    }
    return std::min(a + lo, text.size());
}

QString spoken(const malvorn::LineText& text, std::size_t from, std::size_t to) {
    return readerText(toQString(text.slice(from, to)));
}

// The line around a position of the box: [start, end) without its CR LF,
// and where the next line starts (end + 2, or end for the last line).
struct Line {
    std::size_t start, end, next;
};

Line lineAt(const malvorn::LineText& text, std::size_t position) {
    const std::size_t p = std::min(position, text.size());
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
    *startOffset = readerOffset(text, from);
    *endOffset = readerOffset(text, to);
    return spoken(text, from, to);
}

// A scroll bar whose position p stands for the value offset - p (the depth
// bar: its top end is the deepest listing) reports that value, so that a
// reader says the depth and not the position.
class DepthBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    DepthBarAccessible(QScrollBar* bar, int offset) : QAccessibleWidget(bar, QAccessible::ScrollBar), offset_(offset) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return QString::number(depthOf(bar()->value()));
        return QAccessibleWidget::text(kind);
    }
    QVariant currentValue() const override { return depthOf(bar()->value()); }
    void setCurrentValue(const QVariant& value) override { bar()->setValue(offset_ - value.toInt()); }
    QVariant maximumValue() const override { return depthOf(bar()->minimum()); }
    QVariant minimumValue() const override { return depthOf(bar()->maximum()); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

private:
    QScrollBar* bar() const { return static_cast<QScrollBar*>(widget()); }
    int depthOf(int position) const { return offset_ - position; }
    int offset_;
};

#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
// The folder list: Qt's own interface for the tree in all but its selection,
// which since Qt 6.5 maps a selected folder by its row among its siblings
// and so names "/" for a folder that is the first of its parent's. The
// selected folder is the current one; its cell is found by its row in
// sight, as Qt counts the tree's children (its header first).
class FolderTreeAccessible : public QAccessibleInterface, public QAccessibleSelectionInterface {
public:
    FolderTreeAccessible(QTreeWidget* tree, QAccessibleInterface* qts) : tree_(tree), qt_(qts) {}
    bool isValid() const override { return tree_ && qt_->isValid(); }
    QObject* object() const override { return tree_; }
    QWindow* window() const override { return qt_->window(); }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override {
        return qt_->relations(match);
    }
    QAccessibleInterface* focusChild() const override { return qt_->focusChild(); }
    QAccessibleInterface* childAt(int x, int y) const override { return qt_->childAt(x, y); }
    QAccessibleInterface* parent() const override { return qt_->parent(); }
    QAccessibleInterface* child(int index) const override { return qt_->child(index); }
    int childCount() const override { return qt_->childCount(); }
    int indexOfChild(const QAccessibleInterface* child) const override { return qt_->indexOfChild(child); }
    QString text(QAccessible::Text t) const override { return qt_->text(t); }
    void setText(QAccessible::Text t, const QString& text) override { qt_->setText(t, text); }
    QRect rect() const override { return qt_->rect(); }
    QAccessible::Role role() const override { return qt_->role(); }
    QAccessible::State state() const override { return qt_->state(); }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::SelectionInterface) return static_cast<QAccessibleSelectionInterface*>(this);
        return qt_->interface_cast(type);
    }

    int selectedItemCount() const override { return current() ? 1 : 0; }
    QList<QAccessibleInterface*> selectedItems() const override {
        QAccessibleInterface* c = current();
        return c ? QList<QAccessibleInterface*>{c} : QList<QAccessibleInterface*>{};
    }
    bool select(QAccessibleInterface* child) override { return selection()->select(child); }
    bool unselect(QAccessibleInterface* child) override { return selection()->unselect(child); }
    bool selectAll() override { return false; }  // one folder at a time
    bool clear() override { return false; }

private:
    QAccessibleSelectionInterface* selection() const { return qt_->selectionInterface(); }
    QAccessibleInterface* current() const {
        const QTreeWidgetItem* wanted = tree_ ? tree_->currentItem() : nullptr;
        if (!wanted) return nullptr;
        int row = 0;  // rows in sight before it: every folder of the chain is open
        for (QTreeWidgetItemIterator it(tree_.data()); *it && *it != wanted; ++it) {
            bool shown = true;
            for (const QTreeWidgetItem* up = (*it)->parent(); up && shown; up = up->parent()) shown = up->isExpanded();
            if (shown) ++row;
        }
        return qt_->child((row + 1) * tree_->columnCount());
    }
    QPointer<QTreeWidget> tree_;
    QAccessibleInterface* qt_;
};
#endif

QAccessibleInterface* listingViewFactory(const QString&, QObject* object) {
    if (auto* view = dynamic_cast<ListingView*>(object)) return new ListingViewAccessible(view);
    return nullptr;
}

}  // namespace

void makeAccessible(WindowSystem& ws, const FormDesign& design) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(listingViewFactory);
        return true;
    }();
    (void)factoryInstalled;

    // The depth bar's position runs the other way from the depth it sets.
    // Qt's own interface for a QScrollBar comes from a factory asked before
    // any installed later, so this one is put in place for the bar itself.
    if (auto* bar = qobject_cast<QScrollBar*>(ws.widget(ControlId::VSLevel)))
        QAccessible::registerAccessibleInterface(new DepthBarAccessible(bar, design.scrollBar.maximum + 1));
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    if (auto* tree = qobject_cast<QTreeWidget*>(ws.widget(ControlId::drDir)))
        if (QAccessibleInterface* qts = QAccessible::queryAccessibleInterface(tree))
            QAccessible::registerAccessibleInterface(new FolderTreeAccessible(tree, qts));
#endif
    // The controls without a caption of their own are named as the design
    // says, mostly after the label that stands for them. A label is also
    // the buddy of the first control it names, which gives that control a
    // label relation: the drive list needs it, as QAccessibleComboBox on
    // Unix names itself after its current item whatever name it is given.
    for (const SpokenName& n : design.spokenNames) {
        QWidget* c = ws.widget(n.control);
        if (!c) continue;
        c->setAccessibleName(displayString(n.name));
        auto* l = n.byLabel ? qobject_cast<QLabel*>(ws.widget(n.label)) : nullptr;
        if (l && !l->buddy()) l->setBuddy(c);
    }
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

qsizetype ListingViewAccessible::box(int offset) const { return static_cast<qsizetype>(toBox(content(), offset)); }

QString ListingViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return spoken(content(), 0, content().size());
    return QAccessibleWidget::text(kind);
}

void ListingViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0) return;
    *startOffset = readerOffset(content(), content().selectionStart());
    *endOffset = readerOffset(content(), content().selectionEnd());
}

int ListingViewAccessible::selectionCount() const { return content().hasSelection() ? 1 : 0; }

void ListingViewAccessible::addSelection(int startOffset, int endOffset) {
    view()->select(box(startOffset), box(endOffset));
}

void ListingViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) view()->select(view()->caret(), view()->caret());
}

void ListingViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0) view()->select(box(startOffset), box(endOffset));
}

int ListingViewAccessible::cursorPosition() const { return readerOffset(content(), content().caret()); }

void ListingViewAccessible::setCursorPosition(int position) { view()->select(box(position), box(position)); }

QString ListingViewAccessible::text(int startOffset, int endOffset) const {
    const std::size_t from = toBox(content(), startOffset);
    return spoken(content(), from, std::max(from, toBox(content(), endOffset)));
}

// Words, sentences and characters are found within the offset's line by
// Qt's own rules (OneLine above); lines are found by the line index.
QString ListingViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                            int* endOffset) const {
    const malvorn::LineText& all = content();
    if (boundary == QAccessible::NoBoundary) return span(all, 0, all.size(), startOffset, endOffset);
    const Line line = lineAt(all, toBox(all, offset));
    if (byLines(boundary)) return span(all, line.start, line.next, startOffset, endOffset);
    const OneLine within(toQString(all.slice(line.start, line.end)));
    const QString found = within.textAtOffset(clamped(std::min(toBox(all, offset), line.end) - line.start), boundary,
                                              startOffset, endOffset);
    *startOffset += readerOffset(all, line.start);
    *endOffset += readerOffset(all, line.start);
    return found;
}

QString ListingViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                                int* endOffset) const {
    const malvorn::LineText& all = content();
    const Line line = lineAt(all, toBox(all, offset));
    if (!byLines(boundary) || line.start == 0) {
        if (byLines(boundary) || boundary == QAccessible::NoBoundary) return span(all, 0, 0, startOffset, endOffset);
        const OneLine within(toQString(all.slice(line.start, line.end)));
        const QString found = within.textBeforeOffset(clamped(std::min(toBox(all, offset), line.end) - line.start),
                                                      boundary, startOffset, endOffset);
        *startOffset += readerOffset(all, line.start);
        *endOffset += readerOffset(all, line.start);
        return found;
    }
    const Line previous = lineAt(all, line.start - 2);
    return span(all, previous.start, previous.next, startOffset, endOffset);
}

QString ListingViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                                               int* endOffset) const {
    const malvorn::LineText& all = content();
    const Line line = lineAt(all, toBox(all, offset));
    if (!byLines(boundary)) {
        if (boundary == QAccessible::NoBoundary) return span(all, all.size(), all.size(), startOffset, endOffset);
        const OneLine within(toQString(all.slice(line.start, line.end)));
        const QString found = within.textAfterOffset(clamped(std::min(toBox(all, offset), line.end) - line.start),
                                                     boundary, startOffset, endOffset);
        *startOffset += readerOffset(all, line.start);
        *endOffset += readerOffset(all, line.start);
        return found;
    }
    if (line.next == line.end) return span(all, all.size(), all.size(), startOffset, endOffset);
    const Line next = lineAt(all, line.next);
    return span(all, next.start, next.next, startOffset, endOffset);
}

int ListingViewAccessible::characterCount() const { return readerOffset(content(), content().size()); }

QRect ListingViewAccessible::characterRect(int offset) const {
    // In screen coordinates, as a magnifier or a reader's highlight wants.
    const QRect inView = view()->characterRect(box(offset));
    return QRect(view()->viewport()->mapToGlobal(inView.topLeft()), inView.size());
}

int ListingViewAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint inView = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inView)) return -1;
    return readerOffset(content(), static_cast<std::size_t>(view()->positionAt(inView)));
}

void ListingViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    view()->select(box(startIndex), box(endIndex));
}

QString ListingViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // One font, one colour: the whole text is one run without attributes.
    (void)offset;
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

// Edits by a screen reader are the user's: each is an undo step.
void ListingViewAccessible::deleteText(int startOffset, int endOffset) {
    view()->replaceRange(box(startOffset), box(endOffset), QString());
}

void ListingViewAccessible::insertText(int offset, const QString& text) {
    view()->replaceRange(box(offset), box(offset), text);
}

void ListingViewAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    view()->replaceRange(box(startOffset), box(endOffset), text);
}

}  // namespace malvorn::qt
