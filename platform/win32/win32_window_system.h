// The window system over plain Win32: one top-level window, its fourteen
// controls as standard Windows controls created through the wide (W) API,
// the event pump, message boxes and the program end.
//
// Events that come from the user (a click, a key, a dragged thumb) reach the
// core through dispatchEvent. Events raised by an assignment from code are
// called directly, inside the assignment, so that a failure in them goes
// back to the code that made the assignment.
//
// No C++ exception is allowed to unwind through the system's window
// procedures: one that escapes an event is held and thrown again once the
// message has been dispatched (in doEvents or run).
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/kept_bounds.h"
#include "platform/window_system.h"

namespace malvorn::win32 {

class Win32WindowSystem;

class Win32Control : public KeptBoundsControl {
public:
    Win32Control(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    ~Win32Control() override = default;

    ControlId id() const { return id_; }
    ControlKind kind() const { return kind_; }
    HWND handle() const { return hwnd_; }
    bool inFrame() const { return inFrame_; }
    // The rectangle in pixels of the parent window that the bounds stand for.
    RECT pixelRect() const;

    // Notifications from the control (WM_COMMAND / WM_VSCROLL) while the
    // user works it. Default: none of interest.
    virtual void onCommand(int /*code*/) {}

    // Puts the window where the kept bounds say.
    void applyBounds() override;

protected:
    Win32WindowSystem& ws_;
    ControlId id_;
    ControlKind kind_;
    HWND hwnd_;
    bool inFrame_;
};

class Win32TextBox : public Win32Control, public ITextBox {
public:
    Win32TextBox(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text text() const override;
    void setText(const Text& text) override;
    void replaceSelection(const Text& text) override;
    void onCommand(int code) override;

    // The multi-line box gathers added text and hands it to the edit
    // control in one piece: the control redraws on every insertion, which
    // made a long listing crawl. Called at pumps and before anything reads
    // or changes the box; `force` also when the last hand-over was recent.
    // True when text was handed over.
    bool flush(bool force = true);
    // Time spent afterwards because of the last hand-over (the redraw).
    void addFlushCost(ULONGLONG ms);
    bool multiLine() const { return kind_ == ControlKind::MultiLineText; }

private:
    void raiseChange();  // from an assignment by code
    void raiseUserChange();

    int suppress_ = 0;  // inside a programmatic change: the native EN_CHANGE is not the event
    Text pending_;
    ULONGLONG lastFlush_ = 0;      // when the last hand-over ended
    ULONGLONG lastFlushCost_ = 0;  // how long it took, ms
};

class Win32Button : public Win32Control, public IButton {
public:
    using Win32Control::Win32Control;
    void setCaption(const Text& caption) override;
    Text caption() const;
    void onCommand(int code) override;
    // Raises Click as the user's press does.
    void click();
};

class Win32CheckBox : public Win32Control, public ICheckBox {
public:
    using Win32Control::Win32Control;
    int value() const override;
    void setValue(int value) override;
};

class Win32Frame : public Win32Control, public IFrame {
public:
    using Win32Control::Win32Control;
};

class Win32Label : public Win32Control, public ILabel {
public:
    using Win32Control::Win32Control;
};

class Win32DriveList : public Win32Control, public IDriveList {
public:
    Win32DriveList(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text drive() const override;
    void setDrive(const Text& text) override;
    void onCommand(int code) override;
    // Reads the available drives again, keeping the current one selected.
    void refresh();
    const std::vector<wchar_t>& letters() const { return letters_; }
    // Chooses a drive as the user does; Change when it differs.
    void userSelect(int index);

    void applyBounds() override;

private:
    void selectCurrent();
    std::vector<wchar_t> letters_;  // upper-case letters of the available drives
    wchar_t current_ = 0;
};

class Win32FolderList : public Win32Control, public IFolderList {
public:
    Win32FolderList(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text path() const override { return path_; }
    void setPath(const Text& path) override;
    void onCommand(int code) override;
    // Opens the folder of a line, as a double-click or Enter does.
    void userOpen(int index);
    void openSelected();
    // The full path of each line, top to bottom.
    const std::vector<Text>& linePaths() const { return paths_; }

    // The folder a text names, in the form the list reports it, or a
    // PlatformError (76 "Path not found", 68 "Device unavailable").
    static Text resolve(const Text& text);

private:
    void fill();
    Text path_;
    std::vector<Text> paths_;
};

class Win32ScrollBar : public Win32Control, public IScrollBar {
public:
    Win32ScrollBar(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd, const ScrollBarDesign& s);
    std::int16_t value() const override { return value_; }
    void setValue(std::int16_t value) override;
    // WM_VSCROLL from the control: arrows, trough, thumb (`position` is
    // the thumb's position for the thumb codes).
    void onScroll(int code, int position);

private:
    void show(int value);
    std::int16_t value_;
    ScrollBarDesign s_;
    bool dragging_ = false;
    std::int16_t dragStart_ = 0;
};

class Win32Form : public IForm {
public:
    Win32Form(Win32WindowSystem& ws, HWND hwnd, int showCommand) : ws_(ws), hwnd_(hwnd), showCommand_(showCommand) {}
    Text caption() const override;
    void setCaption(const Text& caption) override;
    int innerWidth() const override;
    int innerHeight() const override;
    void show() override;

    HWND handle() const { return hwnd_; }
    Win32WindowSystem& windowSystem() { return ws_; }
    bool shown() const { return shown_; }

private:
    friend class Win32WindowSystem;
    Win32WindowSystem& ws_;
    HWND hwnd_;
    int showCommand_;
    bool shown_ = false;
    int lastWidth_ = -1, lastHeight_ = -1;
};

class Win32WindowSystem : public IWindowSystem {
public:
    // `showCommand` is how the window first appears (wWinMain's nCmdShow).
    explicit Win32WindowSystem(int showCommand = SW_SHOWNORMAL);
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    MainWindow createMainWindow(const FormDesign& design, IFormEvents& events) override;
    void run() override;
    int doEvents() override;
    [[noreturn]] void endProgram() override;
    void messageBox(const Text& text, const Text& title, int style) override;
    void beep() override;

    // Instead of ending the process (tests): must not return normally,
    // e.g. throws; the exception reaches the caller of doEvents or run.
    std::function<void()> onEndProgram;
    // Instead of the modal box (tests).
    std::function<void(const Text& text, const Text& title, int style)> onMessageBox;

    // Hands gathered result text to the result box now.
    void flushPendingOutput();

    // Delivers an event from the user: through dispatchEvent, any exception
    // held until the message that caused it has been dispatched.
    template <class F>
    void deliver(F&& f) {
        try {
            dispatchUserEvent(std::function<void()>(std::forward<F>(f)));
        } catch (...) {
            if (!held_) held_ = std::current_exception();
        }
    }
    // Throws an exception held from an event, if any.
    void rethrowHeld();

    // Handles keyboard navigation of the window (Tab, access keys, Enter
    // and Esc pressing nothing) before the message is dispatched; true when
    // the message has been dealt with.
    bool preTranslate(MSG& msg);

    IFormEvents& events() { return *events_; }
    Win32Form& form() { return *form_; }
    Win32Control& control(ControlId id);
    Win32Control* controlOf(HWND hwnd);
    HWND frameHandle() const { return frame_; }
    HFONT font() const { return font_; }
    bool building() const { return building_; }
    // Controls that take the focus, in tab order.
    const std::vector<HWND>& tabOrder() const { return tabOrder_; }
    int openWindows() const { return open_ ? 1 : 0; }
    // Gives the focus back to where it was, or to the designed first control.
    void focusInitial();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK levelBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void dispatchUserEvent(const std::function<void()>& f);
    bool routeControlMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void moveFocus(bool backwards);
    bool ownsWindow(HWND hwnd) const;
    Win32Button* buttonForAccessKey(wchar_t key);

    int showCommand_;
    IFormEvents* events_ = nullptr;
    HWND main_ = nullptr;
    HWND frame_ = nullptr;
    HFONT font_ = nullptr;
    bool ownFont_ = false;
    bool open_ = false;
    bool building_ = false;
    HWND savedFocus_ = nullptr;
    HWND initialFocus_ = nullptr;
    std::unique_ptr<Win32Form> form_;
    std::map<ControlId, std::unique_ptr<Win32Control>> controls_;
    std::map<HWND, Win32Control*> byHandle_;
    std::vector<HWND> tabOrder_;
    Win32TextBox* result_ = nullptr;
    std::exception_ptr held_;
};

}  // namespace malvorn::win32
