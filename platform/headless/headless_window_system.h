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

#include "platform/shared/kept_bounds.h"
#include "platform/window_system.h"

namespace malvorn::headless {

// Thrown by endProgram() unless a hook is set, so that a test can see the
// program end without the test process ending.
struct ProgramEnded {};

class WindowSystem;

class Control : public KeptBoundsControl {
public:
    Control(WindowSystem& ws, const ControlDesign& d) : KeptBoundsControl(d), ws_(ws), id_(d.id) {}
    ControlId id() const { return id_; }

protected:
    // Runs the window's handler of this control's event, if it has one.
    void raise(ControlEvent event);

    WindowSystem& ws_;
    ControlId id_;
};

class TextBox : public Control, public ITextBox {
public:
    TextBox(WindowSystem& ws, const ControlDesign& d);
    Text text() const override { return text_; }
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;
    // What a user does: type a whole new text (one Change), select, press a key.
    void userType(const Text& text) { setText(text); }
    void select(std::size_t start, std::size_t length);
    std::size_t selStart() const { return selStart_; }
    void keyDown(std::int16_t keyCode, std::int16_t shift = 0);
    int changeCount = 0;

protected:
    Text text_;
    std::size_t selStart_ = 0, selLength_ = 0;
};

class Button : public Control, public IButton {
public:
    using Control::Control;
    void setCaption(const Text& caption) override { caption_ = caption; }
    Text caption() const { return caption_; }
    void click();

private:
    Text caption_;
};

class CheckBox : public Control, public ICheckBox {
public:
    using Control::Control;
    int value() const override { return value_; }
    void setValue(int v) override { value_ = v; }

private:
    int value_ = 0;
};

class Frame : public Control, public IFrame {
public:
    using Control::Control;
};

class Label : public Control, public ILabel {
public:
    using Control::Control;
};

class DriveList : public Control, public IDriveList {
public:
    using Control::Control;
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
    using Control::Control;
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

class ScrollBar : public Control, public IScrollBar {
public:
    ScrollBar(WindowSystem& ws, const ControlDesign& d, const ScrollBarDesign& s);
    std::int16_t value() const override { return value_; }
    void setValue(std::int16_t v) override;
    // Arrow, trough or thumb release: Change when the value changes.
    void userSet(int v);
    // Thumb dragged to a position: Scroll (the value follows).
    void userDrag(int v);

private:
    std::int16_t value_ = 0;
    ScrollBarDesign s_;
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
