// SPDX-License-Identifier: MIT
// The window object on the Qt window system, for the window tests: real
// widgets, an in-memory file system for listings, recorded messages.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless_memory_file_system.h"
#include "platform/headless/headless_services.h"
#include "platform/posix/posix_text_file.h"
#include "platform/qt/qt_listing_view.h"
#include "platform/qt/qt_save_dialog.h"
#include "platform/qt/qt_window_system.h"
#include "tests/support/memory_tree.h"
#include "tests/support/window_fixture.h"
#include "window/frmMain.h"
#include "window/frmMainDesign.h"

namespace malvorn::qttest {

inline Text T(const char* utf8) { return fromUtf8(utf8); }
inline std::string U(const Text& text) { return toUtf8(text); }

using malvorn::testing::addTree;
using malvorn::testing::exampleTree;
using malvorn::testing::Message;
using malvorn::testing::wideTree;

// The window takes what waits within a millisecond of the walk's pumps, not
// at every pump; an in-memory walk can end sooner than that. A test that
// queues a click or a close during a run makes each query from then on take
// this long, as on a slow disk, so the walk still runs when it is due.
inline void asOnASlowDisk() { std::this_thread::sleep_for(std::chrono::milliseconds(2)); }

struct QtHarness {
    qt::WindowSystem ws;
    headless::MemoryFileSystem fs{u'/'};
    qt::SaveDialog dialog;
    posix::TextFileSystem files;
    headless::ProcessStarter processes;
    Platform platform{ws, fs, dialog, files, processes};
    frmMain form{platform};
    std::vector<Message> messages;

    QtHarness() {
        malvorn::testing::recordMessagesAndEnd(ws.hooks, messages);
        fs.addRoot(Text());
    }

    QWidget* w(ControlId id) const { return ws.widget(id); }
    QLineEdit* lineEdit(ControlId id) const { return qobject_cast<QLineEdit*>(w(id)); }
    QPushButton* button(ControlId id) const { return qobject_cast<QPushButton*>(w(id)); }
    QScrollBar* scrollBar() const { return qobject_cast<QScrollBar*>(w(ControlId::VSLevel)); }
    qt::ListingView* resultView() const { return dynamic_cast<qt::ListingView*>(w(ControlId::txtResult)); }

    std::vector<std::string> lines() const { return malvorn::testing::resultLines(form); }
    void listFrom(const std::string& start) { malvorn::testing::putStart(form, start); }
};

// Events as they arrive, for the rules of the controls themselves.
struct Recorder : IFormEvents {
    std::map<std::string, int> calls;
    std::vector<std::pair<int, int>> keys;  // (key code, shift)
    std::int16_t cancelClose = 0;
    int clearKey = -1;  // a key code the KeyDown handler clears, as VB code may

    int count(const std::string& name) const {
        auto it = calls.find(name);
        return it == calls.end() ? 0 : it->second;
    }
    void Form_Load() override { ++calls["Form_Load"]; }
    void Form_Resize() override { ++calls["Form_Resize"]; }
    void Form_Unload(std::int16_t& Cancel) override {
        ++calls["Form_Unload"];
        Cancel = cancelClose;
    }
    void cmdDoIt_Click() override { ++calls["cmdDoIt_Click"]; }
    void cmdSave_Click() override { ++calls["cmdSave_Click"]; }
    void drDrive_Change() override { ++calls["drDrive_Change"]; }
    void drDir_Change() override { ++calls["drDir_Change"]; }
    void txtPath_Change() override { ++calls["txtPath_Change"]; }
    void txtLevel_Change() override { ++calls["txtLevel_Change"]; }
    void txtLevel_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) override {
        ++calls["txtLevel_KeyDown"];
        keys.emplace_back(KeyCode, Shift);
        if (KeyCode == clearKey) KeyCode = 0;
    }
    void VSLevel_Change() override { ++calls["VSLevel_Change"]; }
    void VSLevel_Scroll() override { ++calls["VSLevel_Scroll"]; }
};

struct RecordedWindow {
    qt::WindowSystem ws;
    Recorder events;
    MainWindow C = ws.createMainWindow(frmMainDesign(), events);
    QWidget* w(ControlId id) const { return ws.widget(id); }
    qt::ListingView* resultView() const { return dynamic_cast<qt::ListingView*>(w(ControlId::txtResult)); }
};

}  // namespace malvorn::qttest
