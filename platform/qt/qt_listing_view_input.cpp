// SPDX-License-Identifier: MIT
// The view and the user: keys, mouse, the input method, the caret's blink,
// the clipboard and the X11 primary selection. Every key and click becomes
// one of the editor's commands.
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

#include "platform/qt/qt_listing_view.h"
#include "platform/qt/qt_text.h"

namespace malvorn::qt {

namespace {

constexpr int Margin = 3;            // as the picture's
constexpr int AutoscrollMs = 50;     // a line every this long while held past an edge
constexpr int TripleClickSlack = 4;  // pixels the third click may be off the second

TextView viewOf(const QString& text) {
    return TextView(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

using Move = TextEditor::Move;
using Erase = TextEditor::Erase;
using Unit = TextEditor::Unit;

}  // namespace

void ListingView::copyTo(bool primary) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!editor_.hasSelection() || (primary && !clipboard->supportsSelection())) return;
    clipboard->setText(selectedText(), primary ? QClipboard::Selection : QClipboard::Clipboard);
}

void ListingView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier, ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
    auto done = [this](bool selects = true) { userDid(selects); };
    if (event->matches(QKeySequence::SelectAll)) {
        editor_.selectAll();
        return done();
    }
    if (event->matches(QKeySequence::Copy)) return copyTo(false);
    if (event->matches(QKeySequence::Cut)) {
        copyTo(false);
        editor_.eraseSelection();
        return done(false);
    }
    if (event->matches(QKeySequence::Paste)) {
        editor_.insert(viewOf(QGuiApplication::clipboard()->text()));
        return done(false);
    }
    const int key = event->key();
    // Ctrl+Y and Ctrl+Shift+Z redo, Alt+Backspace undoes, on every desktop.
    const bool redoKey =
        event->matches(QKeySequence::Redo) || (ctrl && !alt && key == Qt::Key_Y) || (ctrl && shift && key == Qt::Key_Z);
    if (redoKey) {
        editor_.redo();
        return done(false);
    }
    if (event->matches(QKeySequence::Undo) || (alt && !ctrl && key == Qt::Key_Backspace)) {
        editor_.undo();
        return done(false);
    }
    auto move = [&](Move how) {
        editor_.move(how, shift);
        done(shift);
    };
    switch (key) {
        case Qt::Key_Left:
            return move(ctrl ? Move::WordBack : Move::CharBack);
        case Qt::Key_Right:
            return move(ctrl ? Move::WordForward : Move::CharForward);
        case Qt::Key_Up:
            return move(Move::LineUp);
        case Qt::Key_Down:
            return move(Move::LineDown);
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The picture moves a page and the caret with it.
            const int page = visibleLines() * (key == Qt::Key_PageUp ? -1 : 1);
            verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
            return move(key == Qt::Key_PageUp ? Move::PageUp : Move::PageDown);
        }
        case Qt::Key_Home:
            return move(ctrl ? Move::TextStart : Move::LineStart);
        case Qt::Key_End:
            return move(ctrl ? Move::TextEnd : Move::LineEnd);
        case Qt::Key_Backspace:
            editor_.erase(ctrl ? Erase::WordBack : Erase::CharBack);
            return done(false);
        case Qt::Key_Delete:
            editor_.erase(ctrl ? Erase::WordForward : Erase::CharForward);
            return done(false);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            editor_.type(u"\r\n");
            return done(false);
        default:
            break;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint() || c.isSurrogate(); });
    if (printable && !ctrl && !alt) {
        editor_.type(viewOf(typed));
        return done(false);
    }
    event->ignore();
}

// ---------------------------------------------------------------- mouse

void ListingView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        // X11: the primary selection goes in where the middle button is.
        const QString primary = QGuiApplication::clipboard()->text(QClipboard::Selection);
        const auto p = static_cast<std::size_t>(positionAt(at));
        editor_.select(p, p);
        editor_.insert(viewOf(primary));
        return userDid(false);
    }
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    const bool third = tripleClick_.isActive() && (at - tripleClickAt_).manhattanLength() <= TripleClickSlack;
    tripleClick_.stop();
    const auto p = static_cast<std::size_t>(positionAt(at));
    if (third)
        editor_.press(p, Unit::Line, false);
    else
        editor_.press(p, Unit::Char, event->modifiers() & Qt::ShiftModifier);
    dragging_ = true;
    mouseAt_ = at;
    userDid(false);
}

void ListingView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    tripleClickAt_ = event->position().toPoint();
    tripleClick_.start(QGuiApplication::styleHints()->mouseDoubleClickInterval(), this);
    editor_.press(static_cast<std::size_t>(positionAt(tripleClickAt_)), Unit::Word, false);
    dragging_ = true;
    mouseAt_ = tripleClickAt_;
    userDid(false);
}

void ListingView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
    mouseAt_ = event->position().toPoint();
    // Past an edge the picture keeps scrolling on a timer while the mouse
    // is held there, as the platform's text boxes do.
    if (viewport()->rect().contains(mouseAt_))
        autoscroll_.stop();
    else if (!autoscroll_.isActive())
        autoscroll_.start(AutoscrollMs, this);
    editor_.drag(static_cast<std::size_t>(positionAt(mouseAt_)));
    userDid(false);
}

void ListingView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
    dragging_ = false;
    autoscroll_.stop();
    copyTo(true);
    event->accept();
}

void ListingView::autoscroll() {
    if (!dragging_) return autoscroll_.stop();
    const QRect r = viewport()->rect();
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    if (mouseAt_.y() < r.top()) v->setValue(v->value() - 1);
    if (mouseAt_.y() > r.bottom()) v->setValue(v->value() + 1);
    if (mouseAt_.x() < r.left()) h->setValue(h->value() - h->singleStep());
    if (mouseAt_.x() > r.right()) h->setValue(h->value() + h->singleStep());
    editor_.drag(static_cast<std::size_t>(positionAt(mouseAt_)));
    announce();
    viewport()->update();
}

void ListingView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blink_.timerId()) {
        caretOn_ = !caretOn_;
        viewport()->update();
    } else if (event->timerId() == autoscroll_.timerId()) {
        autoscroll();
    } else if (event->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// ---------------------------------------------------------------- caret and focus

void ListingView::restartBlink() {
    caretOn_ = true;
    // Half the flash time on, half off; 0 or less: a steady caret.
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void ListingView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void ListingView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

// ---------------------------------------------------------------- input method

void ListingView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) editor_.type(viewOf(event->commitString()));
    // The text being composed is drawn at the caret until it is committed.
    preedit_ = event->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : event->attributes())
        if (a.type == QInputMethodEvent::Cursor)
            preeditCursor_ = std::clamp(a.start, 0, static_cast<int>(preedit_.size()));
    event->accept();
    userDid(false);
}

QVariant ListingView::inputMethodQuery(Qt::InputMethodQuery query) const {
    const LineText& t = editor_.text();
    const std::size_t line = t.lineOf(editor_.caret()), start = t.lineStart(line);
    switch (query) {
        case Qt::ImCursorRectangle: {
            // At the caret (within the preedit text, at its cursor), so that
            // the candidate window opens there.
            double x = columnX(line, editor_.caret() - start);
            if (!preedit_.isEmpty()) x += QFontMetricsF(font()).horizontalAdvance(preedit_.left(preeditCursor_));
            const int y = static_cast<int>(static_cast<qsizetype>(line) - verticalScrollBar()->value()) * lineHeight();
            return QRect(Margin - horizontalScrollBar()->value() + static_cast<int>(x), y, 1, lineHeight());
        }
        case Qt::ImEnabled:
            return true;
        case Qt::ImFont:
            return font();
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhMultiLine);
        case Qt::ImCursorPosition:
            return static_cast<int>(editor_.caret() - start);
        case Qt::ImAnchorPosition: {
            const std::size_t a = std::clamp(editor_.anchor(), start, t.lineEnd(line));
            return static_cast<int>(a - start);
        }
        case Qt::ImSurroundingText:
            return toQString(t.slice(start, t.lineEnd(line)));
        case Qt::ImCurrentSelection:
            return t.lineOf(editor_.anchor()) == line ? selectedText() : QString();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

}  // namespace malvorn::qt
