// SPDX-License-Identifier: MIT
// The window system over Qt 6 Widgets. A QApplication must exist before the
// window system is created and outlive it.
#pragma once

#include <map>
#include <memory>

#include "platform/shared/pump_pacer.h"
#include "platform/window_system.h"

class QWidget;

namespace malvorn::qt {

class Control;
class FormWindow;

class WindowSystem : public IWindowSystem {
public:
    WindowSystem();
    ~WindowSystem() override;
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    MainWindow createMainWindow(const FormDesign& design, IFormEvents& events) override;
    void run() override;
    int doEvents() override;
    int doEventsPaced() override;
    [[noreturn]] void endProgram() override;
    void messageBox(const Text& text, const Text& title, int style) override;
    void beep() override;

    // The window and a control's widget (named after the control), for the
    // program's own aids and for tests.
    QWidget* window() const;
    QWidget* widget(ControlId id) const;
    bool windowOpen() const;

    IFormEvents& events() const { return *events_; }

private:
    PumpPacer pacer_;  // for doEventsPaced
    IFormEvents* events_ = nullptr;
    // Declared before the window so that the window (and with it every
    // widget) goes first; the control objects never touch their widgets
    // when they are destroyed.
    std::map<ControlId, std::unique_ptr<Control>> controls_;
    std::unique_ptr<FormWindow> form_;
};

// The window behind an IForm built here (the save dialog's owner).
QWidget* widgetOf(IForm& form);

}  // namespace malvorn::qt
