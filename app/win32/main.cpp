// The Windows program: the window object on the Win32 backend.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_save.h"
#include "platform/win32/win32_window_system.h"
#include "window/frmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace malvorn;
    win32::Win32WindowSystem windows(showCommand);
    win32::Win32FileSystem files;
    win32::Win32SaveDialog saveDialog;
    win32::Win32TextFileSystem textFiles;
    win32::Win32ProcessStarter processes;
    Platform platform{windows, files, saveDialog, textFiles, processes};
    frmMain form(platform);
    form.start();
    windows.run();
    return 0;
}
