// SPDX-License-Identifier: MIT
// Closing the window, the program end during a listing, and the hidden
// process start.
#include <algorithm>
#include <optional>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

TEST(Win32Close, ClosingStartsTheBrowserCommandAndEndsTheLoop) {
    Window win;
    win.form->start();
    win.pump();
    EXPECT_EQ(win.ws.doEvents(), 1);
    // A quit request in a pump is the outermost loop's: the pump leaves it
    // there and reports the window still open, so a walk goes on.
    PostQuitMessage(3);
    EXPECT_EQ(win.ws.doEvents(), 1);
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
    PostMessageW(win.main(), WM_CLOSE, 0, 0);
    EXPECT_EQ(win.ws.doEvents(), 0);
    ASSERT_EQ(win.processes.started.size(), 1u);
    EXPECT_EQ(win.processes.started[0], u8("cmd /c start https://malvorn.example/"));
    EXPECT_FALSE(IsWindow(win.main()));
    win.ws.run();  // returns at once: the window is gone
}

TEST(Win32Close, ClosingDuringAListingEndsTheProgram) {
    ScratchFolder dir;
    for (int i = 0; i < 5; ++i) dir.folder("f" + std::to_string(i));
    Window win;
    win.form->start();
    win.pump();
    win.form->C.txtPath->setText(dir.path());
    PostMessageW(win.main(), WM_CLOSE, 0, 0);
    EXPECT_THROW(
        {
            SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
            win.ws.rethrowHeld();
        },
        ProgramEnded);
    EXPECT_EQ(win.ended, 1);
    EXPECT_EQ(win.processes.started.size(), 1u);
}

std::wstring systemFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

// The folder this test program is in.
std::wstring programFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L'\\'));
}

// The stand-in of planted_cmd.cpp copied as cmd.exe into a folder, where it
// leaves planted-cmd-ran.txt if it runs; both are removed afterwards.
class PlantedCmd {
public:
    explicit PlantedCmd(const std::wstring& folder)
        : program_(folder + L"\\cmd.exe"), mark_(folder + L"\\planted-cmd-ran.txt") {
        DeleteFileW(mark_.c_str());
        planted_ = CopyFileW((programFolder() + L"\\malvorn_planted_cmd.exe").c_str(), program_.c_str(), FALSE);
        EXPECT_TRUE(planted_) << "cannot plant " << toUtf8(t(program_)) << ": error " << GetLastError();
    }
    ~PlantedCmd() {
        if (planted_) DeleteFileW(program_.c_str());
        DeleteFileW(mark_.c_str());
    }
    PlantedCmd(const PlantedCmd&) = delete;
    PlantedCmd& operator=(const PlantedCmd&) = delete;
    bool ran() const { return GetFileAttributesW(mark_.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    std::wstring program_, mark_;
    bool planted_ = false;
};

TEST(Win32Process, TheSystemsCmdRunsInTheSystemFolderNotOnePlantedNearby) {
    EXPECT_EQ(ProcessStarter::programOf(u"cmd /c start https://x.example/"), systemFolder() + L"\\cmd.exe");
    ScratchFolder dir;
    dir.folder("current");
    const CurrentFolder current(dir / "current");
    // The program's folder is searched first: a cmd.exe there would hide
    // one in the current folder, so that one is also tried alone.
    for (const bool besideTheProgram : {false, true}) {
        PlantedCmd inCurrentFolder(w(dir / "current"));
        std::optional<PlantedCmd> besideProgram;
        if (besideTheProgram) besideProgram.emplace(programFolder());
        auto plantedRan = [&] { return inCurrentFolder.ran() || (besideProgram && besideProgram->ran()); };
        // The command writes its current folder into a file; whichever
        // program runs leaves a file, and the test waits for one of them.
        const Text mark = dir / "current-folder.txt";
        DeleteFileW(wide(mark));
        ProcessStarter().startHidden(u"cmd /c cd>\"" + mark + u"\"");
        std::string written;
        for (int i = 0; i < 400 && !plantedRan(); ++i) {
            written = readBytes(mark);
            if (written.size() > 2 && written.substr(written.size() - 2) == "\r\n") break;
            Sleep(50);
        }
        EXPECT_FALSE(inCurrentFolder.ran()) << "the cmd.exe in the current folder ran";
        if (besideProgram) EXPECT_FALSE(besideProgram->ran()) << "the cmd.exe beside the program ran";
        EXPECT_EQ(written, toAnsi(t(systemFolder())) + "\r\n");
    }
}

TEST(Win32Process, AProgramThatCannotStartIsAFailure) {
    ProcessStarter starter;
    try {
        starter.startHidden(u"Z:\\no\\such\\program-malvorn.exe");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_NE(e.number(), 0);
        EXPECT_FALSE(e.description().empty());
    }
}

}  // namespace
}  // namespace malvorn::wintest
