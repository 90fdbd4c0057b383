#include "platform/win32/win32_window_system.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/dispatch.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_text.h"

namespace malvorn::win32 {

namespace {

constexpr wchar_t MainClass[] = L"MalvornMainWindow";
constexpr int FirstControlId = 100;
// The drop-down part of the drive list: the control's window is this much
// taller than the box the user sees.
constexpr int DropDownHeight = 200;
// The result box hands gathered text to the edit control at most this
// often while a listing runs (every pump otherwise: the walk pumps once a
// folder, and the control redraws on each insertion). Once the box holds
// megabytes, an insertion costs time of its own (the control moves its
// whole text), so the interval grows with that cost: the listing spends at
// most about a fifth of its time handing text over.
constexpr ULONGLONG ResultFlushInterval = 100;  // ms
constexpr ULONGLONG ResultFlushCostFactor = 4;
constexpr std::size_t ResultFlushSize = 4u << 20;  // characters held at most

PlatformError invalidProperty() { return PlatformError(errors::InvalidProperty, fromUtf8("无效的属性值")); }

// A coordinate in pixels, held inside what a window position can take.
int toPixels(double value) {
    const double r = std::nearbyint(value);
    if (!(r > -1e6)) return -1000000;
    if (r > 1e6) return 1000000;
    return static_cast<int>(r);
}

bool sameFolder(const Text& a, const Text& b) {
    if (a.size() != b.size()) return false;
    return CompareStringOrdinal(wide(a), static_cast<int>(a.size()), wide(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

Text windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return fromWide(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

wchar_t upper(wchar_t c) {
    CharUpperBuffW(&c, 1);
    return c;
}

std::int16_t shiftState() {
    std::int16_t s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= 1;
    if (GetKeyState(VK_CONTROL) < 0) s |= 2;
    if (GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

}  // namespace

// ---------------------------------------------------------------- controls

Win32Control::Win32Control(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd)
    : KeptBoundsControl(d), ws_(ws), id_(d.id), kind_(d.kind), hwnd_(hwnd), inFrame_(d.inFrame) {}

RECT Win32Control::pixelRect() const {
    // Edges are rounded, not sizes, so that neighbours that touch in twips
    // touch on the screen as well.
    const double scale = inFrame_ ? 1.0 / TwipsPerPixel : 1.0;
    RECT r;
    r.left = toPixels(b_.left * scale);
    r.top = toPixels(b_.top * scale);
    r.right = toPixels((static_cast<double>(b_.left) + b_.width) * scale);
    r.bottom = toPixels((static_cast<double>(b_.top) + b_.height) * scale);
    return r;
}

void Win32Control::applyBounds() {
    const RECT r = pixelRect();
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// Text boxes.

Win32TextBox::Win32TextBox(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Win32Control(ws, d, hwnd) {}

Text Win32TextBox::text() const {
    const_cast<Win32TextBox*>(this)->flush();
    return windowText(hwnd_);
}

void Win32TextBox::setText(const Text& text) {
    pending_.clear();
    ++suppress_;
    SetWindowTextW(hwnd_, wide(text));
    --suppress_;
    raiseChange();
}

void Win32TextBox::replaceSelection(const Text& text) {
    if (multiLine()) {
        pending_ += text;
        if (pending_.size() >= ResultFlushSize) flush();
        return;
    }
    ++suppress_;
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(text)));
    --suppress_;
    raiseChange();
}

bool Win32TextBox::flush(bool force) {
    if (pending_.empty()) return false;
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG interval = std::max(ResultFlushInterval, ResultFlushCostFactor * lastFlushCost_);
    if (!force && now - lastFlush_ < interval) return false;
    Text text;
    text.swap(pending_);
    ++suppress_;
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(text)));
    --suppress_;
    lastFlush_ = GetTickCount64();
    lastFlushCost_ = lastFlush_ - now;
    return true;
}

void Win32TextBox::addFlushCost(ULONGLONG ms) { lastFlushCost_ += ms; }

void Win32TextBox::raiseChange() {
    if (id_ == ControlId::txtPath) ws_.events().txtPath_Change();
    if (id_ == ControlId::txtLevel) ws_.events().txtLevel_Change();
}

void Win32TextBox::onCommand(int code) {
    if (code != EN_CHANGE || suppress_ > 0 || ws_.building()) return;
    // Typed, pasted or cut by the user.
    if (id_ == ControlId::txtPath) ws_.deliver([this] { ws_.events().txtPath_Change(); });
    if (id_ == ControlId::txtLevel) ws_.deliver([this] { ws_.events().txtLevel_Change(); });
}

// Buttons and check boxes.

void Win32Button::setCaption(const Text& caption) { SetWindowTextW(hwnd_, wide(caption)); }

Text Win32Button::caption() const { return windowText(hwnd_); }

void Win32Button::click() {
    if (id_ == ControlId::cmdDoIt) ws_.deliver([this] { ws_.events().cmdDoIt_Click(); });
    if (id_ == ControlId::cmdSave) ws_.deliver([this] { ws_.events().cmdSave_Click(); });
}

void Win32Button::onCommand(int code) {
    if (code == BN_CLICKED && !ws_.building()) click();
}

int Win32CheckBox::value() const {
    const LRESULT state = SendMessageW(hwnd_, BM_GETCHECK, 0, 0);
    if (state == BST_CHECKED) return 1;
    if (state == BST_INDETERMINATE) return 2;
    return 0;
}

void Win32CheckBox::setValue(int value) {
    if (value < 0 || value > 2) throw invalidProperty();
    if (value == 2) {
        // Only a three-state box shows grayed.
        const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
        SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_AUTO3STATE);
    }
    SendMessageW(hwnd_, BM_SETCHECK, value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED, 0);
}

// The drive list.

Win32DriveList::Win32DriveList(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Win32Control(ws, d, hwnd) {
    refresh();
}

void Win32DriveList::applyBounds() {
    // The window includes the drop-down part; the bounds are the box.
    const RECT r = pixelRect();
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top + DropDownHeight, TRUE);
}

void Win32DriveList::refresh() {
    std::vector<wchar_t> letters;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) letters.push_back(static_cast<wchar_t>(L'A' + i));
    if (letters == letters_ && SendMessageW(hwnd_, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(letters.size())) return;
    letters_ = letters;
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (wchar_t letter : letters_) {
        // As the drive is reported: "c:".
        const wchar_t item[3] = {static_cast<wchar_t>(letter - L'A' + L'a'), L':', L'\0'};
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    selectCurrent();
}

void Win32DriveList::selectCurrent() {
    const auto it = std::find(letters_.begin(), letters_.end(), current_);
    SendMessageW(hwnd_, CB_SETCURSEL, it == letters_.end() ? static_cast<WPARAM>(-1) : it - letters_.begin(), 0);
}

Text Win32DriveList::drive() const {
    if (current_ == 0) return {};
    return Text{static_cast<char16_t>(current_ - L'A' + L'a'), u':'};
}

void Win32DriveList::setDrive(const Text& text) {
    wchar_t letter = 0;
    if (text.size() >= 2 && text[1] == u':') {
        const wchar_t c = static_cast<wchar_t>(text[0]);
        if (c >= L'a' && c <= L'z') letter = static_cast<wchar_t>(c - L'a' + L'A');
        if (c >= L'A' && c <= L'Z') letter = c;
    }
    if (letter != 0 && std::find(letters_.begin(), letters_.end(), letter) == letters_.end()) refresh();
    if (letter == 0 || std::find(letters_.begin(), letters_.end(), letter) == letters_.end())
        throw PlatformError(errors::DeviceUnavailable, fromUtf8("Device unavailable"));
    if (letter == current_) return;
    current_ = letter;
    selectCurrent();
    ws_.events().drDrive_Change();
}

void Win32DriveList::userSelect(int index) {
    if (index < 0 || index >= static_cast<int>(letters_.size())) return;
    const wchar_t letter = letters_[static_cast<std::size_t>(index)];
    if (letter == current_) return;
    current_ = letter;
    selectCurrent();
    ws_.deliver([this] { ws_.events().drDrive_Change(); });
}

void Win32DriveList::onCommand(int code) {
    if (ws_.building()) return;
    if (code == CBN_DROPDOWN) refresh();
    if (code == CBN_SELCHANGE) userSelect(static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
}

// The folder list: the current folder's ancestors from the root down, the
// folder itself, then its subfolders, each line indented by its depth.

Win32FolderList::Win32FolderList(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd)
    : Win32Control(ws, d, hwnd) {}

Text Win32FolderList::resolve(const Text& text) {
    if (text.empty()) throw PlatformError(errors::PathNotFound, fromUtf8("Path not found"));
    Text request = text;
    // A bare drive ("c:") stands for its root.
    if (request.size() == 2 && request[1] == u':') request.push_back(u'\\');
    std::replace(request.begin(), request.end(), u'/', u'\\');
    const std::wstring in(reinterpret_cast<const wchar_t*>(request.c_str()), request.size());
    DWORD size = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
    if (size == 0) throw PlatformError(errors::PathNotFound, fromUtf8("Path not found"));
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(in.c_str(), size, full.data(), nullptr);
    full.resize(size);
    Text path = fromWide(full.data(), full.size());
    // No separator at the end, except for a drive's root ("C:\").
    while (path.size() > 3 && path.back() == u'\\') path.pop_back();
    if (path.size() == 2 && path[1] == u':') path.push_back(u'\\');
    if (path.size() >= 2 && path[1] == u':' && path[0] >= u'a' && path[0] <= u'z')
        path[0] = static_cast<char16_t>(path[0] - u'a' + u'A');

    const std::wstring api = apiPath(path);
    const DWORD word = GetFileAttributesW(api.c_str());
    if (word == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_NOT_READY) throw PlatformError(errors::DeviceUnavailable, fromUtf8("Device unavailable"));
        throw PlatformError(errors::PathNotFound, fromUtf8("Path not found"));
    }
    if (!(word & FILE_ATTRIBUTE_DIRECTORY)) throw PlatformError(errors::PathNotFound, fromUtf8("Path not found"));
    return path;
}

void Win32FolderList::setPath(const Text& text) {
    const Text path = resolve(text);
    if (sameFolder(path, path_)) return;
    path_ = path;
    fill();
    ws_.events().drDir_Change();
}

void Win32FolderList::fill() {
    paths_.clear();
    std::vector<Text> lines;
    // The root: "C:\" or "\\server\share".
    std::size_t rootEnd = 0;
    if (path_.size() >= 3 && path_[1] == u':') {
        rootEnd = 3;
    } else if (path_.rfind(u"\\\\", 0) == 0) {
        const std::size_t server = path_.find(u'\\', 2);
        const std::size_t share = server == Text::npos ? Text::npos : path_.find(u'\\', server + 1);
        rootEnd = share == Text::npos ? path_.size() : share + 1;
    }
    Text root = path_.substr(0, rootEnd);
    if (root.empty()) root = path_;
    int depth = 0;
    paths_.push_back(root.size() > 3 && root.back() == u'\\' ? root.substr(0, root.size() - 1) : root);
    lines.push_back(paths_.back());
    std::size_t pos = rootEnd;
    while (pos < path_.size()) {
        std::size_t end = path_.find(u'\\', pos);
        if (end == Text::npos) end = path_.size();
        ++depth;
        paths_.push_back(path_.substr(0, end));
        lines.push_back(Text(static_cast<std::size_t>(depth) * 2, u' ') + path_.substr(pos, end - pos));
        pos = end + 1;
    }
    const int current = static_cast<int>(paths_.size()) - 1;

    // Subfolders that are not hidden, sorted as Explorer sorts names.
    std::vector<Text> subfolders;
    Text folder = path_;
    if (folder.back() != u'\\') folder.push_back(u'\\');
    const std::wstring pattern = apiPath(folder + u"*");
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchLimitToDirectories, nullptr, 0);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
            const Text name = fromWide(data.cFileName);
            if (name == u"." || name == u"..") continue;
            subfolders.push_back(name);
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    std::sort(subfolders.begin(), subfolders.end(), [](const Text& a, const Text& b) {
        return CompareStringOrdinal(wide(a), static_cast<int>(a.size()), wide(b), static_cast<int>(b.size()), TRUE) ==
               CSTR_LESS_THAN;
    });
    for (const Text& name : subfolders) {
        paths_.push_back(folder + name);
        lines.push_back(Text(static_cast<std::size_t>(depth + 1) * 2, u' ') + name);
    }

    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    for (const Text& line : lines) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(line)));
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32FolderList::userOpen(int index) {
    if (index < 0 || index >= static_cast<int>(paths_.size())) return;
    const Text target = paths_[static_cast<std::size_t>(index)];
    Text path;
    try {
        path = resolve(target);
    } catch (const PlatformError&) {
        // Gone since the list was filled: show what is there now.
        ws_.beep();
        fill();
        return;
    }
    if (sameFolder(path, path_)) return;
    path_ = path;
    fill();
    ws_.deliver([this] { ws_.events().drDir_Change(); });
}

void Win32FolderList::openSelected() { userOpen(static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0))); }

void Win32FolderList::onCommand(int code) {
    if (code == LBN_DBLCLK && !ws_.building()) openSelected();
}

// The scroll bar.

Win32ScrollBar::Win32ScrollBar(Win32WindowSystem& ws, const ControlDesign& d, HWND hwnd, const ScrollBarDesign& s)
    : Win32Control(ws, d, hwnd), value_(static_cast<std::int16_t>(d.initialValue)), s_(s) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
    si.nMin = s_.minimum;
    si.nMax = s_.maximum;
    si.nPage = 0;
    si.nPos = value_;
    SetScrollInfo(hwnd_, SB_CTL, &si, TRUE);
}

void Win32ScrollBar::show(int value) { SetScrollPos(hwnd_, SB_CTL, value, TRUE); }

void Win32ScrollBar::setValue(std::int16_t value) {
    if (value < s_.minimum || value > s_.maximum) throw invalidProperty();
    if (value == value_) return;
    value_ = value;
    show(value_);
    ws_.events().VSLevel_Change();
}

void Win32ScrollBar::onScroll(int code, int position) {
    auto stepTo = [&](int target) {
        target = std::clamp(target, s_.minimum, s_.maximum);
        if (target == value_) return;
        value_ = static_cast<std::int16_t>(target);
        show(value_);
        ws_.deliver([this] { ws_.events().VSLevel_Change(); });
    };
    // The range fits in the 16 bits that the message carries.
    auto trackPosition = [&] { return std::clamp(position, s_.minimum, s_.maximum); };
    switch (code) {
        case SB_LINEUP:
            stepTo(value_ - s_.smallChange);
            break;
        case SB_LINEDOWN:
            stepTo(value_ + s_.smallChange);
            break;
        case SB_PAGEUP:
            stepTo(value_ - s_.largeChange);
            break;
        case SB_PAGEDOWN:
            stepTo(value_ + s_.largeChange);
            break;
        case SB_TOP:
            stepTo(s_.minimum);
            break;
        case SB_BOTTOM:
            stepTo(s_.maximum);
            break;
        case SB_THUMBTRACK: {
            // The thumb is being dragged: Scroll, the value following it.
            if (!dragging_) {
                dragging_ = true;
                dragStart_ = value_;
            }
            value_ = static_cast<std::int16_t>(trackPosition());
            show(value_);
            ws_.deliver([this] { ws_.events().VSLevel_Scroll(); });
            break;
        }
        case SB_THUMBPOSITION: {
            // Released: the change is reported with the end of the scroll.
            if (!dragging_) {
                dragging_ = true;
                dragStart_ = value_;
            }
            value_ = static_cast<std::int16_t>(trackPosition());
            show(value_);
            break;
        }
        case SB_ENDSCROLL:
            if (dragging_) {
                dragging_ = false;
                if (value_ != dragStart_) ws_.deliver([this] { ws_.events().VSLevel_Change(); });
            }
            break;
        default:
            break;
    }
}

// The window.

Text Win32Form::caption() const { return windowText(hwnd_); }

void Win32Form::setCaption(const Text& caption) { SetWindowTextW(hwnd_, wide(caption)); }

int Win32Form::innerWidth() const {
    if (IsIconic(hwnd_)) return 0;
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.right - r.left;
}

int Win32Form::innerHeight() const {
    if (IsIconic(hwnd_)) return 0;
    RECT r;
    GetClientRect(hwnd_, &r);
    return r.bottom - r.top;
}

void Win32Form::show() {
    const bool first = !shown_;
    ShowWindow(hwnd_, showCommand_);
    UpdateWindow(hwnd_);
    if (!first) return;
    ws_.focusInitial();
    shown_ = true;
    lastWidth_ = innerWidth();
    lastHeight_ = innerHeight();
    ws_.events().Form_Resize();
}

// ----------------------------------------------------------- window system

Win32WindowSystem::Win32WindowSystem(int showCommand) : showCommand_(showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

Win32WindowSystem::~Win32WindowSystem() {
    if (main_ && IsWindow(main_)) {
        SetWindowLongPtrW(main_, GWLP_USERDATA, 0);
        DestroyWindow(main_);
    }
    if (font_ && ownFont_) DeleteObject(font_);
}

Win32Control& Win32WindowSystem::control(ControlId id) {
    auto it = controls_.find(id);
    if (it == controls_.end()) throw std::logic_error("no such control");
    return *it->second;
}

Win32Control* Win32WindowSystem::controlOf(HWND hwnd) {
    auto it = byHandle_.find(hwnd);
    return it == byHandle_.end() ? nullptr : it->second;
}

void Win32WindowSystem::focusInitial() {
    HWND target = savedFocus_ && IsWindow(savedFocus_) ? savedFocus_ : initialFocus_;
    if (target) SetFocus(target);
}

bool Win32WindowSystem::ownsWindow(HWND hwnd) const { return hwnd && main_ && (hwnd == main_ || IsChild(main_, hwnd)); }

MainWindow Win32WindowSystem::createMainWindow(const FormDesign& design, IFormEvents& events) {
    if (main_) throw std::logic_error("the main window exists already");
    events_ = &events;
    building_ = true;
    const HINSTANCE instance = GetModuleHandleW(nullptr);

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

    // The design gives the inner (client) size.
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT outer{0, 0, design.innerWidth, design.innerHeight};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    main_ = CreateWindowExW(0, MainClass, wide(design.caption), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (!main_) throwLastError();
    open_ = true;
    form_ = std::make_unique<Win32Form>(*this, main_, showCommand_);

    // The system's message font: what dialogs use, unlike the bold System
    // font that bare controls start with.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font_ = CreateFontIndirectW(&metrics.lfMessageFont);
        ownFont_ = font_ != nullptr;
    }
    if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    auto create = [&](const ControlDesign& d, HWND parent) -> HWND {
        const wchar_t* cls = L"";
        DWORD st = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD ex = 0;
        Text text;
        switch (d.kind) {
            case ControlKind::SingleLineText:
                cls = L"EDIT";
                st |= WS_TABSTOP | ES_AUTOHSCROLL;
                ex = WS_EX_CLIENTEDGE;
                text = d.caption;
                break;
            case ControlKind::MultiLineText:
                cls = L"EDIT";
                st |= WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN | WS_HSCROLL |
                      WS_VSCROLL;
                ex = WS_EX_CLIENTEDGE;
                text = d.caption;
                break;
            case ControlKind::PushButton:
                cls = L"BUTTON";
                st |= WS_TABSTOP | BS_PUSHBUTTON;
                text = d.caption;
                break;
            case ControlKind::CheckBox:
                cls = L"BUTTON";
                st |= WS_TABSTOP | BS_AUTOCHECKBOX;
                text = d.caption;
                break;
            case ControlKind::Frame:
                cls = L"BUTTON";
                st |= BS_GROUPBOX | WS_CLIPCHILDREN;
                ex = WS_EX_CONTROLPARENT;
                text = d.caption;
                break;
            case ControlKind::Label:
                cls = L"STATIC";
                st |= SS_LEFT | SS_NOPREFIX;
                text = d.caption;
                break;
            case ControlKind::DriveList:
                cls = L"COMBOBOX";
                st |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
                break;
            case ControlKind::FolderList:
                cls = L"LISTBOX";
                st |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
                ex = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::VerticalScrollBar:
                cls = L"SCROLLBAR";
                st |= WS_TABSTOP | SBS_VERT;
                break;
        }
        const double scale = d.inFrame ? 1.0 / TwipsPerPixel : 1.0;
        const int left = toPixels(d.left * scale), top = toPixels(d.top * scale);
        const int width = toPixels((d.left + d.width) * scale) - left;
        int height = toPixels((d.top + d.height) * scale) - top;
        if (d.kind == ControlKind::DriveList) height += DropDownHeight;
        HWND h = CreateWindowExW(ex, cls, wide(text), st, left, top, width, height, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstControlId + static_cast<int>(d.id))),
                                 instance, nullptr);
        if (!h) throwLastError();
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return h;
    };

    auto build = [&](const ControlDesign& d, HWND parent) {
        HWND h = create(d, parent);
        std::unique_ptr<Win32Control> c;
        switch (d.kind) {
            case ControlKind::SingleLineText:
            case ControlKind::MultiLineText: {
                auto box = std::make_unique<Win32TextBox>(*this, d, h);
                // No limit beyond memory: the listing can be long.
                if (d.kind == ControlKind::MultiLineText) {
                    SendMessageW(h, EM_SETLIMITTEXT, 0, 0);
                    result_ = box.get();
                }
                c = std::move(box);
                break;
            }
            case ControlKind::PushButton:
                c = std::make_unique<Win32Button>(*this, d, h);
                break;
            case ControlKind::CheckBox: {
                auto box = std::make_unique<Win32CheckBox>(*this, d, h);
                box->setValue(d.initialValue);
                c = std::move(box);
                break;
            }
            case ControlKind::Frame:
                frame_ = h;
                // A group box keeps its children's notifications to itself.
                SetWindowSubclass(h, frameProc, 1, reinterpret_cast<DWORD_PTR>(this));
                c = std::make_unique<Win32Frame>(*this, d, h);
                break;
            case ControlKind::Label:
                c = std::make_unique<Win32Label>(*this, d, h);
                break;
            case ControlKind::DriveList:
                c = std::make_unique<Win32DriveList>(*this, d, h);
                break;
            case ControlKind::FolderList:
                c = std::make_unique<Win32FolderList>(*this, d, h);
                break;
            case ControlKind::VerticalScrollBar:
                c = std::make_unique<Win32ScrollBar>(*this, d, h, design.scrollBar);
                break;
        }
        if (d.id == ControlId::txtLevel) SetWindowSubclass(h, levelBoxProc, 2, reinterpret_cast<DWORD_PTR>(this));
        byHandle_[h] = c.get();
        controls_[d.id] = std::move(c);
        return h;
    };

    // Front to back: each window goes in behind the one before it.
    auto stack = [](const std::vector<HWND>& frontToBack) {
        HWND after = HWND_TOP;
        for (HWND h : frontToBack) {
            SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = h;
        }
    };
    std::vector<HWND> windowOrder, frameOrder;
    // The frame first, so that its children have their parent.
    for (const auto& d : design.windowControls)
        if (d.kind == ControlKind::Frame) build(d, main_);
    for (const auto& d : design.windowControls)
        windowOrder.push_back(d.kind == ControlKind::Frame ? frame_ : build(d, main_));
    for (const auto& d : design.frameControls) frameOrder.push_back(build(d, frame_ ? frame_ : main_));
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

    auto* drive = dynamic_cast<Win32DriveList*>(&control(ControlId::drDrive));
    auto* folder = dynamic_cast<Win32FolderList*>(&control(ControlId::drDir));
    // Both start on the current folder, as a program started from a
    // shortcut or a console expects.
    std::wstring cwd(GetCurrentDirectoryW(0, nullptr), L'\0');
    cwd.resize(GetCurrentDirectoryW(static_cast<DWORD>(cwd.size()), cwd.data()));
    Text start = fromWide(cwd.data(), cwd.size());
    try {
        start = Win32FolderList::resolve(start);
    } catch (const PlatformError&) {
        start = u"C:\\";
    }
    // Quietly: nothing is wired to the events while the window is built.
    struct Quiet : IFormEvents {
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
    } quiet;
    events_ = &quiet;
    try {
        drive->setDrive(start);
    } catch (const PlatformError&) {
        if (!drive->letters().empty()) drive->userSelect(0);
    }
    try {
        folder->setPath(start);
    } catch (const PlatformError&) {
    }
    events_ = &events;
    building_ = false;

    MainWindow w;
    w.form = form_.get();
    w.txtPath = dynamic_cast<ITextBox*>(&control(ControlId::txtPath));
    w.frmSettings = dynamic_cast<IFrame*>(&control(ControlId::frmSettings));
    w.drDir = folder;
    w.drDrive = drive;
    w.lblPath = dynamic_cast<ILabel*>(&control(ControlId::lblPath));
    w.cmdSave = dynamic_cast<IButton*>(&control(ControlId::cmdSave));
    w.cmdDoIt = dynamic_cast<IButton*>(&control(ControlId::cmdDoIt));
    w.txtResult = dynamic_cast<ITextBox*>(&control(ControlId::txtResult));
    w.VSLevel = dynamic_cast<IScrollBar*>(&control(ControlId::VSLevel));
    w.txtLevel = dynamic_cast<ITextBox*>(&control(ControlId::txtLevel));
    w.ChNoPath = dynamic_cast<ICheckBox*>(&control(ControlId::ChNoPath));
    w.ChHidden = dynamic_cast<ICheckBox*>(&control(ControlId::ChHidden));
    w.ChFiles = dynamic_cast<ICheckBox*>(&control(ControlId::ChFiles));
    w.lblLevels = dynamic_cast<ILabel*>(&control(ControlId::lblLevels));
    return w;
}

void Win32WindowSystem::dispatchUserEvent(const std::function<void()>& f) { dispatchEvent(*this, f); }

void Win32WindowSystem::rethrowHeld() {
    if (held_) {
        std::exception_ptr e = held_;
        held_ = nullptr;
        std::rethrow_exception(e);
    }
}

void Win32WindowSystem::flushPendingOutput() {
    if (result_) result_->flush();
}

int Win32WindowSystem::doEvents() {
    rethrowHeld();
    const bool handedOver = result_ && result_->flush(false);
    const ULONGLONG started = handedOver ? GetTickCount64() : 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: leave it for the outermost loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!preTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        rethrowHeld();
    }
    // Redrawing the box after a hand-over is part of its cost.
    if (handedOver && result_) result_->addFlushCost(GetTickCount64() - started);
    return openWindows();
}

void Win32WindowSystem::run() {
    rethrowHeld();
    MSG msg;
    while (open_) {
        flushPendingOutput();
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        if (!preTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        rethrowHeld();
    }
}

void Win32WindowSystem::endProgram() {
    if (onEndProgram) onEndProgram();
    ExitProcess(0);
}

void Win32WindowSystem::messageBox(const Text& text, const Text& title, int style) {
    flushPendingOutput();
    if (onMessageBox) {
        onMessageBox(text, title, style);
        return;
    }
    MessageBoxW(main_ && IsWindow(main_) ? main_ : nullptr, wide(text), wide(title), static_cast<UINT>(style));
}

void Win32WindowSystem::beep() { MessageBeep(MB_OK); }

Win32Button* Win32WindowSystem::buttonForAccessKey(wchar_t key) {
    key = upper(key);
    for (auto& [id, c] : controls_) {
        auto* button = dynamic_cast<Win32Button*>(c.get());
        if (!button || !IsWindowEnabled(button->handle())) continue;
        const Text caption = button->caption();
        for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
            if (caption[i] != u'&') continue;
            if (caption[i + 1] == u'&') {
                ++i;
                continue;
            }
            if (upper(static_cast<wchar_t>(caption[i + 1])) == key) return button;
            break;
        }
    }
    return nullptr;
}

void Win32WindowSystem::moveFocus(bool backwards) {
    if (tabOrder_.empty()) return;
    HWND focus = GetFocus();
    // The focus may sit in a part of a control (the edit of a combo box).
    std::ptrdiff_t at = -1;
    for (HWND h = focus; h && h != main_; h = GetParent(h)) {
        const auto it = std::find(tabOrder_.begin(), tabOrder_.end(), h);
        if (it != tabOrder_.end()) {
            at = it - tabOrder_.begin();
            break;
        }
    }
    const auto n = static_cast<std::ptrdiff_t>(tabOrder_.size());
    for (std::ptrdiff_t step = 1; step <= n; ++step) {
        std::ptrdiff_t i = at < 0 ? (backwards ? n - step : step - 1) : (at + (backwards ? -step : step)) % n;
        if (i < 0) i += n;
        HWND h = tabOrder_[static_cast<std::size_t>(i)];
        if (!IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
        SetFocus(h);
        // As in a dialog: a text box reached by Tab has its text selected.
        Win32Control* c = controlOf(h);
        if (c && c->kind() == ControlKind::SingleLineText) SendMessageW(h, EM_SETSEL, 0, -1);
        return;
    }
}

bool Win32WindowSystem::preTranslate(MSG& msg) {
    if (!ownsWindow(msg.hwnd)) return false;
    if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) {
        const bool down = msg.message == WM_KEYDOWN;
        const auto key = static_cast<UINT>(msg.wParam);
        const bool isTab = msg.message == WM_CHAR ? key == L'\t' : key == VK_TAB;
        const bool isEnter = msg.message == WM_CHAR ? key == L'\r' : key == VK_RETURN;
        const bool isEscape = msg.message == WM_CHAR ? key == 0x1B : key == VK_ESCAPE;
        Win32Control* target = nullptr;
        for (HWND h = msg.hwnd; h && h != main_ && !target; h = GetParent(h)) target = controlOf(h);
        const bool inResult = target && target->kind() == ControlKind::MultiLineText;
        if (isTab && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
            if (down) moveFocus(GetKeyState(VK_SHIFT) < 0);
            return true;
        }
        if (isEnter || isEscape) {
            // A dropped-down drive list closes with them.
            if (target && target->kind() == ControlKind::DriveList &&
                SendMessageW(target->handle(), CB_GETDROPPEDSTATE, 0, 0))
                return false;
            if (isEnter && inResult) return false;  // a new line in the result box
            if (isEnter && down && target && target->kind() == ControlKind::FolderList) {
                dynamic_cast<Win32FolderList*>(target)->openSelected();
                rethrowHeld();
            }
            // Neither is the default or the cancel button: they press nothing.
            return true;
        }
        return false;
    }
    if (msg.message == WM_SYSKEYDOWN) {
        const auto key = static_cast<wchar_t>(msg.wParam);
        const bool alt = (msg.lParam & (1 << 29)) != 0;
        if (alt && ((key >= L'A' && key <= L'Z') || (key >= L'0' && key <= L'9'))) {
            if (Win32Button* button = buttonForAccessKey(key)) {
                button->click();
                rethrowHeld();
                return true;
            }
        }
        return false;
    }
    return false;
}

LRESULT CALLBACK Win32WindowSystem::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->handle(hwnd, msg, wParam, lParam);
}

bool Win32WindowSystem::routeControlMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && lParam) {
        if (Win32Control* c = controlOf(reinterpret_cast<HWND>(lParam))) {
            c->onCommand(HIWORD(wParam));
            return true;
        }
    }
    if (msg == WM_VSCROLL && lParam) {
        if (auto* bar = dynamic_cast<Win32ScrollBar*>(controlOf(reinterpret_cast<HWND>(lParam)))) {
            if (!building_) bar->onScroll(LOWORD(wParam), HIWORD(wParam));
            return true;
        }
    }
    return false;
}

LRESULT Win32WindowSystem::handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_COMMAND:
        case WM_VSCROLL:
            if (routeControlMessage(msg, wParam, lParam)) return 0;
            break;
        case WM_SIZE:
            if (form_ && form_->shown_ && open_) {
                const int w = form_->innerWidth(), h = form_->innerHeight();
                if (w != form_->lastWidth_ || h != form_->lastHeight_) {
                    form_->lastWidth_ = w;
                    form_->lastHeight_ = h;
                    deliver([this] { events_->Form_Resize(); });
                }
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (ownsWindow(focus) && focus != main_) savedFocus_ = focus;
            } else if (form_ && form_->shown_) {
                focusInitial();
            }
            return 0;
        case WM_SETFOCUS:
            if (form_ && form_->shown_) focusInitial();
            return 0;
        case WM_CLOSE: {
            if (building_) return 0;
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

LRESULT CALLBACK Win32WindowSystem::frameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
    auto* ws = reinterpret_cast<Win32WindowSystem*>(self);
    if ((msg == WM_COMMAND || msg == WM_VSCROLL) && ws->routeControlMessage(msg, wParam, lParam)) return 0;
    switch (msg) {
        case WM_ERASEBKGND: {
            // A group box paints only its border and caption; as a container it
            // must paint the ground its children stand on.
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            // The colours a window gives its controls by default (a button
            // window as parent would leave them unpainted).
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        default:
            break;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, frameProc, 1);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Win32WindowSystem::levelBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR self) {
    auto* ws = reinterpret_cast<Win32WindowSystem*>(self);
    if (msg == WM_KEYDOWN && !ws->building_) {
        // KeyDown comes before the box handles the key; a handler that
        // clears the code swallows the key.
        std::int16_t code = static_cast<std::int16_t>(wParam & 0xFFFF);
        const std::int16_t shift = shiftState();
        ws->deliver([&] { ws->events_->txtLevel_KeyDown(code, shift); });
        if (code == 0) return 0;
        wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(code));
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, levelBoxProc, 2);
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace malvorn::win32
