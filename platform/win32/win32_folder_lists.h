// SPDX-License-Identifier: MIT
// The drive list and the folder list, and the rule that turns a typed path
// into the folder they show.
#pragma once

#include <vector>

#include "platform/win32/win32_controls.h"

namespace malvorn::win32 {

class DriveList : public Control, public IDriveList {
public:
    DriveList(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text drive() const override;
    void setDrive(const Text& text) override;
    void onCommand(int code) override;
    // Reads the available drives again, keeping the current one selected.
    void refresh();
    const std::vector<wchar_t>& letters() const { return letters_; }
    // Chooses a drive as the user does; Change when it differs.
    void userSelect(int index);

    // The window includes the drop-down part; the bounds are the box.
    void applyBounds() override;
    // How much taller than the box the user sees the control's window is.
    static constexpr int DropDownHeight = 200;

private:
    void selectCurrent();
    std::vector<wchar_t> letters_;  // upper-case letters of the available drives
    wchar_t current_ = 0;
};

class FolderList : public Control, public IFolderList {
public:
    FolderList(WindowSystem& ws, const ControlDesign& d, HWND hwnd);
    Text path() const override { return path_; }
    void setPath(const Text& path) override;
    void onCommand(int code) override;
    // Opens the folder of a line, as a double-click or Enter does.
    void userOpen(int index);
    void openSelected();
    // The full path of each line, top to bottom.
    const std::vector<Text>& linePaths() const { return paths_; }

    // The folder a text names, in the form the list reports it, or a
    // PlatformError (76 路径未找到, 68 设备不可用).
    static Text resolve(const Text& text);

private:
    void fill();
    Text path_;
    std::vector<Text> paths_;
};

}  // namespace malvorn::win32
