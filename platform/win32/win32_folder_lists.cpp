// SPDX-License-Identifier: MIT
#include "platform/win32/win32_folder_lists.h"

#include <algorithm>

#include "platform/form_events.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"

namespace malvorn::win32 {

namespace {

bool sameFolder(const Text& a, const Text& b) {
    if (a.size() != b.size()) return false;
    return CompareStringOrdinal(wide(a), static_cast<int>(a.size()), wide(b), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

// The drive list.

DriveList::DriveList(WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Control(ws, d, hwnd) { refresh(); }

void DriveList::applyBounds() {
    const RECT r = pixelRect();
    MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top + DropDownHeight, TRUE);
}

void DriveList::refresh() {
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

void DriveList::selectCurrent() {
    const auto it = std::find(letters_.begin(), letters_.end(), current_);
    SendMessageW(hwnd_, CB_SETCURSEL, it == letters_.end() ? static_cast<WPARAM>(-1) : it - letters_.begin(), 0);
}

Text DriveList::drive() const {
    if (current_ == 0) return {};
    return Text{static_cast<char16_t>(current_ - L'A' + L'a'), u':'};
}

void DriveList::setDrive(const Text& text) {
    wchar_t letter = 0;
    if (text.size() >= 2 && text[1] == u':') {
        const wchar_t c = static_cast<wchar_t>(text[0]);
        if (c >= L'a' && c <= L'z') letter = static_cast<wchar_t>(c - L'a' + L'A');
        if (c >= L'A' && c <= L'Z') letter = c;
    }
    if (letter != 0 && std::find(letters_.begin(), letters_.end(), letter) == letters_.end()) refresh();
    if (letter == 0 || std::find(letters_.begin(), letters_.end(), letter) == letters_.end())
        throw PlatformError(errors::DeviceUnavailable);
    if (letter == current_) return;
    current_ = letter;
    selectCurrent();
    raiseEvent(ws_.events(), id_, ControlEvent::Change);
}

void DriveList::userSelect(int index) {
    if (index < 0 || index >= static_cast<int>(letters_.size())) return;
    const wchar_t letter = letters_[static_cast<std::size_t>(index)];
    if (letter == current_) return;
    current_ = letter;
    selectCurrent();
    ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Change); });
}

void DriveList::onCommand(int code) {
    if (ws_.building()) return;
    if (code == CBN_DROPDOWN) refresh();
    if (code == CBN_SELCHANGE) userSelect(static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
}

// The folder list: the current folder's ancestors from the root down, the
// folder itself, then its subfolders, each line indented by its depth.

FolderList::FolderList(WindowSystem& ws, const ControlDesign& d, HWND hwnd) : Control(ws, d, hwnd) {}

Text FolderList::resolve(const Text& text) {
    if (text.empty()) throw PlatformError(errors::PathNotFound);
    Text request = text;
    // A bare drive ("c:") stands for its root.
    if (request.size() == 2 && request[1] == u':') request.push_back(u'\\');
    std::replace(request.begin(), request.end(), u'/', u'\\');
    const std::wstring in(reinterpret_cast<const wchar_t*>(request.c_str()), request.size());
    DWORD size = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
    if (size == 0) throw PlatformError(errors::PathNotFound);
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
        if (code == ERROR_NOT_READY) throw PlatformError(errors::DeviceUnavailable);
        throw PlatformError(errors::PathNotFound);
    }
    if (!(word & FILE_ATTRIBUTE_DIRECTORY)) throw PlatformError(errors::PathNotFound);
    return path;
}

void FolderList::setPath(const Text& text) {
    const Text path = resolve(text);
    if (sameFolder(path, path_)) return;
    path_ = path;
    fill();
    raiseEvent(ws_.events(), id_, ControlEvent::Change);
}

void FolderList::fill() {
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

void FolderList::userOpen(int index) {
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
    ws_.deliver([this] { raiseEvent(ws_.events(), id_, ControlEvent::Change); });
}

void FolderList::openSelected() { userOpen(static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0))); }

void FolderList::onCommand(int code) {
    if (code == LBN_DBLCLK && !ws_.building()) openSelected();
}
}  // namespace malvorn::win32
