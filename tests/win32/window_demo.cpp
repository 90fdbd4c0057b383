// The window program with a listing already under way, for pictures and
// timings: lists FOLDER to DEPTH levels (default 2), as a user would by
// typing the folder into the path box and pressing the start button.
//
//   malvorn_window_demo [--files] [--paths] [--seconds N] FOLDER [DEPTH]
//
// --files and --paths tick "list files" and clear "bare names". With
// --seconds the program ends by itself that long after start-up (for a
// screenshot); without, it ends as soon as the listing is done and prints
// the number of lines and the time the listing took (for a benchmark).
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_save.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_window_system.h"
#include "window/frmMain.h"

namespace {

// The window closes without starting the browser.
class NoProcesses : public malvorn::IProcessStarter {
public:
    malvorn::Text urlOpenCommand(const malvorn::Text& url) const override { return url; }
    void startHidden(const malvorn::Text&) override {}
};

void CALLBACK timeUp(HWND, UINT, UINT_PTR, DWORD) { ExitProcess(0); }

}  // namespace

int main() {
    using namespace malvorn;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool withFiles = false, fullPaths = false;
    int seconds = 0;
    int i = 1;
    for (; i < argc && argv[i][0] == L'-'; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--files")
            withFiles = true;
        else if (option == L"--paths")
            fullPaths = true;
        else if (option == L"--seconds" && i + 1 < argc)
            seconds = _wtoi(argv[++i]);
        else
            break;
    }
    if (i >= argc) {
        std::fprintf(stderr, "usage: malvorn_window_demo [--files] [--paths] [--seconds N] FOLDER [DEPTH]\n");
        return 2;
    }
    const Text folder = win32::fromWide(argv[i]);
    const Text depth = i + 1 < argc ? win32::fromWide(argv[i + 1]) : Text(u"2");

    win32::Win32WindowSystem windows;
    win32::Win32FileSystem files;
    win32::Win32SaveDialog saveDialog;
    win32::Win32TextFileSystem textFiles;
    NoProcesses processes;
    Platform platform{windows, files, saveDialog, textFiles, processes};
    frmMain form(platform);
    form.start();
    form.C.ChFiles->setValue(withFiles ? 1 : 0);
    form.C.ChNoPath->setValue(fullPaths ? 0 : 1);
    // The depth first: a path box that names the folder already shown
    // leaves the next change of the depth box to be swallowed.
    form.C.txtLevel->setText(depth);
    form.C.txtPath->setText(folder);
    windows.doEvents();
    if (seconds > 0) {
        SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000u, timeUp);
        PostMessageW(windows.control(ControlId::cmdDoIt).handle(), BM_CLICK, 0, 0);
        windows.run();
        return 0;
    }
    const auto started = std::chrono::steady_clock::now();
    SendMessageW(windows.control(ControlId::cmdDoIt).handle(), BM_CLICK, 0, 0);
    const Text text = form.C.txtResult->text();  // everything handed to the box
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::size_t lines = 0;
    for (std::size_t k = 0; k + 1 < text.size(); ++k)
        if (text[k] == u'\r' && text[k + 1] == u'\n') ++lines;
    std::printf("lines %zu seconds %.3f\n", lines, elapsed);
    std::fflush(stdout);
    ExitProcess(0);
}
