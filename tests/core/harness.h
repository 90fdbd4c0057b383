// SPDX-License-Identifier: MIT
// The window object on the headless window system and an in-memory file
// system, as most core tests use it.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/headless/headless_memory_file_system.h"
#include "platform/headless/headless_services.h"
#include "platform/headless/headless_window_system.h"
#include "tests/support/memory_tree.h"
#include "tests/support/window_fixture.h"
#include "window/frmMain.h"

namespace malvorn::testing {

struct Harness {
    headless::WindowSystem ws;
    headless::MemoryFileSystem fs;
    headless::SaveDialog dialog;
    headless::TextFileSystem files;
    headless::ProcessStarter processes;
    Platform platform{ws, fs, dialog, files, processes};
    frmMain form{platform};

    headless::TextBox& result() { return ws.textBox(ControlId::txtResult); }
    headless::TextBox& path() { return ws.textBox(ControlId::txtPath); }
    headless::TextBox& level() { return ws.textBox(ControlId::txtLevel); }
    headless::Button& doIt() { return ws.button(ControlId::cmdDoIt); }
    headless::Button& save() { return ws.button(ControlId::cmdSave); }
    headless::CheckBox& chFiles() { return ws.checkBox(ControlId::ChFiles); }
    headless::CheckBox& chHidden() { return ws.checkBox(ControlId::ChHidden); }
    headless::CheckBox& chNoPath() { return ws.checkBox(ControlId::ChNoPath); }

    void prepare(const std::string& start, int levels, bool withFiles, bool withHidden, bool bareNames) {
        prepareRun(form, start, levels, withFiles, withHidden, bareNames);
    }
    std::vector<std::string> lines() const { return resultLines(form); }
};

// A test on the window as it stands after start-up, over a drive C: and
// nothing else.
struct StartedWindowTest : ::testing::Test {
    Harness h;
    void SetUp() override {
        h.fs.addRoot(u"C:");
        h.form.start();
    }
};

inline Text T(const char* utf8) { return fromUtf8(utf8); }

}  // namespace malvorn::testing
