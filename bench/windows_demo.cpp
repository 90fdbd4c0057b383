// SPDX-License-Identifier: MIT
// The window program with a listing already under way, for pictures and
// timings: lists FOLDER to DEPTH levels (default 2), as a user would by
// typing the folder into the path box and pressing the start button.
//
//   malvorn-windows-demo [--files] [--paths] [--seconds N] [--no-window] [--stop-after MS] [--save FILE]
//                        FOLDER [DEPTH]
//
// --files and --paths tick "list files" and clear "bare names". With
// --seconds the program ends by itself that long after start-up (for a
// screenshot); without, it ends as soon as the listing is done and prints
// the number of lines, the time the listing took, the time per 1,000 lines
// over its first and its last tenth, and the peak memory before and after
// the whole text is read back (for a benchmark). --no-window runs the same
// walk over the real file system with the headless window system: the
// walk's own cost, for comparison.
// --stop-after clicks the stop button with the real mouse (SendInput: it
// needs a display) that many milliseconds into the listing, and prints the
// time from the click to the end of the run, to the last line in the box,
// and whether the click started a new run.
// --save saves the listing to FILE through the save button's code once it
// is done (the dialog answered with FILE) and prints the peak working set
// before and after the save instead of the report.
#include <windows.h>
// After windows.h, which they need.
#include <psapi.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/headless/headless_window_system.h"
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

// The save dialog, or with --save the file named, as a person would
// choose it.
class SaveDialogOrFile : public malvorn::ISaveDialog {
public:
    malvorn::Text chosen;
    malvorn::SaveDialogResult show(malvorn::IForm& owner, const malvorn::SaveDialogRequest& request) override {
        if (chosen.empty()) return dialog_.show(owner, request);
        return {true, chosen, 0};
    }

private:
    malvorn::win32::SaveDialog dialog_;
};

// What both runs list with besides their window system: the real file
// system and save, and no process start.
struct DemoServices {
    malvorn::win32::FileSystem files;
    SaveDialogOrFile saveDialog;
    malvorn::win32::TextFileSystem textFiles;
    NoProcesses processes;
    malvorn::Platform with(malvorn::IWindowSystem& windows) {
        return malvorn::Platform{windows, files, saveDialog, textFiles, processes};
    }
};

void CALLBACK timeUp(HWND, UINT, UINT_PTR, DWORD) { ExitProcess(0); }

double peakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / 1e6;
}

using Clock = std::chrono::steady_clock;

// The moment each 1,000th line came in, taken from the result box's own
// replaceSelection: how the cost of a line changes as the box fills.
struct LineClock {
    std::vector<Clock::time_point> marks;
    std::size_t lines = 0;
    void line() {
        if (++lines % 1000 == 0) marks.push_back(Clock::now());
    }
    // Milliseconds per 1,000 lines over the first and the last tenth.
    std::pair<double, double> startAndEnd() const {
        const std::size_t n = marks.size(), tenth = n / 10;
        if (tenth == 0) return {0, 0};
        auto ms = [&](std::size_t a, std::size_t b) {
            return std::chrono::duration<double, std::milli>(marks[b] - marks[a]).count() / static_cast<double>(b - a);
        };
        return {ms(0, tenth), ms(n - 1 - tenth, n - 1)};
    }
};

// One line for the benchmark script: the listing's lines and UTF-16 size,
// its time, the time per 1,000 lines early and late, and the peak memory
// before and after the whole text has been read back.
void report(const malvorn::Text& text, double seconds, const LineClock& clock, double peakListing) {
    std::size_t lines = 0;
    for (std::size_t k = 0; k + 1 < text.size(); ++k)
        if (text[k] == u'\r' && text[k + 1] == u'\n') ++lines;
    const auto [first, last] = clock.startAndEnd();
    std::printf(
        "lines %zu seconds %.3f utf16_mb %.1f ms_per_1000_first %.2f ms_per_1000_last %.2f peak_mb %.1f "
        "peak_read_mb %.1f\n",
        lines, seconds, static_cast<double>(text.size()) * 2 / 1e6, first, last, peakListing, peakMegabytes());
    std::fflush(stdout);
}

// The result box as the window object sees it, with a clock on every line.
class TimedBox : public malvorn::ITextBox {
public:
    TimedBox(malvorn::ITextBox& box, LineClock& clock) : box_(box), clock_(clock) {}
    malvorn::Text text() const override { return box_.text(); }
    void readText(const std::function<void(malvorn::TextView)>& piece) const override { box_.readText(piece); }
    void setText(const malvorn::Text& text) override { box_.setText(text); }
    void replaceSelection(const malvorn::Text& text) override {
        box_.replaceSelection(text);
        clock_.line();
    }
    malvorn::Bounds bounds() const override { return box_.bounds(); }
    void move(float left, float top, float width, float height) override { box_.move(left, top, width, height); }
    void setWidth(float width) override { box_.setWidth(width); }
    void setHeight(float height) override { box_.setHeight(height); }

private:
    malvorn::ITextBox& box_;
    LineClock& clock_;
};

// The walk alone: the real file system, the headless window system.
int walkWithoutWindow(const malvorn::Text& folder, const malvorn::Text& depth, bool withFiles, bool fullPaths) {
    using namespace malvorn;
    LineClock clock;
    headless::WindowSystem windows;
    windows.hooks.messageBox = [](const Text& text, const Text& title, int) {
        std::fprintf(stderr, "%s: %s\n", toUtf8(title).c_str(), toUtf8(text).c_str());
    };
    DemoServices services;
    Platform platform = services.with(windows);
    frmMain form(platform);
    windows.driveList().setUp({folder.substr(0, 2)}, folder.substr(0, 2));
    windows.folderList().setUp(folder);
    form.start();
    windows.checkBox(ControlId::ChFiles).setValue(withFiles ? 1 : 0);
    windows.checkBox(ControlId::ChNoPath).setValue(fullPaths ? 0 : 1);
    windows.textBox(ControlId::txtLevel).userType(depth);
    windows.textBox(ControlId::txtPath).userType(folder);
    TimedBox timed(*form.C.txtResult, clock);
    form.C.txtResult = &timed;
    const auto started = Clock::now();
    windows.button(ControlId::cmdDoIt).click();
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const double peakListing = peakMegabytes();
    report(form.C.txtResult->text(), elapsed, clock, peakListing);
    return 0;
}

}  // namespace

int main() {
    using namespace malvorn;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool withFiles = false, fullPaths = false, noWindow = false;
    int seconds = 0;
    int stopAfter = -1;
    Text saveTo;
    int i = 1;
    for (; i < argc && argv[i][0] == L'-'; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--files")
            withFiles = true;
        else if (option == L"--paths")
            fullPaths = true;
        else if (option == L"--no-window")
            noWindow = true;
        else if (option == L"--seconds" && i + 1 < argc)
            seconds = _wtoi(argv[++i]);
        else if (option == L"--stop-after" && i + 1 < argc)
            stopAfter = _wtoi(argv[++i]);
        else if (option == L"--save" && i + 1 < argc)
            saveTo = win32::fromWide(argv[++i]);
        else
            break;
    }
    if (i >= argc) {
        std::fprintf(stderr,
                     "usage: malvorn-windows-demo [--files] [--paths] [--seconds N] [--no-window] FOLDER [DEPTH]\n");
        return 2;
    }
    const Text folder = win32::fromWide(argv[i]);
    const Text depth = i + 1 < argc ? win32::fromWide(argv[i + 1]) : Text(u"2");
    if (noWindow) {
        walkWithoutWindow(folder, depth, withFiles, fullPaths);
        ExitProcess(0);
    }

    win32::WindowSystem windows;
    DemoServices services;
    Platform platform = services.with(windows);
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
    if (stopAfter >= 0) {
        // Pressed and released as a hand does it, in the middle of the button.
        HWND button = windows.control(ControlId::cmdDoIt).handle();
        RECT r;
        GetWindowRect(button, &r);
        SetForegroundWindow(windows.form().handle());
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        std::atomic<Clock::rep> clicked{0};
        std::thread clicker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(stopAfter));
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            clicked = Clock::now().time_since_epoch().count();
            SendInput(1, &in[0], sizeof(INPUT));
            std::this_thread::sleep_for(std::chrono::milliseconds(80));
            SendInput(1, &in[1], sizeof(INPUT));
        });
        SendMessageW(button, BM_CLICK, 0, 0);
        const auto ended = Clock::now();
        clicker.join();
        const std::size_t chars = form.C.txtResult->text().size();
        const auto shown = Clock::now();
        // A click that started a new run would run it inside these pumps.
        const auto settle = Clock::now();
        while (Clock::now() - settle < std::chrono::seconds(2)) {
            windows.doEvents();
            Sleep(10);
        }
        const bool restarted =
            Clock::now() - settle > std::chrono::seconds(3) || form.C.txtResult->text().size() != chars;
        const Clock::time_point at{Clock::duration{clicked.load()}};
        auto ms = [&](Clock::time_point t) { return std::chrono::duration<double, std::milli>(t - at).count(); };
        std::printf("click-to-idle-ms %.0f click-to-all-shown-ms %.0f restarted %s chars %zu\n", ms(ended), ms(shown),
                    restarted ? "yes" : "no", chars);
        std::fflush(stdout);
        ExitProcess(0);
    }
    LineClock clock;
    TimedBox timed(*form.C.txtResult, clock);
    form.C.txtResult = &timed;
    const auto started = Clock::now();
    SendMessageW(windows.control(ControlId::cmdDoIt).handle(), BM_CLICK, 0, 0);
    windows.doEvents();  // what the last lines brought: the frame they are drawn in
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const double peakListing = peakMegabytes();
    if (!saveTo.empty()) {
        services.saveDialog.chosen = saveTo;
        form.cmdSave_Click();
        std::printf("lines %zu save_caption %s peak_before_save_mb %.1f peak_after_save_mb %.1f\n", clock.lines,
                    toUtf8(form.C.form->caption()).c_str(), peakListing, peakMegabytes());
        std::fflush(stdout);
        ExitProcess(0);
    }
    report(form.C.txtResult->text(), elapsed, clock, peakListing);  // read whole, as a save reads it
    ExitProcess(0);
}
