// SPDX-License-Identifier: MIT
#include "platform/qt/listing_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace malvorn::qt {

namespace {

constexpr int Margin = 3;  // pixels left of the text
const QString CrLf = QStringLiteral("\r\n");

bool isLow(QChar c) { return c.isLowSurrogate(); }
bool isHigh(QChar c) { return c.isHighSurrogate(); }

}  // namespace

ListingView::ListingView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);  // Chinese is typed through an input method
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    updateScrollBars();
}

QString ListingView::withCrLf(const QString& text) {
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            out += CrLf;
        } else if (c == QLatin1Char('\n')) {
            out += CrLf;
        } else {
            out += c;
        }
    }
    return out;
}

void ListingView::setText(const QString& text) {
    text_.clear();
    starts_.assign(1, 0);
    caret_ = anchor_ = 0;
    widest_ = 0;
    preferredX_ = -1;
    replace(0, 0, text);
    caret_ = anchor_ = 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void ListingView::insert(const QString& text) {
    const qsizetype from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    const qsizetype added = replace(from, to, text);
    caret_ = anchor_ = from + added;
    preferredX_ = -1;
    ensureCaretVisible();
    viewport()->update();
}

qsizetype ListingView::replace(qsizetype from, qsizetype to, const QString& given) {
    const qsizetype first = lineOf(from), last = lineOf(to);
    // One pass over the new text: the line starts within it and its longest
    // line. The listing only ever brings CR LF; any other line end (a pasted
    // text, a name holding a line end) is made CR LF and the pass repeated.
    std::vector<qsizetype> added;
    qsizetype longestStart = from, longestLength = -1;
    auto scan = [&](const QString& text) {
        added.clear();
        longestLength = -1;
        qsizetype lineStart = starts_[static_cast<std::size_t>(first)];
        const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = units[i];
            if (c > u'\r' || (c != u'\r' && c != u'\n')) continue;
            if (c == u'\n' || i + 1 >= n || units[i + 1] != u'\n') return false;
            const qsizetype end = from + i;
            if (end - lineStart > longestLength) {
                longestLength = end - lineStart;
                longestStart = lineStart;
            }
            lineStart = from + i + 2;
            added.push_back(lineStart);
            ++i;
        }
        return true;
    };
    QString normalised;
    const bool clean = scan(given);
    if (!clean) {
        normalised = withCrLf(given);
        scan(normalised);
    }
    const QString& text = clean ? given : normalised;

    const qsizetype delta = text.size() - (to - from);
    if (from == text_.size() && to == from)
        text_.append(text);
    else
        text_.replace(from, to - from, text);

    auto begin = starts_.begin();
    starts_.erase(begin + static_cast<std::ptrdiff_t>(first) + 1, begin + static_cast<std::ptrdiff_t>(last) + 1);
    auto at = starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(first) + 1, added.begin(), added.end());
    if (delta != 0)
        for (auto it = at + static_cast<std::ptrdiff_t>(added.size()); it != starts_.end(); ++it) *it += delta;

    if (longestLength >= 0) noteWidth(QStringView(text_).mid(longestStart, longestLength));
    noteWidth(lineText(lineOf(from + text.size())));
    updateScrollBars();
    return text.size();
}

qsizetype ListingView::lineOf(qsizetype position) const {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), position);
    return static_cast<qsizetype>(it - starts_.begin()) - 1;
}

qsizetype ListingView::lineEnd(qsizetype line) const {
    const auto next = static_cast<std::size_t>(line) + 1;
    return next < starts_.size() ? starts_[next] - 2 : text_.size();
}

QStringView ListingView::lineText(qsizetype line) const {
    const qsizetype start = starts_[static_cast<std::size_t>(line)];
    return QStringView(text_).mid(start, lineEnd(line) - start);
}

QString ListingView::shown(QStringView text) {
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (!out[i].isSurrogate()) continue;
        if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

QString ListingView::shownLine(qsizetype line) const { return shown(lineText(line)); }

qreal ListingView::xOf(qsizetype line, qsizetype column) const {
    if (column <= 0) return 0;
    return QFontMetricsF(font()).horizontalAdvance(shownLine(line).left(column));
}

int ListingView::lineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int ListingView::visibleLines() const { return std::max(1, viewport()->height() / lineHeight()); }

void ListingView::noteWidth(QStringView line) {
    if (line.isEmpty()) return;
    const qreal w = QFontMetricsF(font()).horizontalAdvance(shown(line));
    if (w > widest_) widest_ = w;
}

void ListingView::updateScrollBars() {
    const int visible = visibleLines();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, static_cast<int>(std::max<qsizetype>(0, lineCount() - visible)));
    v->setPageStep(visible);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const int contentWidth = static_cast<int>(std::ceil(widest_)) + 2 * Margin;
    h->setRange(0, std::max(0, contentWidth - viewport()->width()));
    h->setPageStep(std::max(1, viewport()->width()));
    h->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

void ListingView::ensureCaretVisible() {
    const qsizetype line = lineOf(caret_);
    QScrollBar* v = verticalScrollBar();
    const int visible = visibleLines();
    if (line < v->value())
        v->setValue(static_cast<int>(line));
    else if (line >= v->value() + visible)
        v->setValue(static_cast<int>(line - visible + 1));
    QScrollBar* h = horizontalScrollBar();
    const int x = static_cast<int>(xOf(line, caret_ - starts_[static_cast<std::size_t>(line)]));
    const int width = viewport()->width() - 2 * Margin;
    if (x < h->value())
        h->setValue(x);
    else if (x > h->value() + width)
        h->setValue(x - width);
}

void ListingView::select(qsizetype anchor, qsizetype caret) {
    auto valid = [this](qsizetype p) {
        p = std::clamp<qsizetype>(p, 0, text_.size());
        const qsizetype line = lineOf(p);
        return std::min(p, lineEnd(line));  // never inside a CR LF
    };
    anchor_ = valid(anchor);
    caret_ = valid(caret);
    preferredX_ = -1;
    ensureCaretVisible();
    viewport()->update();
}

QString ListingView::selectedText() const {
    const qsizetype from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    return text_.mid(from, to - from);
}

void ListingView::moveCaret(qsizetype position, bool keepAnchor) {
    caret_ = position;
    if (!keepAnchor) anchor_ = position;
    ensureCaretVisible();
    viewport()->update();
}

qsizetype ListingView::positionAt(QPoint point) const {
    qsizetype line = verticalScrollBar()->value() + std::max(0, point.y()) / lineHeight();
    line = std::clamp<qsizetype>(line, 0, lineCount() - 1);
    const qreal x = point.x() - Margin + horizontalScrollBar()->value();
    const QStringView text = lineText(line);
    // The column whose left edge is nearest the point.
    qsizetype lo = 0, hi = text.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (xOf(line, mid + 1) <= x)
            lo = mid + 1;
        else
            hi = mid;
    }
    qsizetype column = lo;
    if (column < text.size() && x - xOf(line, column) > (xOf(line, column + 1) - xOf(line, column)) / 2) ++column;
    if (column > 0 && column < text.size() && isLow(text[column]) && isHigh(text[column - 1])) --column;
    return starts_[static_cast<std::size_t>(line)] + column;
}

void ListingView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    const int h = lineHeight();
    const qreal ascent = QFontMetricsF(font()).ascent();
    const qsizetype first = verticalScrollBar()->value();
    const qsizetype last = std::min(lineCount() - 1, first + viewport()->height() / h + 1);
    const qreal x0 = Margin - horizontalScrollBar()->value();
    const qsizetype selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    const qreal spaceWidth = QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
    bool wider = false;
    for (qsizetype line = first; line <= last; ++line) {
        const int y = static_cast<int>(line - first) * h;
        const qsizetype start = starts_[static_cast<std::size_t>(line)], end = lineEnd(line);
        const QString text = shownLine(line);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QPointF(x0, y + ascent), text);
        if (selFrom < selTo && selFrom <= end && selTo >= start && !(selTo == start && selFrom < start)) {
            const qreal a = x0 + xOf(line, std::max(selFrom, start) - start);
            qreal b = x0 + xOf(line, std::min(selTo, end) - start);
            if (selTo > end) b += spaceWidth;  // the line end is selected too
            const QRectF band(a, y, b - a, h);
            p.fillRect(band, pal.brush(QPalette::Highlight));
            p.save();
            p.setClipRect(band);
            p.setPen(pal.color(QPalette::HighlightedText));
            p.drawText(QPointF(x0, y + ascent), text);
            p.restore();
        }
        const qreal w = QFontMetricsF(font()).horizontalAdvance(text);
        if (w > widest_) {
            widest_ = w;
            wider = true;
        }
    }
    if (hasFocus()) {
        const qsizetype line = lineOf(caret_);
        if (line >= first && line <= last) {
            const qreal x = x0 + xOf(line, caret_ - starts_[static_cast<std::size_t>(line)]);
            const int y = static_cast<int>(line - first) * h;
            p.setPen(pal.color(QPalette::Text));
            p.drawLine(QPointF(x, y), QPointF(x, y + h - 1));
        }
    }
    if (wider) updateScrollBars();
}

void ListingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ListingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    preferredX_ = -1;
    moveCaret(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void ListingView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    preferredX_ = -1;
    moveCaret(positionAt(event->position().toPoint()), true);
}

void ListingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

void ListingView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // A word: everything between blanks and path separators.
    const qsizetype at = positionAt(event->position().toPoint());
    const qsizetype line = lineOf(at);
    const qsizetype start = starts_[static_cast<std::size_t>(line)], end = lineEnd(line);
    auto inWord = [this](qsizetype i) {
        const QChar c = text_[i];
        return !c.isSpace() && c != QLatin1Char('/') && c != QLatin1Char('\\');
    };
    qsizetype a = at, b = at;
    while (a > start && inWord(a - 1)) --a;
    while (b < end && inWord(b)) ++b;
    anchor_ = a;
    moveCaret(b, true);
}

void ListingView::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qsizetype line = lineOf(caret_);
    const qsizetype start = starts_[static_cast<std::size_t>(line)];
    const qsizetype selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    auto keepX = [&] {
        if (preferredX_ < 0) preferredX_ = xOf(line, caret_ - start);
    };
    auto toLine = [&](qsizetype target) {
        target = std::clamp<qsizetype>(target, 0, lineCount() - 1);
        const int y = static_cast<int>(target - verticalScrollBar()->value()) * lineHeight();
        const qreal x = preferredX_;
        const qsizetype pos =
            positionAt(QPoint(static_cast<int>(x) + Margin - horizontalScrollBar()->value(), std::max(0, y)));
        return lineOf(pos) == target ? pos : starts_[static_cast<std::size_t>(target)];
    };
    auto previous = [&](qsizetype p) {
        if (p <= 0) return qsizetype(0);
        const qsizetype l = lineOf(p);
        if (p == starts_[static_cast<std::size_t>(l)]) return lineEnd(l - 1);
        return p - ((p >= 2 && isLow(text_[p - 1]) && isHigh(text_[p - 2])) ? 2 : 1);
    };
    auto next = [&](qsizetype p) {
        const qsizetype l = lineOf(p);
        if (p >= lineEnd(l)) return l + 1 < lineCount() ? starts_[static_cast<std::size_t>(l) + 1] : p;
        return p + ((p + 1 < text_.size() && isHigh(text_[p]) && isLow(text_[p + 1])) ? 2 : 1);
    };

    if (event->matches(QKeySequence::SelectAll)) {
        anchor_ = 0;
        moveCaret(text_.size(), true);
        return;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
        if (selFrom < selTo) QGuiApplication::clipboard()->setText(selectedText());
        if (event->matches(QKeySequence::Cut) && selFrom < selTo) insert(QString());
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        insert(QGuiApplication::clipboard()->text());
        return;
    }
    switch (event->key()) {
        case Qt::Key_Left:
            preferredX_ = -1;
            moveCaret(!shift && selFrom < selTo ? selFrom : previous(caret_), shift);
            return;
        case Qt::Key_Right:
            preferredX_ = -1;
            moveCaret(!shift && selFrom < selTo ? selTo : next(caret_), shift);
            return;
        case Qt::Key_Up:
            keepX();
            moveCaret(line == 0 ? 0 : toLine(line - 1), shift);
            return;
        case Qt::Key_Down:
            keepX();
            moveCaret(line + 1 >= lineCount() ? text_.size() : toLine(line + 1), shift);
            return;
        case Qt::Key_PageUp:
            keepX();
            verticalScrollBar()->setValue(verticalScrollBar()->value() - visibleLines());
            moveCaret(toLine(line - visibleLines()), shift);
            return;
        case Qt::Key_PageDown:
            keepX();
            verticalScrollBar()->setValue(verticalScrollBar()->value() + visibleLines());
            moveCaret(toLine(line + visibleLines()), shift);
            return;
        case Qt::Key_Home:
            preferredX_ = -1;
            moveCaret(ctrl ? 0 : start, shift);
            return;
        case Qt::Key_End:
            preferredX_ = -1;
            moveCaret(ctrl ? text_.size() : lineEnd(line), shift);
            return;
        case Qt::Key_Backspace:
            if (selFrom == selTo) anchor_ = previous(caret_);
            insert(QString());
            return;
        case Qt::Key_Delete:
            if (selFrom == selTo) anchor_ = next(caret_);
            insert(QString());
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            insert(CrLf);
            return;
        default:
            break;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint() || c.isSurrogate(); });
    if (printable && !ctrl && !(event->modifiers() & Qt::AltModifier)) {
        insert(typed);
        return;
    }
    event->ignore();
}

void ListingView::inputMethodEvent(QInputMethodEvent* event) {
    // Only the committed text goes in; the text being composed stays in the
    // input method's own window.
    if (!event->commitString().isEmpty()) insert(event->commitString());
    event->accept();
}

QVariant ListingView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle) {
        const qsizetype line = lineOf(caret_);
        const int x = Margin - horizontalScrollBar()->value() +
                      static_cast<int>(xOf(line, caret_ - starts_[static_cast<std::size_t>(line)]));
        const int y = static_cast<int>(line - verticalScrollBar()->value()) * lineHeight();
        return QRect(x, y, 1, lineHeight());
    }
    if (query == Qt::ImEnabled) return true;
    return QAbstractScrollArea::inputMethodQuery(query);
}

void ListingView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ListingView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void ListingView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        widest_ = 0;
        noteWidth(lineText(lineOf(caret_)));
        updateScrollBars();
    }
}

}  // namespace malvorn::qt
