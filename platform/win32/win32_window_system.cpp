// SPDX-License-Identifier: MIT
#include "platform/win32/win32_window_system.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <stdexcept>

#include "platform/form_events.h"
#include "platform/main_window.h"
#include "platform/shared/control_factory.h"
#include "platform/win32/win32_accessibility.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_folder_lists.h"
#include "platform/win32/win32_keyboard.h"
#include "platform/win32/win32_result_box.h"
#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

namespace {

constexpr wchar_t MainClass[] = L"MalvornMainWindow";
constexpr int FirstControlId = 100;

// What each kind of control is made of: a standard window class and its
// styles. Every control is also WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS.
struct NativeControl {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
    bool showsCaption;  // the designed caption is the window's text
};

NativeControl nativeControl(ControlKind kind) {
    switch (kind) {
        case ControlKind::SingleLineText:
            return {L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, true};
        case ControlKind::MultiLineText:
            return {ResultBoxWindow::ClassName, WS_TABSTOP | WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE, true};
        case ControlKind::PushButton:
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, true};
        case ControlKind::CheckBox:
            return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, true};
        case ControlKind::Frame:
            return {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true};
        case ControlKind::Label:
            return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0, true};
        case ControlKind::DriveList:
            return {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, false};
        case ControlKind::FolderList:
            return {L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS,
                    WS_EX_CLIENTEDGE, false};
        case ControlKind::VerticalScrollBar:
            return {L"SCROLLBAR", WS_TABSTOP | SBS_VERT, 0, false};
    }
    throw std::logic_error("unknown control kind");
}

// Nothing is wired to the events while the window is built.
struct QuietEvents : IFormEvents {
    void Form_Load() override {}
    void Form_Resize() override {}
    void Form_Unload(std::int16_t&) override {}
    void cmdDoIt_Click() override {}
    void cmdSave_Click() override {}
    void drDrive_Change() override {}
    void drDir_Change() override {}
    void txtPath_Change() override {}
    void txtLevel_Change() override {}
    void txtLevel_KeyDown(std::int16_t&, std::int16_t) override {}
    void VSLevel_Change() override {}
    void VSLevel_Scroll() override {}
};

}  // namespace

WindowSystem::WindowSystem(int showCommand) : showCommand_(showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // The names given to screen readers are COM objects handed out from
    // this thread (WM_GETOBJECT).
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

WindowSystem::~WindowSystem() {
    if (main_ && IsWindow(main_)) {
        SetWindowLongPtrW(main_, GWLP_USERDATA, 0);
        DestroyWindow(main_);
    }
    if (font_ && ownFont_) DeleteObject(font_);
    if (comStarted_) CoUninitialize();
}

Control& WindowSystem::control(ControlId id) {
    auto it = controls_.find(id);
    if (it == controls_.end()) throw std::logic_error("no such control");
    return *it->second;
}

Control* WindowSystem::controlOf(HWND hwnd) {
    auto it = byHandle_.find(hwnd);
    return it == byHandle_.end() ? nullptr : it->second;
}

void WindowSystem::focusInitial() {
    HWND target = savedFocus_ && IsWindow(savedFocus_) ? savedFocus_ : initialFocus_;
    if (target) SetFocus(target);
}

bool WindowSystem::ownsWindow(HWND hwnd) const { return hwnd && main_ && (hwnd == main_ || IsChild(main_, hwnd)); }

void WindowSystem::registerMainClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = MainClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) throwLastError();
    ResultBoxWindow::registerClass(wc.hInstance);
}

void WindowSystem::chooseFont() {
    // The system's message font: what dialogs use, unlike the bold System
    // font that bare controls start with.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font_ = CreateFontIndirectW(&metrics.lfMessageFont);
        ownFont_ = font_ != nullptr;
    }
    if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

Control& WindowSystem::build(const ControlDesign& d, HWND parent, const FormDesign& design) {
    const NativeControl native = nativeControl(d.kind);
    const double scale = d.inFrame ? 1.0 / TwipsPerPixel : 1.0;
    const int left = toPixels(d.left * scale), top = toPixels(d.top * scale);
    const int width = toPixels((d.left + d.width) * scale) - left;
    int height = toPixels((d.top + d.height) * scale) - top;
    if (d.kind == ControlKind::DriveList) height += DriveList::DropDownHeight;
    const Text text = native.showsCaption ? d.caption : Text();
    HWND h = CreateWindowExW(native.exStyle, native.windowClass, wide(text),
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | native.style, left, top, width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstControlId + static_cast<int>(d.id))),
                             GetModuleHandleW(nullptr), nullptr);
    if (!h) throwLastError();
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    using Kinds = ControlKinds<TextBox, ResultBox, Button, CheckBox, Frame, Label, DriveList, FolderList, ScrollBar>;
    std::unique_ptr<Control> c = makeControl<Kinds>(d.kind, [&](auto kind) -> std::unique_ptr<Control> {
        using C = ControlClass<decltype(kind)>;
        if constexpr (std::is_same_v<C, ScrollBar>) {
            return std::make_unique<C>(*this, d, h, design.scrollBar);
        } else if constexpr (std::is_same_v<C, CheckBox>) {
            auto box = std::make_unique<C>(*this, d, h);
            box->setValue(d.initialValue);
            return box;
        } else {
            if constexpr (std::is_same_v<C, Frame>) frame_ = h;
            return std::make_unique<C>(*this, d, h);
        }
    });
    if (keyDownHandlerOf(d.id)) watchKeyDown(*this, h, d.id);
    Control& made = *c;
    byHandle_[h] = c.get();
    controls_[d.id] = std::move(c);
    return made;
}

void WindowSystem::orderControls(const FormDesign& design, const std::vector<HWND>& windowOrder,
                                 const std::vector<HWND>& frameOrder) {
    // Front to back: each window goes in behind the one before it.
    auto stack = [](const std::vector<HWND>& frontToBack) {
        HWND after = HWND_TOP;
        for (HWND h : frontToBack) {
            SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = h;
        }
    };
    stack(windowOrder);
    stack(frameOrder);

    // Tab order: ascending tab index; frame and labels take no focus.
    std::vector<std::pair<int, HWND>> tabs;
    auto collect = [&](const std::vector<ControlDesign>& rows) {
        for (const auto& d : rows)
            if (d.tabIndex >= 0 && d.kind != ControlKind::Frame && d.kind != ControlKind::Label)
                tabs.emplace_back(d.tabIndex, control(d.id).handle());
    };
    collect(design.windowControls);
    collect(design.frameControls);
    std::stable_sort(tabs.begin(), tabs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& t : tabs) tabOrder_.push_back(t.second);
    initialFocus_ = controls_.count(design.initialFocus) ? control(design.initialFocus).handle() : nullptr;
}

void WindowSystem::startOnCurrentFolder() {
    auto* drive = dynamic_cast<DriveList*>(&control(ControlId::drDrive));
    auto* folder = dynamic_cast<FolderList*>(&control(ControlId::drDir));
    // Both start on the current folder, as a program started from a
    // shortcut or a console expects.
    std::wstring cwd(GetCurrentDirectoryW(0, nullptr), L'\0');
    cwd.resize(GetCurrentDirectoryW(static_cast<DWORD>(cwd.size()), cwd.data()));
    Text start = fromWide(cwd.data(), cwd.size());
    try {
        start = FolderList::resolve(start);
    } catch (const PlatformError&) {
        start = u"C:\\";
    }
    try {
        drive->setDrive(start);
    } catch (const PlatformError&) {
        if (!drive->letters().empty()) drive->userSelect(0);
    }
    try {
        folder->setPath(start);
    } catch (const PlatformError&) {
    }
}

MainWindow WindowSystem::createMainWindow(const FormDesign& design, IFormEvents& events) {
    if (main_) throw std::logic_error("the main window exists already");
    QuietEvents quiet;
    events_ = &quiet;
    building_ = true;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerMainClass(instance);

    // The design gives the inner (client) size.
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT outer{0, 0, design.innerWidth, design.innerHeight};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    main_ = CreateWindowExW(0, MainClass, wide(design.caption), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (!main_) throwLastError();
    open_ = true;
    form_ = std::make_unique<Form>(*this, main_, showCommand_);
    chooseFont();

    std::vector<HWND> windowOrder, frameOrder;
    // The frame first, so that its children have their parent.
    for (const auto& d : design.windowControls)
        if (d.kind == ControlKind::Frame) build(d, main_, design);
    for (const auto& d : design.windowControls)
        windowOrder.push_back(d.kind == ControlKind::Frame ? frame_ : build(d, main_, design).handle());
    for (const auto& d : design.frameControls) frameOrder.push_back(build(d, frame_ ? frame_ : main_, design).handle());
    orderControls(design, windowOrder, frameOrder);
    // The depth bar's position runs the other way from the depth it sets.
    for (const SpokenName& n : design.spokenNames)
        if (controls_.count(n.control))
            nameForScreenReaders(control(n.control).handle(), n.name,
                                 n.control == ControlId::VSLevel ? design.scrollBar.maximum + 1 : 0);
    startOnCurrentFolder();
    events_ = &events;
    building_ = false;

    return bindMainWindow(*form_, controls_);
}

void WindowSystem::endProgram() {
    // A hook (tests) must not return normally: its exception reaches the
    // caller of doEvents or run.
    if (hooks.endProgram) hooks.endProgram();
    ExitProcess(0);
}

void WindowSystem::messageBox(const Text& text, const Text& title, int style) {
    if (hooks.messageBox) {
        hooks.messageBox(text, title, style);
        return;
    }
    MessageBoxW(main_ && IsWindow(main_) ? main_ : nullptr, wide(text), wide(title), static_cast<UINT>(style));
}

void WindowSystem::beep() { MessageBeep(MB_OK); }

LRESULT CALLBACK WindowSystem::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<WindowSystem*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->handle(hwnd, msg, wParam, lParam);
}

bool WindowSystem::routeControlMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // The main window routes the notifications of every control, the
    // frame's too: it takes those put back.
    if ((msg == WM_COMMAND || msg == WM_VSCROLL) && lParam && controlOf(reinterpret_cast<HWND>(lParam)) &&
        putBackWhileShowingAlive(main_, msg, wParam, lParam))
        return true;
    if (msg == WM_COMMAND && lParam) {
        if (Control* c = controlOf(reinterpret_cast<HWND>(lParam))) {
            c->onCommand(HIWORD(wParam));
            return true;
        }
    }
    if (msg == WM_VSCROLL && lParam) {
        if (auto* bar = dynamic_cast<ScrollBar*>(controlOf(reinterpret_cast<HWND>(lParam)))) {
            if (!building_) bar->onScroll(LOWORD(wParam), HIWORD(wParam));
            return true;
        }
    }
    return false;
}

LRESULT WindowSystem::handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
        case WM_VSCROLL:
            if (routeControlMessage(msg, wParam, lParam)) return 0;
            break;
        case WM_SIZE:
            if (putBackWhileShowingAlive(hwnd, msg, wParam, lParam)) return 0;
            if (form_ && form_->shown() && open_ && form_->sizeChanged()) deliver([this] { events_->Form_Resize(); });
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (ownsWindow(focus) && focus != main_) savedFocus_ = focus;
            } else if (form_ && form_->shown()) {
                focusInitial();
            }
            return 0;
        case WM_SETFOCUS:
            if (form_ && form_->shown()) focusInitial();
            return 0;
        case WM_CLOSE: {
            if (building_ || putBackWhileShowingAlive(hwnd, msg, wParam, lParam)) return 0;
            bool close = false;
            deliver([&] {
                std::int16_t cancel = 0;
                events_->Form_Unload(cancel);
                close = cancel == 0;
            });
            if (close) DestroyWindow(hwnd);
            return 0;
        }
        case WM_DESTROY:
            if (hwnd == main_) open_ = false;
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace malvorn::win32
