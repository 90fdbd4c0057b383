// SPDX-License-Identifier: MIT
#include "platform/qt/qt_window_system.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/qt/qt_accessibility.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_text.h"
#include "platform/shared/control_factory.h"

namespace malvorn::qt {

WindowSystem::WindowSystem() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw std::logic_error("WindowSystem needs a QApplication");
}

WindowSystem::~WindowSystem() {
    form_.reset();
    controls_.clear();
}

MainWindow WindowSystem::createMainWindow(const FormDesign& design, IFormEvents& events) {
    events_ = &events;
    form_ = std::make_unique<FormWindow>(*this, design);

    using Kinds = ControlKinds<TextBox, ResultBox, Button, CheckBox, Frame, Label, DriveList, FolderList, ScrollBar>;
    auto build = [&](const ControlDesign& d, QWidget* parent) -> Control& {
        std::unique_ptr<Control> c = makeControl<Kinds>(d.kind, [&](auto kind) -> std::unique_ptr<Control> {
            using C = ControlClass<decltype(kind)>;
            if constexpr (std::is_same_v<C, ScrollBar>) {
                return std::make_unique<C>(*this, parent, d, design.scrollBar);
            } else {
                return std::make_unique<C>(*this, parent, d);
            }
        });
        c->widget()->setObjectName(QString::fromLatin1(d.name));
        c->applyBounds();
        Control& ref = *c;
        controls_[d.id] = std::move(c);
        return ref;
    };

    for (const auto& d : design.windowControls) build(d, form_.get());
    auto* frame = dynamic_cast<Frame*>(controls_.at(ControlId::frmSettings).get());
    if (!frame) throw std::logic_error("the window has no frame");
    for (const auto& d : design.frameControls) build(d, frame->widget());

    // Front to back: the first row of each container lies in front, its
    // labels behind every other control of the container.
    auto stack = [&](const std::vector<ControlDesign>& rows) {
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) controls_.at(it->id)->widget()->raise();
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            if (it->kind == ControlKind::Label) controls_.at(it->id)->widget()->lower();
    };
    stack(design.windowControls);
    stack(design.frameControls);

    // Tab order by tab index; the frame and the labels take no focus.
    std::vector<std::pair<int, QWidget*>> order;
    for (const auto* rows : {&design.windowControls, &design.frameControls})
        for (const auto& d : *rows) {
            QWidget* w = controls_.at(d.id)->widget();
            if (d.tabIndex < 0) {
                w->setFocusPolicy(Qt::NoFocus);
            } else {
                order.emplace_back(d.tabIndex, w);
            }
        }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1].second, order[i].second);
    makeAccessible(*this, design);
    controls_.at(design.initialFocus)->widget()->setFocus(Qt::OtherFocusReason);

    return bindMainWindow(*form_, controls_);
}

void WindowSystem::run() {
    if (windowOpen()) QApplication::exec();
}

int WindowSystem::doEvents() {
    pumped();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return windowOpen() ? 1 : 0;
}

int WindowSystem::doEventsPaced() {
    // An empty processEvents costs microseconds, and a walk reaches its pump
    // points hundreds of thousands of times; Qt offers no public way to tell
    // that nothing waits. So Qt is asked at most once a millisecond: a click
    // or a key is still taken within a millisecond, and in the order it came.
    if (pacer_.due()) return doEvents();
    return windowOpen() ? 1 : 0;
}

void WindowSystem::endProgram() {
    if (hooks.endProgram) hooks.endProgram();
    std::fflush(nullptr);
    std::exit(0);
}

void WindowSystem::messageBox(const Text& text, const Text& title, int style) {
    if (hooks.messageBox) {
        hooks.messageBox(text, title, style);
        return;
    }
    const QMessageBox::Icon icon = style == MB_ICONSTOP_OK ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(icon, displayString(title), displayString(text), QMessageBox::Ok, form_.get());
    box.exec();
}

void WindowSystem::beep() { QApplication::beep(); }

QWidget* WindowSystem::window() const { return form_.get(); }

QWidget* WindowSystem::widget(ControlId id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second->widget();
}

bool WindowSystem::windowOpen() const { return form_ && form_->open(); }

QWidget* widgetOf(IForm& form) { return dynamic_cast<FormWindow*>(&form); }

}  // namespace malvorn::qt
