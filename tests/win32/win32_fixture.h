// SPDX-License-Identifier: MIT
// What the backend tests share: the window object on the real Win32
// backend (with message boxes, the program end and process start caught),
// an event spy for the window system alone, and a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_folder_lists.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_save.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"
#include "window/frmMain.h"
#include "window/frmMainDesign.h"

namespace malvorn::wintest {

using namespace malvorn::win32;

struct MessageRecord {
    Text text, title;
    int style;
};

// Records the command lines instead of starting them (no browser opens).
class RecordingStarter : public IProcessStarter {
public:
    std::vector<Text> started;
    Text urlOpenCommand(const Text& url) const override { return real_.urlOpenCommand(url); }
    void startHidden(const Text& commandLine) override { started.push_back(commandLine); }

private:
    ProcessStarter real_;
};

// The real save dialog, its answers kept.
class RecordingSaveDialog : public ISaveDialog {
public:
    std::vector<SaveDialogResult> answers;
    SaveDialogResult show(IForm& owner, const SaveDialogRequest& request) override {
        answers.push_back(real_.show(owner, request));
        return answers.back();
    }

private:
    SaveDialog real_;
};

inline std::wstring w(const Text& t) { return std::wstring(reinterpret_cast<const wchar_t*>(t.c_str()), t.size()); }
inline Text t(const std::wstring& s) { return fromWide(s.c_str(), s.size()); }
inline Text u8(const char* s) { return fromUtf8(s); }

inline std::wstring windowText(HWND h) {
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
    return s;
}

inline std::wstring className(HWND h) {
    wchar_t buffer[64] = {};
    GetClassNameW(h, buffer, 64);
    return buffer;
}

// The rectangle of a window in its parent's client coordinates.
inline RECT rectInParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A scratch folder under the temporary folder, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const Text& path() const { return path_; }  // without a final separator
    Text operator/(const std::string& relativeUtf8) const { return path_ + u"\\" + fromUtf8(relativeUtf8); }
    void folder(const std::string& relative, DWORD attributes = 0) const;
    void file(const std::string& relative, const std::string& content = "", DWORD attributes = 0) const;

private:
    Text path_;
};

// Reads a whole file as bytes; empty when it cannot be read.
std::string readBytes(const Text& path);

// The process's current folder.
std::wstring currentFolder();

// Makes a folder the process's current one, and the one before current
// again when it goes.
class CurrentFolder {
public:
    explicit CurrentFolder(const Text& folder) : before_(currentFolder()) {
        EXPECT_TRUE(SetCurrentDirectoryW(wide(folder))) << "error " << GetLastError();
    }
    ~CurrentFolder() { SetCurrentDirectoryW(before_.c_str()); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::wstring before_;
};

// The window object on the Win32 backend.
struct Window {
    WindowSystem ws;
    FileSystem fs;
    RecordingSaveDialog dialog;
    TextFileSystem files;
    RecordingStarter processes;
    Platform platform{ws, fs, dialog, files, processes};
    std::vector<MessageRecord> messages;
    int ended = 0;
    std::unique_ptr<frmMain> form;

    Window() {
        ws.hooks.messageBox = [this](const Text& text, const Text& title, int style) {
            messages.push_back({text, title, style});
        };
        ws.hooks.endProgram = [this] {
            ++ended;
            throw ProgramEnded{};
        };
        form = std::make_unique<frmMain>(platform);
    }

    HWND hwnd(ControlId id) { return ws.control(id).handle(); }
    HWND main() { return ws.form().handle(); }
    void pump() {
        for (int i = 0; i < 3; ++i) ws.doEvents();
    }
    // Sets the folder, full paths, files or not and the depth, and presses
    // the start button as the user does; the lines it gave.
    std::vector<std::string> listWithPaths(const Text& folder, const char16_t* depth, bool withFiles) {
        form->C.txtPath->setText(folder);
        form->C.ChNoPath->setValue(0);
        form->C.ChFiles->setValue(withFiles ? 1 : 0);
        form->C.txtLevel->setText(depth);
        SendMessageW(hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
        ws.rethrowHeld();
        return resultLines();
    }
    std::vector<std::string> resultLines() {
        std::vector<std::string> out;
        const std::string text = toUtf8(form->C.txtResult->text());
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t end = text.find("\r\n", pos);
            if (end == std::string::npos) {
                out.push_back("<unterminated>" + text.substr(pos));
                break;
            }
            out.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return out;
    }
};

// Counts the events that reach the window object.
struct EventSpy : IFormEvents {
    std::map<std::string, int> count;
    std::vector<std::int16_t> keys;
    std::int16_t replaceKeyWith = -1;
    void Form_Load() override { ++count["Load"]; }
    void Form_Resize() override { ++count["Resize"]; }
    void Form_Unload(std::int16_t& cancel) override {
        ++count["Unload"];
        cancel = cancelUnload;
    }
    void cmdDoIt_Click() override { ++count["DoIt"]; }
    void cmdSave_Click() override { ++count["Save"]; }
    void drDrive_Change() override { ++count["Drive"]; }
    void drDir_Change() override { ++count["Dir"]; }
    void txtPath_Change() override { ++count["Path"]; }
    void txtLevel_Change() override { ++count["Level"]; }
    void txtLevel_KeyDown(std::int16_t& code, std::int16_t) override {
        keys.push_back(code);
        if (replaceKeyWith >= 0) code = replaceKeyWith;
    }
    void VSLevel_Change() override { ++count["VSChange"]; }
    void VSLevel_Scroll() override { ++count["VSScroll"]; }
    std::int16_t cancelUnload = 0;
};

// The window system alone, its events counted.
struct SpyWindow {
    WindowSystem ws;
    EventSpy spy;
    MainWindow c;
    SpyWindow() {
        ws.hooks.messageBox = [](const Text&, const Text&, int) {};
        ws.hooks.endProgram = [] { throw ProgramEnded{}; };
        c = ws.createMainWindow(frmMainDesign(), spy);
    }
};

}  // namespace malvorn::wintest
