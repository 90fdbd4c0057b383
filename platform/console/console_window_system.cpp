// SPDX-License-Identifier: MIT
#include "platform/console/console_window_system.h"

#include <cstdio>
#include <stdexcept>

#include "platform/console/console_interrupt.h"
#include "platform/error.h"
#include "platform/posix/posix_folders.h"
#include "platform/shared/control_factory.h"
#include "platform/shared/dispatch.h"

namespace malvorn::console {

TextBox::TextBox(WindowSystem& ws, const ControlDesign& d) : MemoryTextBox(ws.events(), d) {}
Button::Button(WindowSystem& ws, const ControlDesign& d) : MemoryButton(ws.events(), d), ws_(ws) {}
CheckBox::CheckBox(WindowSystem& ws, const ControlDesign& d) : MemoryCheckBox(ws.events(), d) {}
Frame::Frame(WindowSystem& ws, const ControlDesign& d) : MemoryFrame(ws.events(), d) {}
Label::Label(WindowSystem& ws, const ControlDesign& d) : MemoryLabel(ws.events(), d) {}
DriveList::DriveList(WindowSystem& ws, const ControlDesign& d) : MemoryControl(ws.events(), d) {}
FolderList::FolderList(WindowSystem& ws, const ControlDesign& d, Text start)
    : MemoryControl(ws.events(), d), path_(std::move(start)) {}
ScrollBar::ScrollBar(WindowSystem& ws, const ControlDesign& d, const ScrollBarDesign& s)
    : MemoryScrollBar(ws.events(), d, s) {}

ResultBox::ResultBox(WindowSystem& ws, const ControlDesign& d, Output& out, const Text& terminator)
    : MemoryControl(ws.events(), d), out_(out), crlf_(terminator == u"\r\n"), terminator_(toUtf8(terminator)) {}

void ResultBox::setText(const Text& text) {
    raise(ControlEvent::Change);
    if (!text.empty()) replaceSelection(text);
}

void ResultBox::replaceSelection(const Text& text) {
    if (crlf_ || !TextView(text).ends_with(u"\r\n")) {
        out_.append(text);
    } else {
        out_.append(TextView(text).substr(0, text.size() - 2), terminator_);
    }
    raise(ControlEvent::Change);
}

void Button::click() {
    dispatchEvent(ws_, [&] { raise(ControlEvent::Click); });
}

void FolderList::setPath(const Text& path) {
    if (path == path_) return;
    path_ = path;
    raise(ControlEvent::Change);
}

void Form::show() { ws_.events().Form_Resize(); }

WindowSystem::WindowSystem(Output& out, Text terminator, std::string program)
    : out_(out), terminator_(std::move(terminator)), program_(std::move(program)) {}

WindowSystem::~WindowSystem() = default;

MainWindow WindowSystem::createMainWindow(const FormDesign& design, IFormEvents& events) {
    events_ = &events;
    form_ = std::make_unique<Form>(*this, design);
    using Kinds = ControlKinds<TextBox, ResultBox, Button, CheckBox, Frame, Label, DriveList, FolderList, ScrollBar>;
    auto build = [&](const ControlDesign& d) {
        return makeControl<Kinds>(d.kind, [&](auto kind) -> std::unique_ptr<MemoryControl> {
            using C = ControlClass<decltype(kind)>;
            if constexpr (std::is_same_v<C, ResultBox>) {
                return std::make_unique<C>(*this, d, out_, terminator_);
            } else if constexpr (std::is_same_v<C, FolderList>) {
                // As the window finds the system: at the current folder.
                return std::make_unique<C>(*this, d, posix::currentFolder());
            } else if constexpr (std::is_same_v<C, ScrollBar>) {
                return std::make_unique<C>(*this, d, design.scrollBar);
            } else {
                return std::make_unique<C>(*this, d);
            }
        });
    };
    for (const auto& d : design.windowControls) controls_[d.id] = build(d);
    for (const auto& d : design.frameControls) controls_[d.id] = build(d);
    return bindMainWindow(*form_, controls_);
}

MemoryControl& WindowSystem::control(ControlId id) { return builtControl(controls_, id); }

TextBox& WindowSystem::textBox(ControlId id) { return dynamic_cast<TextBox&>(control(id)); }
CheckBox& WindowSystem::checkBox(ControlId id) { return dynamic_cast<CheckBox&>(control(id)); }
Button& WindowSystem::button(ControlId id) { return dynamic_cast<Button&>(control(id)); }

// Ctrl-C or an output that fails: the button is pressed again, which the
// walk sees as its stop request and winds down, whole lines written.
int WindowSystem::doEvents() {
    pumped();
    if (!stopAsked_ && (interrupted() || out_.failed())) {
        stopAsked_ = true;
        button(ControlId::cmdDoIt).click();
    }
    return 1;
}

void WindowSystem::endProgram() {
    if (hooks.endProgram) hooks.endProgram();
    throw ProgramEnded{};
}

void WindowSystem::messageBox(const Text& text, const Text& title, int style) {
    reported_ = true;
    if (hooks.messageBox) return hooks.messageBox(text, title, style);
    std::fprintf(stderr, "%s: %s: %s\n", program_.c_str(), toUtf8(title).c_str(), toUtf8(text).c_str());
}

// The terminal's alert.
void WindowSystem::beep() { std::fputs("\a", stderr); }

}  // namespace malvorn::console
