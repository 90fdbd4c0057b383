// SPDX-License-Identifier: MIT
// A window system for the console, on which malvorn-list runs the real
// window object: the controls are held in memory and keep the change-event
// rule; the result box streams every line to standard output instead of
// holding the listing, so that memory stays small for any size of tree;
// message boxes are written to standard error; Ctrl-C (or an output that
// fails) is the stop request, taken at the walk's next event pump as a
// second click on the start button. The person at the console "types" into
// the boxes and presses the button through the typed lookups below.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/console/console_output.h"
#include "platform/shared/memory_controls.h"
#include "platform/window_system.h"

namespace malvorn::console {

class WindowSystem;

// The controls in memory, shared with the headless double
// (memory_controls.h), built on this window system's events. There is no
// caret to move on the console: the boxes are typed into whole.
class TextBox : public MemoryTextBox {
public:
    TextBox(WindowSystem& ws, const ControlDesign& d);
};

// The result box. Each added piece is one entry with its CR LF; that line
// end is swapped for the terminator asked for (CR LF itself by default).
// What was written stays written: the box holds no text to read back (the
// console has no save button to read it).
class ResultBox : public MemoryControl, public ITextBox {
public:
    ResultBox(WindowSystem& ws, const ControlDesign& d, Output& out, const Text& terminator);
    Text text() const override { return Text(); }
    // A run begins by emptying the box.
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;

private:
    Output& out_;
    const bool crlf_;
    const std::string terminator_;  // in UTF-8
};

class Button : public MemoryButton {
public:
    Button(WindowSystem& ws, const ControlDesign& d);
    // What the person does: presses the button, an event of its own.
    void click();

private:
    WindowSystem& ws_;
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

// The one drive of a POSIX system, "/". Every path lies on it, a relative
// one too (it lies under the current folder), so no text is refused.
class DriveList : public MemoryControl, public IDriveList {
public:
    DriveList(WindowSystem& ws, const ControlDesign& d);
    Text drive() const override { return u"/"; }
    void setDrive(const Text&) override {}
};

// The folder the window was told, as it was told: the listing takes its
// folder from the path box, and the program has checked it already.
class FolderList : public MemoryControl, public IFolderList {
public:
    FolderList(WindowSystem& ws, const ControlDesign& d, Text start);
    Text path() const override { return path_; }
    void setPath(const Text& path) override;

private:
    Text path_;
};

class ScrollBar : public MemoryScrollBar {
public:
    ScrollBar(WindowSystem& ws, const ControlDesign& d, const ScrollBarDesign& s);
};

class Form : public IForm {
public:
    Form(WindowSystem& ws, const FormDesign& design)
        : ws_(ws), caption_(design.caption), w_(design.innerWidth), h_(design.innerHeight) {}
    Text caption() const override { return caption_; }
    void setCaption(const Text& c) override { caption_ = c; }
    int innerWidth() const override { return w_; }
    int innerHeight() const override { return h_; }
    void show() override;

private:
    WindowSystem& ws_;
    Text caption_;
    int w_, h_;
};

class WindowSystem : public IWindowSystem {
public:
    // The result box writes to `out`, ending each entry with `terminator`;
    // messages are written to standard error after "`program`: ".
    WindowSystem(Output& out, Text terminator, std::string program);
    ~WindowSystem() override;

    MainWindow createMainWindow(const FormDesign& design, IFormEvents& events) override;
    // Nothing comes from a console but what the program itself does.
    void run() override {}
    int doEvents() override;
    [[noreturn]] void endProgram() override;
    void messageBox(const Text& text, const Text& title, int style) override;
    void beep() override;

    IFormEvents& events() { return *events_; }
    TextBox& textBox(ControlId id);
    CheckBox& checkBox(ControlId id);
    Button& button(ControlId id);
    // Whether a message box has been written.
    bool reported() const { return reported_; }

private:
    MemoryControl& control(ControlId id);

    Output& out_;
    const Text terminator_;
    const std::string program_;
    IFormEvents* events_ = nullptr;
    std::unique_ptr<Form> form_;
    std::map<ControlId, std::unique_ptr<MemoryControl>> controls_;
    bool reported_ = false;
    bool stopAsked_ = false;
};

}  // namespace malvorn::console
