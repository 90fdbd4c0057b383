// SPDX-License-Identifier: MIT
// The view's text, picture, scrolling and what it tells screen readers;
// keys, mouse and input method are in qt_listing_view_input.cpp.
#include "platform/qt/qt_listing_view.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/qt/qt_accessibility.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_word_rule.h"

namespace malvorn::qt {

namespace {

constexpr int Margin = 3;  // pixels left of the text
constexpr int FrameMs = 40;
// Drawing takes at most about a fifth of a running listing's time: the
// next frame waits four times as long as the last one took to draw.
constexpr qint64 FrameCostFactor = 4;

int toInt(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

TextView viewOf(const QString& text) {
    return TextView(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

}  // namespace

ListingView::ListingView(QWidget* parent) : QAbstractScrollArea(parent), editor_(qtWordRule()) {
    editor_.setLayout(this);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);  // Chinese is typed through an input method
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(this, &QWidget::customContextMenuRequested, this, [this](QPoint at) { showContextMenu(at); });
    updateScrollBars();
}

QString ListingView::text() const { return toQString(editor_.text().text()); }

QString ListingView::selectedText() const { return toQString(editor_.text().selectedText()); }

void ListingView::setText(const QString& text) {
    editor_.assign(viewOf(text));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    changed(false);
}

void ListingView::write(TextView text) {
    editor_.write(text);
    changed(true);
}

void ListingView::insert(const QString& text) { write(viewOf(text)); }

void ListingView::select(qsizetype anchor, qsizetype caret) {
    editor_.select(static_cast<std::size_t>(std::max<qsizetype>(0, anchor)),
                   static_cast<std::size_t>(std::max<qsizetype>(0, caret)));
    userDid();
}

void ListingView::replaceRange(qsizetype from, qsizetype to, const QString& text) {
    editor_.select(static_cast<std::size_t>(std::max<qsizetype>(0, from)),
                   static_cast<std::size_t>(std::max<qsizetype>(0, to)));
    editor_.insert(viewOf(text));
    userDid();
}

void ListingView::undo() {
    editor_.undo();
    userDid();
}

void ListingView::redo() {
    editor_.redo();
    userDid();
}

void ListingView::changed(bool follow) {
    followCaret_ = follow;
    if (!frame_.isActive())
        frame_.start(static_cast<int>(std::clamp<qint64>(FrameCostFactor * frameCostMs_, FrameMs, 1000)), this);
}

void ListingView::refresh() {
    frame_.stop();
    updateScrollBars();
    if (followCaret_) ensureCaretVisible();
    followCaret_ = false;
    viewport()->update();
}

void ListingView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != frame_.timerId()) return inputTimerEvent(event);
    QElapsedTimer cost;
    cost.start();
    refresh();
    // Drawn now, so that a click always lands on what it sees.
    viewport()->repaint();
    frameCostMs_ = cost.elapsed();
}

void ListingView::userDid(bool selectionMayChange) {
    frame_.stop();
    followCaret_ = false;
    updateScrollBars();
    ensureCaretVisible();
    restartBlink();
    announce();
    if (selectionMayChange && editor_.hasSelection()) copyTo(true);
    viewport()->update();
}

// ---------------------------------------------------------------- measuring

QString ListingView::shownLine(std::size_t line) const {
    Text scratch;
    return displayString(editor_.text().line(line, scratch));
}

double ListingView::xOf(std::size_t line, std::size_t column) { return columnX(line, column); }

double ListingView::columnX(std::size_t line, std::size_t column) const {
    if (column == 0) return 0;
    return QFontMetricsF(font()).horizontalAdvance(shownLine(line).left(static_cast<qsizetype>(column)));
}

std::size_t ListingView::columnAt(std::size_t line, double x) {
    const QString shown = shownLine(line);
    const QFontMetricsF metrics(font());
    auto at = [&](qsizetype column) { return column <= 0 ? 0.0 : metrics.horizontalAdvance(shown.left(column)); };
    // The column whose left edge is nearest the point.
    qsizetype lo = 0, hi = shown.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (at(mid + 1) <= x)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < shown.size() && x - at(lo) > (at(lo + 1) - at(lo)) / 2) ++lo;
    return static_cast<std::size_t>(lo);
}

std::size_t ListingView::pageLines() { return static_cast<std::size_t>(visibleLines()); }

int ListingView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int ListingView::visibleLines() const { return std::max(1, viewport()->height() / lineHeight()); }

qsizetype ListingView::positionAt(QPoint point) {
    const auto row = static_cast<qsizetype>(std::floor(static_cast<double>(point.y()) / lineHeight()));
    const qsizetype line = std::clamp<qsizetype>(verticalScrollBar()->value() + row, 0, lineCount() - 1);
    const double x = point.x() - Margin + horizontalScrollBar()->value();
    const auto l = static_cast<std::size_t>(line);
    return static_cast<qsizetype>(editor_.text().lineStart(l) + columnAt(l, x));
}

QRect ListingView::characterRect(qsizetype position) {
    const std::size_t p = std::min(static_cast<std::size_t>(std::max<qsizetype>(0, position)), editor_.text().size());
    const std::size_t line = editor_.text().lineOf(p), column = p - editor_.text().lineStart(line);
    const double left = xOf(line, column);
    // The box of a line's end is a blank's width.
    const std::size_t next = p < editor_.text().lineEnd(line) ? editor_.text().next(p) : p;
    const double right = next > p ? xOf(line, next - editor_.text().lineStart(line))
                                  : left + QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
    const int x = Margin - horizontalScrollBar()->value() + static_cast<int>(left);
    const int y = static_cast<int>(static_cast<qsizetype>(line) - verticalScrollBar()->value()) * lineHeight();
    return QRect(x, y, std::max(1, static_cast<int>(std::ceil(right - left))), lineHeight());
}

// ---------------------------------------------------------------- scrolling

void ListingView::updateScrollBars() {
    const int visible = visibleLines();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, static_cast<int>(std::max<qsizetype>(0, lineCount() - visible)));
    v->setPageStep(visible);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const int contentWidth = static_cast<int>(std::ceil(editor_.contentWidth())) + 2 * Margin;
    h->setRange(0, std::max(0, contentWidth - viewport()->width()));
    h->setPageStep(std::max(1, viewport()->width()));
    h->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

void ListingView::ensureCaretVisible() {
    auto first = static_cast<std::size_t>(verticalScrollBar()->value());
    double left = horizontalScrollBar()->value();
    editor_.bringCaretIntoSight(first, left, static_cast<std::size_t>(visibleLines()),
                                viewport()->width() - 2 * Margin);
    verticalScrollBar()->setValue(toInt(first));
    horizontalScrollBar()->setValue(static_cast<int>(left));
}

void ListingView::scrollContentsBy(int, int) { viewport()->update(); }

void ListingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ListingView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        editor_.takeShrunk();
        editor_.noteWidth(0);
        updateScrollBars();
    }
}

// ---------------------------------------------------------------- painting

void ListingView::paintEvent(QPaintEvent*) {
    // What changed since the last frame goes to the screen readers once.
    announce();
    QPainter p(viewport());
    const QPalette& pal = palette();
    const QFontMetricsF metrics(font());
    const int h = lineHeight();
    const qreal ascent = metrics.ascent();
    const auto first = static_cast<std::size_t>(verticalScrollBar()->value());
    const std::size_t lines = editor_.text().lineCount();
    const std::size_t last = std::min(lines - 1, first + static_cast<std::size_t>(viewport()->height() / h) + 1);
    const qreal x0 = Margin - horizontalScrollBar()->value();
    const qreal spaceWidth = metrics.horizontalAdvance(QLatin1Char(' '));
    const std::size_t caretLine = editor_.text().lineOf(editor_.caret());
    const std::size_t caretColumn = editor_.caret() - editor_.text().lineStart(caretLine);
    double widest = 0;
    for (std::size_t line = first; line <= last && first < lines; ++line) {
        const int y = static_cast<int>(line - first) * h;
        QString shown = shownLine(line);
        widest = std::max(widest, metrics.horizontalAdvance(shown));
        const bool composing = line == caretLine && !preedit_.isEmpty();
        if (composing) shown.insert(static_cast<qsizetype>(caretColumn), preedit_);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QPointF(x0, y + ascent), shown);
        if (composing) {
            // The text being composed, underlined as the input method's own.
            const qreal a = x0 + metrics.horizontalAdvance(shown.left(static_cast<qsizetype>(caretColumn)));
            const qreal b = a + metrics.horizontalAdvance(preedit_);
            p.drawLine(QPointF(a, y + h - 1), QPointF(b, y + h - 1));
        } else if (const auto band = editor_.selectionOn(line)) {
            const qreal a = x0 + xOf(line, band->from);
            const qreal b = x0 + xOf(line, band->to) + (band->lineEnd ? spaceWidth : 0);
            const QRectF rect(a, y, b - a, h);
            p.fillRect(rect, pal.brush(QPalette::Highlight));
            p.save();
            p.setClipRect(rect);
            p.setPen(pal.color(QPalette::HighlightedText));
            p.drawText(QPointF(x0, y + ascent), shown);
            p.restore();
        }
    }
    if (hasFocus() && caretOn_ && caretLine >= first && caretLine <= last) {
        qreal x = x0 + xOf(caretLine, caretColumn);
        if (!preedit_.isEmpty()) x += metrics.horizontalAdvance(preedit_.left(preeditCursor_));
        const int y = static_cast<int>(caretLine - first) * h;
        p.setPen(pal.color(QPalette::Text));
        p.drawLine(QPointF(x, y), QPointF(x, y + h - 1));
    }
    if (widest > editor_.contentWidth()) {
        editor_.noteWidth(widest);
        updateScrollBars();
    }
}

// ---------------------------------------------------------------- screen readers

void ListingView::announce() {
    const std::vector<TextChange> changes = editor_.takeChanges();
    const std::size_t caret = editor_.caret(), anchor = editor_.anchor();
    const bool moved = caret != announcedCaret_ || anchor != announcedAnchor_;
    const bool hadSelection = announcedCaret_ != announcedAnchor_;
    announcedCaret_ = caret;
    announcedAnchor_ = anchor;
    if (!QAccessible::isActive()) return;
    // What went in with its text, what went out with the text the editor
    // kept of it (blanks of its length where it kept none, as QPlainTextEdit
    // always tells it), so that an erased character is read back; offsets
    // and line ends as the text interface gives them.
    for (const TextChange& c : changes) {
        // A change told late may reach past text that a later one took away.
        const std::size_t size = editor_.text().size(), from = std::min(c.at, size);
        const QString added = readerText(toQString(editor_.text().slice(from, std::min(from + c.inserted, size))));
        const int at = readerOffset(editor_.text(), from);
        const QString removed = c.removedText.size() == c.removed ? readerText(toQString(c.removedText))
                                                                  : QString(toInt(c.removed), QLatin1Char(' '));
        if (c.removed == 0) {
            QAccessibleTextInsertEvent e(this, at, added);
            QAccessible::updateAccessibility(&e);
        } else if (c.inserted == 0) {
            QAccessibleTextRemoveEvent e(this, at, removed);
            QAccessible::updateAccessibility(&e);
        } else {
            QAccessibleTextUpdateEvent e(this, at, removed, added);
            QAccessible::updateAccessibility(&e);
        }
    }
    if (!moved && changes.empty()) return;
    if (caret != anchor || hadSelection) {
        QAccessibleTextSelectionEvent e(this, readerOffset(editor_.text(), editor_.text().selectionStart()),
                                        readerOffset(editor_.text(), editor_.text().selectionEnd()));
        e.setCursorPosition(readerOffset(editor_.text(), caret));
        QAccessible::updateAccessibility(&e);
    }
    QAccessibleTextCursorEvent e(this, readerOffset(editor_.text(), caret));
    QAccessible::updateAccessibility(&e);
}

}  // namespace malvorn::qt
