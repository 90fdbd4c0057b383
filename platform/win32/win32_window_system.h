// SPDX-License-Identifier: MIT
// The window system over plain Win32: the top-level window and the creation
// of its fourteen controls through the wide (W) API, the event pump, the
// window procedures, message boxes and the program end. The controls are in
// win32_controls.h and win32_folder_lists.h, the result box in
// win32_result_box.h, the keyboard in win32_keyboard.h.
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

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/shared/pump_pacer.h"
#include "platform/win32/win32_controls.h"
#include "platform/window_system.h"

namespace malvorn::win32 {

class WindowSystem : public IWindowSystem {
public:
    // `showCommand` is how the window first appears (wWinMain's nCmdShow).
    explicit WindowSystem(int showCommand = SW_SHOWNORMAL);
    ~WindowSystem() override;
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    MainWindow createMainWindow(const FormDesign& design, IFormEvents& events) override;
    void run() override;
    int doEvents() override;
    int doEventsPaced() override;
    void showAlive() override;
    [[noreturn]] void endProgram() override;
    void messageBox(const Text& text, const Text& title, int style) override;
    void beep() override;

    // How often showAlive looks at the queue at most (tests shorten it).
    std::chrono::milliseconds aliveInterval{100};

    // A message that would raise an event while showAlive looks at the
    // queue (one sent by another thread) is put back in the queue instead,
    // to raise it at the next pump point: true when it was.
    bool putBackWhileShowingAlive(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

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

    IFormEvents& events() { return *events_; }
    Form& form() { return *form_; }
    Control& control(ControlId id);
    Control* controlOf(HWND hwnd);
    const std::map<ControlId, std::unique_ptr<Control>>& controls() const { return controls_; }
    HWND mainHandle() const { return main_; }
    // Hands a control's WM_COMMAND or WM_VSCROLL to the control; true when
    // it was one of the window's controls.
    bool routeControlMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // The window or one of its descendants.
    bool ownsWindow(HWND hwnd) const;
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
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void dispatchUserEvent(const std::function<void()>& f);
    void registerMainClass(HINSTANCE instance);
    void chooseFont();
    Control& build(const ControlDesign& d, HWND parent, const FormDesign& design);
    void orderControls(const FormDesign& design, const std::vector<HWND>& windowOrder,
                       const std::vector<HWND>& frameOrder);
    void startOnCurrentFolder();
    // Dispatches one message, after the keyboard has had its look.
    void dispatch(MSG& msg);

    int showCommand_;
    IFormEvents* events_ = nullptr;
    HWND main_ = nullptr;
    HWND frame_ = nullptr;
    HFONT font_ = nullptr;
    bool ownFont_ = false;
    bool comStarted_ = false;
    bool open_ = false;
    PumpPacer pacer_;                                   // for doEventsPaced
    std::chrono::steady_clock::time_point lastLook_{};  // at the queue, for showAlive
    bool showingAlive_ = false;
    bool building_ = false;
    HWND savedFocus_ = nullptr;
    HWND initialFocus_ = nullptr;
    std::unique_ptr<Form> form_;
    std::map<ControlId, std::unique_ptr<Control>> controls_;
    std::map<HWND, Control*> byHandle_;
    std::vector<HWND> tabOrder_;
    std::exception_ptr held_;
};

}  // namespace malvorn::win32
