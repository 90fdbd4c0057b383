// SPDX-License-Identifier: MIT
// The view and the user: keys, mouse, the input method, the caret's blink,
// the clipboard and the X11 primary selection, the context menu. Every key
// and click becomes one of the editor's commands, keys and menu items
// through the shared tables (platform/shared/edit_commands.h).
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <optional>

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

using Unit = TextEditor::Unit;

std::optional<EditKey> editKeyOf(int key) {
    switch (key) {
        case Qt::Key_Left:
            return EditKey::Left;
        case Qt::Key_Right:
            return EditKey::Right;
        case Qt::Key_Up:
            return EditKey::Up;
        case Qt::Key_Down:
            return EditKey::Down;
        case Qt::Key_PageUp:
            return EditKey::PageUp;
        case Qt::Key_PageDown:
            return EditKey::PageDown;
        case Qt::Key_Home:
            return EditKey::Home;
        case Qt::Key_End:
            return EditKey::End;
        case Qt::Key_Backspace:
            return EditKey::Backspace;
        case Qt::Key_Delete:
            return EditKey::Delete;
        case Qt::Key_Insert:
            return EditKey::Insert;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return EditKey::Enter;
        case Qt::Key_A:
            return EditKey::A;
        case Qt::Key_C:
            return EditKey::C;
        case Qt::Key_V:
            return EditKey::V;
        case Qt::Key_X:
            return EditKey::X;
        case Qt::Key_Y:
            return EditKey::Y;
        case Qt::Key_Z:
            return EditKey::Z;
        default:
            return std::nullopt;
    }
}

}  // namespace

void ListingView::copyTo(bool primary) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!editor_.hasSelection() || (primary && !clipboard->supportsSelection())) return;
    clipboard->setText(selectedText(), primary ? QClipboard::Selection : QClipboard::Clipboard);
}

void ListingView::putOnClipboard(const Text& text) { QGuiApplication::clipboard()->setText(toQString(text)); }

Text ListingView::clipboardText() { return toText(QGuiApplication::clipboard()->text()); }

bool ListingView::clipboardHasText() { return !QGuiApplication::clipboard()->text().isEmpty(); }

void ListingView::run(EditAction action) {
    const bool pageUp = action.isMove(TextEditor::Move::PageUp);
    if (pageUp || action.isMove(TextEditor::Move::PageDown)) {
        // The picture moves a page and the caret with it.
        const int page = visibleLines() * (pageUp ? -1 : 1);
        verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
    }
    userDid(runCommand(editor_, action, *this));
}

void ListingView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier, alt = mods & Qt::AltModifier;
    if (const std::optional<EditKey> key = editKeyOf(event->key())) {
        unsigned modifiers = 0;
        if (mods & Qt::ShiftModifier) modifiers |= ShiftKey;
        if (ctrl) modifiers |= CtrlKey;
        if (alt) modifiers |= AltKey;
        if (const std::optional<EditAction> action = commandForKey(*key, modifiers)) return run(*action);
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint() || c.isSurrogate(); });
    if (printable && !ctrl && !alt) {
        editor_.type(viewOf(typed));
        return userDid(false);
    }
    event->ignore();
}

void ListingView::showContextMenu(QPoint at) {
    QMenu menu(this);
    for (const MenuItem& item : ContextMenu) {
        if (item.separatorBefore) menu.addSeparator();
        QAction* action = menu.addAction(toQString(item.caption));
        action->setEnabled(menuItemEnabled(item.command, editor_, *this));
        QObject::connect(action, &QAction::triggered, this, [this, command = item.command] { run({command}); });
    }
    menu.exec(viewport()->mapToGlobal(at));
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

void ListingView::inputTimerEvent(QTimerEvent* event) {
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
    if (event->replacementStart() != 0 || event->replacementLength() > 0) {
        // The input method rewrites text around the caret (Wayland's
        // text-input-v3 does): the range is counted from the caret, within
        // the caret's line, the text the method reads as surrounding text.
        const LineText& t = editor_.text();
        const std::size_t line = t.lineOf(editor_.caret());
        const auto start = static_cast<qsizetype>(t.lineStart(line)), end = static_cast<qsizetype>(t.lineEnd(line));
        const qsizetype from =
            std::clamp(static_cast<qsizetype>(editor_.caret()) + event->replacementStart(), start, end);
        const qsizetype to = std::clamp(from + std::max(0, event->replacementLength()), from, end);
        editor_.select(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
        editor_.type(viewOf(event->commitString()));
    } else if (!event->commitString().isEmpty()) {
        editor_.type(viewOf(event->commitString()));
    }
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
