// SPDX-License-Identifier: MIT
// The Windows program: the window object on the Win32 backend.
#include <windows.h>

#include <exception>

#include "platform/platform.h"
#include "platform/shared/dispatch.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_save.h"
#include "platform/win32/win32_window_system.h"
#include "window/frmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    // Before anything touches a drive: a drive that is not ready (an empty
    // card reader, a drive without its disc) is then a failure that the
    // program reports as its own error, not a box of the system's asking
    // to insert a disk. Whatever else the starting program asked for stays.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS);
    using namespace malvorn;
    win32::WindowSystem windows(showCommand);
    win32::FileSystem files;
    win32::SaveDialog saveDialog;
    win32::TextFileSystem textFiles;
    win32::ProcessStarter processes;
    Platform platform{windows, files, saveDialog, textFiles, processes};
    // A window that cannot be made (no display, a class that will not
    // register) is reported as any unhandled failure is, in a message box:
    // a program started from Explorer has no console to write to.
    try {
        frmMain form(platform);
        form.start();
        windows.run();
    } catch (const std::exception& e) {
        reportUnhandledAndEnd(windows, e);
    }
    return 0;
}
