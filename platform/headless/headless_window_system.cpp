// SPDX-License-Identifier: MIT
#include "platform/headless/headless_window_system.h"

#include <algorithm>
#include <stdexcept>

#include "platform/error.h"
#include "platform/shared/control_factory.h"
#include "platform/shared/dispatch.h"

namespace malvorn::headless {

TextBox::TextBox(WindowSystem& ws, const ControlDesign& d) : MemoryTextBox(ws.events(), d) {}
Button::Button(WindowSystem& ws, const ControlDesign& d) : MemoryButton(ws.events(), d) {}
CheckBox::CheckBox(WindowSystem& ws, const ControlDesign& d) : MemoryCheckBox(ws.events(), d) {}
Frame::Frame(WindowSystem& ws, const ControlDesign& d) : MemoryFrame(ws.events(), d) {}
Label::Label(WindowSystem& ws, const ControlDesign& d) : MemoryLabel(ws.events(), d) {}
ScrollBar::ScrollBar(WindowSystem& ws, const ControlDesign& d, const ScrollBarDesign& s)
    : MemoryScrollBar(ws.events(), d, s) {}
DriveList::DriveList(WindowSystem& ws, const ControlDesign& d) : Control(ws.events(), d) {}
FolderList::FolderList(WindowSystem& ws, const ControlDesign& d) : Control(ws.events(), d) {}

void DriveList::setDrive(const Text& text) {
    // The drive whose root is the longest leading part of the text.
    const Text* best = nullptr;
    for (const Text& d : drives)
        if (text.compare(0, d.size(), d) == 0 && (!best || d.size() > best->size())) best = &d;
    if (!best) throw PlatformError(errors::DeviceUnavailable);
    if (*best == drive_) return;
    drive_ = *best;
    raise(ControlEvent::Change);
}

void FolderList::setPath(const Text& path) {
    std::optional<Text> shown = resolve ? resolve(path) : std::optional<Text>(path);
    if (!shown) throw PlatformError(errors::PathNotFound);
    if (*shown == path_) return;
    path_ = *shown;
    raise(ControlEvent::Change);
}

void Form::setCaption(const Text& c) {
    caption_ = c;
    captionHistory.push_back(c);
}

void Form::show() {
    shown_ = true;
    ws_.events().Form_Resize();
}

void Form::userResize(int width, int height) {
    w_ = width;
    h_ = height;
    dispatchEvent(ws_, [&] { ws_.events().Form_Resize(); });
}

void Form::userClose() {
    if (!open_) return;
    std::int16_t cancel = 0;
    dispatchEvent(ws_, [&] { ws_.events().Form_Unload(cancel); });
    if (cancel == 0) open_ = false;
}

WindowSystem::WindowSystem() = default;
WindowSystem::~WindowSystem() = default;

MainWindow WindowSystem::createMainWindow(const FormDesign& design, IFormEvents& events) {
    events_ = &events;
    form_ = std::make_unique<Form>(*this);
    form_->caption_ = design.caption;
    form_->w_ = design.innerWidth;
    form_->h_ = design.innerHeight;

    using Kinds = ControlKinds<TextBox, TextBox, Button, CheckBox, Frame, Label, DriveList, FolderList, ScrollBar>;
    auto build = [&](const ControlDesign& d) {
        std::unique_ptr<Control> c = makeControl<Kinds>(d.kind, [&](auto kind) -> std::unique_ptr<Control> {
            using C = ControlClass<decltype(kind)>;
            if constexpr (std::is_same_v<C, ScrollBar>) {
                return std::make_unique<C>(*this, d, design.scrollBar);
            } else {
                if (d.kind == ControlKind::MultiLineText && resultBoxFactory) return resultBoxFactory(*this, d);
                return std::make_unique<C>(*this, d);
            }
        });
        controls_[d.id] = std::move(c);
    };
    for (const auto& d : design.windowControls) build(d);
    for (const auto& d : design.frameControls) build(d);

    scroll_ = dynamic_cast<ScrollBar*>(&control(ControlId::VSLevel));
    drive_ = dynamic_cast<DriveList*>(&control(ControlId::drDrive));
    folder_ = dynamic_cast<FolderList*>(&control(ControlId::drDir));
    drive_->drives = {fromUtf8("C:\\")};
    drive_->drive_ = drive_->drives.front();
    folder_->path_ = fromUtf8("C:\\");

    return bindMainWindow(*form_, controls_);
}

Control& WindowSystem::control(ControlId id) { return builtControl(controls_, id); }

TextBox& WindowSystem::textBox(ControlId id) { return dynamic_cast<TextBox&>(control(id)); }
Button& WindowSystem::button(ControlId id) { return dynamic_cast<Button&>(control(id)); }
CheckBox& WindowSystem::checkBox(ControlId id) { return dynamic_cast<CheckBox&>(control(id)); }

void WindowSystem::raise(void (IFormEvents::*handler)()) {
    dispatchEvent(*this, [&] { (events_->*handler)(); });
}

void WindowSystem::post(std::function<void()> action) { queue_.push_back(std::move(action)); }

void WindowSystem::postAtPump(int n, std::function<void()> action) { scheduled_.emplace(pumps + n, std::move(action)); }

int WindowSystem::doEvents() {
    pumped();
    for (auto it = scheduled_.begin(); it != scheduled_.end() && it->first <= pumps;) {
        queue_.push_back(std::move(it->second));
        it = scheduled_.erase(it);
    }
    while (!queue_.empty()) {
        auto action = std::move(queue_.front());
        queue_.pop_front();
        dispatchEvent(*this, action);
    }
    return form_ && form_->open_ ? 1 : 0;
}

void WindowSystem::run() {
    while (form_ && form_->open_ && (!queue_.empty() || !scheduled_.empty())) {
        if (queue_.empty()) {
            pumps = scheduled_.begin()->first - 1;
        }
        doEvents();
    }
}

void WindowSystem::endProgram() {
    if (hooks.endProgram) hooks.endProgram();
    throw ProgramEnded{};
}

void WindowSystem::messageBox(const Text& text, const Text& title, int style) {
    messages.push_back({text, title, style});
    if (hooks.messageBox) hooks.messageBox(text, title, style);
}

}  // namespace malvorn::headless
