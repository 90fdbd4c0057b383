// SPDX-License-Identifier: MIT
#include "platform/qt/qt_controls.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <cmath>

#include "platform/error.h"
#include "platform/qt/qt_listing_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_window_system.h"
#include "platform/shared/dispatch.h"

namespace malvorn::qt {

namespace {

int toPixels(float value, bool twips) {
    return static_cast<int>(std::lround(twips ? value / static_cast<float>(TwipsPerPixel) : value));
}

// The virtual-key code of a Qt key, as KeyDown handlers expect it; 0 for
// keys without an obvious one.
std::int16_t virtualKey(const QKeyEvent& e) {
    const int k = e.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<std::int16_t>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) {
        const int digit = k - Qt::Key_0;
        return static_cast<std::int16_t>((e.modifiers() & Qt::KeypadModifier) ? 96 + digit : '0' + digit);
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<std::int16_t>(112 + (k - Qt::Key_F1));
    switch (k) {
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Clear:
            return 12;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Print:
            return 42;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return (e.modifiers() & Qt::KeypadModifier) ? 107 : 187;
        case Qt::Key_Minus:
            return (e.modifiers() & Qt::KeypadModifier) ? 109 : 189;
        case Qt::Key_Period:
            return (e.modifiers() & Qt::KeypadModifier) ? 110 : 190;
        case Qt::Key_Slash:
            return (e.modifiers() & Qt::KeypadModifier) ? 111 : 191;
        case Qt::Key_NumLock:
            return 144;
        case Qt::Key_ScrollLock:
            return 145;
        case Qt::Key_Semicolon:
            return 186;
        case Qt::Key_Equal:
            return 187;
        case Qt::Key_Comma:
            return 188;
        case Qt::Key_QuoteLeft:
            return 192;
        case Qt::Key_BracketLeft:
            return 219;
        case Qt::Key_Backslash:
            return 220;
        case Qt::Key_BracketRight:
            return 221;
        case Qt::Key_Apostrophe:
            return 222;
        default:
            return 0;
    }
}

std::int16_t shiftState(Qt::KeyboardModifiers m) {
    std::int16_t s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

}  // namespace

EventHook::EventHook(QObject* watched, std::function<bool(QObject*, QEvent*)> filter)
    : QObject(watched), filter_(std::move(filter)) {
    watched->installEventFilter(this);
}

bool EventHook::eventFilter(QObject* watched, QEvent* event) { return filter_(watched, event); }

// ---------------------------------------------------------------- Control

Control::Control(WindowSystem& ws, QWidget* widget, const ControlDesign& d)
    : KeptBoundsControl(d), ws_(ws), widget_(widget), id_(d.id), twips_(d.inFrame) {}

void Control::applyBounds() {
    widget_->setGeometry(toPixels(b_.left, twips_), toPixels(b_.top, twips_), toPixels(b_.width, twips_),
                         toPixels(b_.height, twips_));
}

void Control::raiseFromUser(ControlEvent event) {
    dispatchEvent(ws_, [&] { raiseEvent(ws_.events(), id_, event); });
}

void Control::raiseInline(ControlEvent event) { raiseEvent(ws_.events(), id_, event); }

// ---------------------------------------------------------------- TextBox

TextBox::TextBox(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QLineEdit(parent), d), edit_(static_cast<QLineEdit*>(widget_)) {
    show(d.caption);
    // Typing, and text set through the accessibility interfaces (a reader's
    // setTextContents), are the user's changes; the program's own sets go
    // through show(), whose signals are held back.
    QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] { raiseFromUser(ControlEvent::Change); });
    if (keyDownHandlerOf(id_)) {
        // KeyDown goes to the handler before the box acts on the key; the
        // box then gets the key, unless the handler cleared its code (the
        // code is passed by reference for that).
        new EventHook(edit_, [this](QObject*, QEvent* e) {
            if (e->type() != QEvent::KeyPress) return false;
            const auto* key = static_cast<QKeyEvent*>(e);
            const std::int16_t pressed = virtualKey(*key);
            std::int16_t code = pressed;
            const std::int16_t shift = shiftState(key->modifiers());
            dispatchEvent(ws_, [&] { raiseKeyDown(ws_.events(), id_, code, shift); });
            return pressed != 0 && code == 0;
        });
    }
}

void TextBox::show(const Text& text) {
    assigned_ = text;
    shown_ = displayString(text);
    const QSignalBlocker quiet(edit_);
    edit_->setText(shown_);
}

Text TextBox::text() const {
    const QString now = edit_->text();
    return now == shown_ ? assigned_ : toText(now);
}

void TextBox::setText(const Text& text) {
    show(text);
    raiseInline(ControlEvent::Change);
}

void TextBox::replaceSelection(const Text& text) {
    Text now = this->text();
    const auto start =
        static_cast<std::size_t>(edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition());
    const auto length = static_cast<std::size_t>(edit_->selectedText().size());
    now.replace(std::min(start, now.size()), length, text);
    show(now);
    edit_->setCursorPosition(static_cast<int>(std::min(start + text.size(), now.size())));
    raiseInline(ControlEvent::Change);
}

// ---------------------------------------------------------------- ResultBox

ResultBox::ResultBox(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new ListingView(parent), d), view_(static_cast<ListingView*>(widget_)) {
    // Both scroll bars, no wrapping: long paths scroll sideways.
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setText(toQString(d.caption));
}

Text ResultBox::text() const { return view_->editor().text().text(); }

void ResultBox::readText(const std::function<void(TextView)>& piece) const { view_->editor().text().readPieces(piece); }

void ResultBox::setText(const Text& text) { view_->setText(toQString(text)); }

void ResultBox::replaceSelection(const Text& text) { view_->write(text); }

// ---------------------------------------------------------------- Button

Button::Button(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QPushButton(parent), d), button_(static_cast<QPushButton*>(widget_)) {
    // Enter and Esc press no button.
    button_->setAutoDefault(false);
    button_->setDefault(false);
    setCaption(d.caption);
    QObject::connect(button_, &QPushButton::clicked, button_, [this] { raiseFromUser(ControlEvent::Click); });
}

void Button::setCaption(const Text& caption) { button_->setText(displayString(caption)); }

// ---------------------------------------------------------------- CheckBox

CheckBox::CheckBox(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QCheckBox(parent), d), box_(static_cast<QCheckBox*>(widget_)) {
    box_->setText(displayString(d.caption));
    setValue(d.initialValue);
}

int CheckBox::value() const {
    switch (box_->checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        default:
            return 0;
    }
}

void CheckBox::setValue(int value) {
    refuseInvalidCheckBoxValue(value);
    if (value == 2) box_->setTristate(true);
    box_->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

// ---------------------------------------------------------------- Frame, Label

Frame::Frame(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QGroupBox(parent), d), box_(static_cast<QGroupBox*>(widget_)) {
    box_->setTitle(displayString(d.caption));
    box_->setFocusPolicy(Qt::NoFocus);
}

Label::Label(WindowSystem& ws, QWidget* parent, const ControlDesign& d)
    : Control(ws, new QLabel(parent), d), label_(static_cast<QLabel*>(widget_)) {
    label_->setText(displayString(d.caption));
    label_->setFocusPolicy(Qt::NoFocus);
}

void Label::applyBounds() {
    label_->adjustSize();
    label_->move(toPixels(b_.left, twips_), toPixels(b_.top, twips_));
}

// ---------------------------------------------------------------- ScrollBar

ScrollBar::ScrollBar(WindowSystem& ws, QWidget* parent, const ControlDesign& d, const ScrollBarDesign& range)
    : Control(ws, new QScrollBar(Qt::Vertical, parent), d),
      bar_(static_cast<QScrollBar*>(widget_)),
      reported_(d.initialValue) {
    // The minimum is the top end, as Qt has it for a vertical bar.
    bar_->setRange(range.minimum, range.maximum);
    bar_->setSingleStep(range.smallChange);
    bar_->setPageStep(range.largeChange);
    bar_->setValue(d.initialValue);
    bar_->setFocusPolicy(Qt::StrongFocus);
    // Arrows, trough and keys change the value at once: Change. Dragging the
    // thumb: Scroll at every move, then Change on release if it moved.
    QObject::connect(bar_, &QScrollBar::valueChanged, bar_, [this](int v) {
        if (bar_->isSliderDown()) {
            raiseFromUser(ControlEvent::Scroll);
        } else if (v != reported_) {
            reported_ = v;
            raiseFromUser(ControlEvent::Change);
        }
    });
    QObject::connect(bar_, &QScrollBar::sliderReleased, bar_, [this] {
        if (bar_->value() != reported_) {
            reported_ = bar_->value();
            raiseFromUser(ControlEvent::Change);
        }
    });
}

std::int16_t ScrollBar::value() const { return static_cast<std::int16_t>(bar_->value()); }

void ScrollBar::setValue(std::int16_t value) {
    if (value < bar_->minimum() || value > bar_->maximum()) throw PlatformError(errors::InvalidProperty);
    if (value == bar_->value()) return;
    {
        const QSignalBlocker quiet(bar_);
        bar_->setValue(value);
    }
    reported_ = value;
    raiseInline(ControlEvent::Change);
}

// ---------------------------------------------------------------- FormWindow

FormWindow::FormWindow(WindowSystem& ws, const FormDesign& design) : ws_(ws) {
    setObjectName(QStringLiteral("frmMain"));
    setCaption(design.caption);
    resize(design.innerWidth, design.innerHeight);
}

void FormWindow::setCaption(const Text& caption) {
    caption_ = caption;
    setWindowTitle(displayString(caption));
}

void FormWindow::announce(const Text& words) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(this, displayString(words));
    QAccessible::updateAccessibility(&event);
#else
    (void)words;
#endif
}

int FormWindow::innerWidth() const { return isMinimized() ? 0 : width(); }
int FormWindow::innerHeight() const { return isMinimized() ? 0 : height(); }

void FormWindow::show() {
    QWidget::show();
    if (shown_) return;
    shown_ = true;
    reported_ = QSize(innerWidth(), innerHeight());
    ws_.events().Form_Resize();
}

void FormWindow::sizeMayHaveChanged() {
    if (!shown_ || !open_) return;
    const QSize now(innerWidth(), innerHeight());
    if (now == reported_) return;
    reported_ = now;
    dispatchEvent(ws_, [&] { ws_.events().Form_Resize(); });
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    sizeMayHaveChanged();
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) sizeMayHaveChanged();
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!open_) {
        event->accept();
        return;
    }
    std::int16_t cancel = 0;
    dispatchEvent(ws_, [&] { ws_.events().Form_Unload(cancel); });
    if (cancel != 0) {
        event->ignore();
        return;
    }
    open_ = false;
    event->accept();
}

}  // namespace malvorn::qt
