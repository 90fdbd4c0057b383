// SPDX-License-Identifier: MIT
// A window system without a screen: controls held in memory that keep the
// change-event rule, and an event queue that the event pump drains. Tests
// script user actions into the queue (optionally to land in the N-th pump).
// A test double only: no shipped program links it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/shared/memory_controls.h"
#include "platform/window_system.h"

namespace malvorn::headless {

class WindowSystem;

// The controls in memory, shared with the console (memory_controls.h),
// built on this window system's events.
using Control = MemoryControl;

class TextBox : public MemoryTextBox {
public:
    TextBox(WindowSystem& ws, const ControlDesign& d);
};

class Button : public MemoryButton {
public:
    Button(WindowSystem& ws, const ControlDesign& d);
    void click() { raise(ControlEvent::Click); }
};

class CheckBox : public MemoryCheckBox {
public:
    CheckBox(WindowSystem& ws, const ControlDesign& d);
};

class Frame : public MemoryFrame {
public:
    Frame(WindowSystem& ws, const ControlDesign& d);
};

class Label : public MemoryLabel {
public:
    Label(WindowSystem& ws, const ControlDesign& d);
};

class ScrollBar : public MemoryScrollBar {
public:
    ScrollBar(WindowSystem& ws, const ControlDesign& d, const ScrollBarDesign& s);
};

class DriveList : public Control, public IDriveList {
public:
    DriveList(WindowSystem& ws, const ControlDesign& d);
    Text drive() const override { return drive_; }
    void setDrive(const Text& text) override;
    std::vector<Text> drives;  // available drive roots
    // The drives and the current one as a backend finds them when the window
    // is built; raises nothing.
    void setUp(std::vector<Text> available, Text current) {
        drives = std::move(available);
        drive_ = std::move(current);
    }

private:
    Text drive_;
    friend class WindowSystem;
};

class FolderList : public Control, public IFolderList {
public:
    FolderList(WindowSystem& ws, const ControlDesign& d);
    Text path() const override { return path_; }
    void setPath(const Text& path) override;
    // Turns an assigned text into the path the list shows, or nothing when
    // it cannot show it. By default every text is shown as given.
    std::function<std::optional<Text>(const Text&)> resolve;
    // The folder shown when the window is built; raises nothing.
    void setUp(Text path) { path_ = std::move(path); }
    // What the user does: open a folder (raises Change when it differs).
    void userOpen(const Text& path) { setPath(path); }

private:
    Text path_;
    friend class WindowSystem;
};

class Form : public IForm {
public:
    explicit Form(WindowSystem& ws) : ws_(ws) {}
    Text caption() const override { return caption_; }
    void setCaption(const Text& c) override;
    int innerWidth() const override { return w_; }
    int innerHeight() const override { return h_; }
    void show() override;
    void announce(const Text& words) override { announced.push_back(words); }
    // What the user or the system does to the window.
    void userResize(int width, int height);
    void userClose();
    bool open() const { return open_; }
    bool shown() const { return shown_; }
    std::vector<Text> captionHistory;
    std::vector<Text> announced;  // what a screen reader was given to say

private:
    WindowSystem& ws_;
    Text caption_;
    int w_ = 0, h_ = 0;
    bool open_ = true, shown_ = false;
    friend class WindowSystem;
};

struct MessageRecord {
    Text text, title;
    int style;
};

class WindowSystem : public IWindowSystem {
public:
    WindowSystem();
    ~WindowSystem() override;

    MainWindow createMainWindow(const FormDesign& design, IFormEvents& events) override;
    void run() override;
    int doEvents() override;
    [[noreturn]] void endProgram() override;
    void messageBox(const Text& text, const Text& title, int style) override;
    void beep() override { ++beeps; }

    // Queue an action to run in the next pump (or the N-th pump from now,
    // counting from 1). Actions run as events: a PlatformError escaping one is
    // an unhandled failure.
    void post(std::function<void()> action);
    void postAtPump(int n, std::function<void()> action);

    // Replaces the result box before the window is created (a box that
    // fails as a test needs it to).
    std::function<std::unique_ptr<TextBox>(WindowSystem&, const ControlDesign&)> resultBoxFactory;

    // Raises a control's event through the window object, as a backend does.
    IFormEvents& events() { return *events_; }
    void raise(void (IFormEvents::*handler)());

    Form& form() { return *form_; }
    TextBox& textBox(ControlId id);
    Button& button(ControlId id);
    CheckBox& checkBox(ControlId id);
    ScrollBar& scrollBar() { return *scroll_; }
    DriveList& driveList() { return *drive_; }
    FolderList& folderList() { return *folder_; }
    Control& control(ControlId id);

    int beeps = 0;
    std::vector<MessageRecord> messages;

private:
    IFormEvents* events_ = nullptr;
    std::unique_ptr<Form> form_;
    std::map<ControlId, std::unique_ptr<Control>> controls_;
    ScrollBar* scroll_ = nullptr;
    DriveList* drive_ = nullptr;
    FolderList* folder_ = nullptr;
    std::deque<std::function<void()>> queue_;
    std::multimap<int, std::function<void()>> scheduled_;  // by absolute pump number
    friend class Form;
};

}  // namespace malvorn::headless
