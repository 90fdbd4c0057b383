// SPDX-License-Identifier: MIT
// The Windows file system as the walk uses it: the mask rule, "." and "..",
// attributes and identities asked at the moment, long paths and names
// outside the code page.
#include <algorithm>
#include <functional>

#include "tests/support/enumeration.h"
#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

std::vector<Text> enumerate(FileSystem& fs, const Text& folder, std::int32_t mask) {
    std::vector<Text> names;
    for (Text n = firstName(fs, folder, mask); !n.empty(); n = nextName(fs)) names.push_back(n);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileSystem, MaskRule) {
    EXPECT_TRUE(passesMask(FILE_ATTRIBUTE_NORMAL, 0));
    EXPECT_TRUE(passesMask(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0));
    EXPECT_FALSE(passesMask(FILE_ATTRIBUTE_HIDDEN, 0));
    EXPECT_TRUE(passesMask(FILE_ATTRIBUTE_HIDDEN, 2));
    EXPECT_FALSE(passesMask(FILE_ATTRIBUTE_SYSTEM, 2 | 16));
    EXPECT_TRUE(passesMask(FILE_ATTRIBUTE_SYSTEM, 4));
    EXPECT_FALSE(passesMask(FILE_ATTRIBUTE_DIRECTORY, 2 | 4));
    EXPECT_TRUE(passesMask(FILE_ATTRIBUTE_DIRECTORY, 16));
    EXPECT_FALSE(passesMask(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, 16));
    EXPECT_TRUE(passesMask(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 2 | 4 | 16));
}

// Through the folder's handle, and with FindFirstFileExW as where a file
// system does not list through the handle: the same names.
TEST(FileSystem, EnumeratesWithTheMask) {
    ScratchFolder dir;
    dir.folder("d");
    dir.folder("dh", FILE_ATTRIBUTE_HIDDEN);
    dir.folder("ds", FILE_ATTRIBUTE_SYSTEM);
    dir.file("f");
    dir.file("fh", "", FILE_ATTRIBUTE_HIDDEN);
    dir.file("fs", "", FILE_ATTRIBUTE_SYSTEM);
    dir.file("fr", "", FILE_ATTRIBUTE_READONLY);
    for (const bool find : {false, true}) {
        SCOPED_TRACE(find ? "FindFirstFileExW" : "through the handle");
        FileSystem fs;
        fs.listWithFind = find;
        EXPECT_EQ(fs.separator(), u'\\');
        const Text folder = dir.path() + u"\\";
        using V = std::vector<Text>;
        EXPECT_EQ(enumerate(fs, folder, 0), (V{u"f", u"fr"}));
        EXPECT_EQ(enumerate(fs, folder, 16), (V{u".", u"..", u"d", u"f", u"fr"}));
        EXPECT_EQ(enumerate(fs, folder, 18), (V{u".", u"..", u"d", u"dh", u"f", u"fh", u"fr"}));
        EXPECT_EQ(enumerate(fs, folder, 2), (V{u"f", u"fh", u"fr"}));
        EXPECT_EQ(enumerate(fs, folder, 22), (V{u".", u"..", u"d", u"dh", u"ds", u"f", u"fh", u"fr", u"fs"}));
        // Starting again ends the enumeration under way.
        EXPECT_FALSE(firstName(fs, folder, 16).empty());
        EXPECT_EQ(enumerate(fs, folder, 0), (V{u"f", u"fr"}));
        EXPECT_TRUE(nextName(fs).empty());
        EXPECT_TRUE(nextName(fs).empty());
    }
}

TEST(FileSystem, EnumerationOfAMissingFolderFails) {
    ScratchFolder dir;
    FileSystem fs;
    try {
        firstName(fs, dir / "missing\\", 16);
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(e.description().empty());
    }
    // An empty folder still has "." and "..", which mask 0 filters away.
    dir.folder("empty");
    EXPECT_TRUE(firstName(fs, dir / "empty\\", 0).empty());
}

TEST(FileSystem, AttributesAndIdentities) {
    ScratchFolder dir;
    dir.folder("a", FILE_ATTRIBUTE_HIDDEN);
    dir.folder("b");
    dir.file("f", "abc", FILE_ATTRIBUTE_SYSTEM);
    FileSystem fs;
    const FileAttributes a = fs.attributes(dir / "a");
    EXPECT_EQ(a.word & (attr::Directory | attr::Hidden | attr::System), attr::Directory | attr::Hidden);
    ASSERT_TRUE(a.identity.known);
    const FileAttributes aAgain = fs.attributes(dir / "A");
    EXPECT_EQ(aAgain.identity, a.identity) << "the same folder, written otherwise";
    const FileAttributes b = fs.attributes(dir / "b");
    ASSERT_TRUE(b.identity.known);
    EXPECT_NE(b.identity, a.identity);
    // After a listing of the folder they are asked through its handle, and
    // they are the same as those asked by full path.
    EXPECT_EQ(fs.askedThroughFolder, 0u);
    enumerate(fs, dir.path() + u"\\", 16);
    EXPECT_EQ(fs.attributes(dir / "a").identity, a.identity);
    EXPECT_EQ(fs.attributes(dir / "b").identity, b.identity);
    const std::size_t asked = fs.askedThroughFolder;
    EXPECT_GE(asked, 2u);
    // Again, and from a subfolder: the chain keeps its folders.
    enumerate(fs, dir.path() + u"\\", 16);
    enumerate(fs, dir / "b\\", 16);
    EXPECT_EQ(fs.attributes(dir / "a").identity, a.identity);
    EXPECT_GT(fs.askedThroughFolder, asked);
    EXPECT_EQ(fs.attributes(dir / "a").word & attr::Hidden, attr::Hidden);
    const FileAttributes f = fs.attributes(dir / "f");
    EXPECT_EQ(f.word & (attr::Directory | attr::System), attr::System);
    try {
        fs.attributes(dir / "none");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_FILE_NOT_FOUND);
    }
}

// The identity the system documents (FILE_ID_INFO), and the file index
// that stands in where a volume does not give it: each tells a folder from
// another and knows it again when it is written otherwise.
TEST(FileSystem, BothIdentitiesTellFoldersApart) {
    ScratchFolder dir;
    dir.folder("a");
    dir.folder("b");
    auto open = [&](const char* name) {
        return CreateFileW(apiPath(dir / name).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    HANDLE a = open("a"), aAgain = open("A"), b = open("b");
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    ASSERT_NE(aAgain, INVALID_HANDLE_VALUE);
    ASSERT_NE(b, INVALID_HANDLE_VALUE);
    for (auto identity : {identityOf, identityByIndex}) {
        const FileIdentity ia = identity(a), ib = identity(b);
        EXPECT_TRUE(ia.known);
        EXPECT_TRUE(ib.known);
        EXPECT_EQ(identity(aAgain), ia);
        EXPECT_NE(ib, ia);
    }
    CloseHandle(a);
    CloseHandle(aAgain);
    CloseHandle(b);
}

// A name in a held folder is asked about in that folder, whatever the
// process's current folder holds under the same name.
TEST(FileSystem, ANameIsAskedAboutInItsFolderNotInTheCurrentOne) {
    ScratchFolder dir;
    dir.folder("walked");
    dir.folder("walked\\x");
    dir.file("walked\\f");
    dir.folder("current");
    dir.file("current\\x");
    dir.folder("current\\f");
    dir.file("current\\only");
    const CurrentFolder current(dir / "current");
    FileSystem fs;
    enumerate(fs, dir / "walked\\", 16);
    const std::size_t asked = fs.askedThroughFolder;
    EXPECT_EQ(fs.attributes(dir / "walked\\x").word & attr::Directory, attr::Directory);
    EXPECT_EQ(fs.attributes(dir / "walked\\f").word & attr::Directory, 0);
    EXPECT_TRUE(fs.attributesReadable(dir / "walked\\f"));
    EXPECT_FALSE(fs.attributesReadable(dir / "walked\\only"));
    EXPECT_GE(fs.askedThroughFolder, asked + 4) << "not asked through the held folder";
}

TEST(FileSystem, EveryAnswerIsTheDisksAtTheMomentOfTheQuestion) {
    ScratchFolder dir;
    dir.file("gone", "x");
    dir.file("turns", "x", FILE_ATTRIBUTE_HIDDEN);
    FileSystem fs;
    const Text folder = dir.path() + u"\\";
    // The folder is listed (and held open); then its entries change.
    ASSERT_EQ(enumerate(fs, folder, 18), (std::vector<Text>{u".", u"..", u"gone", u"turns"}));
    EXPECT_TRUE(fs.attributesReadable(dir / "gone"));
    EXPECT_EQ(fs.attributes(dir / "turns").word & (attr::Directory | attr::Hidden), attr::Hidden);
    ASSERT_TRUE(DeleteFileW(apiPath(dir / "gone").c_str()));
    ASSERT_TRUE(SetFileAttributesW(apiPath(dir / "turns").c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(DeleteFileW(apiPath(dir / "turns").c_str()));
    dir.folder("turns", FILE_ATTRIBUTE_SYSTEM);
    dir.file("turns\\inner", "x");

    EXPECT_FALSE(fs.attributesReadable(dir / "gone"));
    try {
        fs.attributes(dir / "gone");
        ADD_FAILURE() << "a deleted file still has attributes";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_FILE_NOT_FOUND);
    }
    const FileAttributes turns = fs.attributes(dir / "turns");
    EXPECT_EQ(turns.word & (attr::Directory | attr::Hidden | attr::System), attr::Directory | attr::System);
    ASSERT_TRUE(turns.identity.known);
    FileSystem fresh;
    EXPECT_EQ(turns.identity, fresh.attributes(dir / "turns").identity);
    // The walk goes in next: the folder it lists is the one it asked about.
    EXPECT_EQ(enumerate(fs, dir / "turns\\", 22), (std::vector<Text>{u".", u"..", u"inner"}));
    EXPECT_EQ(fs.attributes(dir / "turns\\inner").word & attr::Directory, 0);
    fs.runEnded();
    EXPECT_EQ(fs.attributes(dir / "turns").identity, turns.identity);
}

// Runs a function when its message is dispatched: in the walk's first event
// pump when posted before the click.
class PumpHook {
public:
    explicit PumpHook(std::function<void()> f) : f_(std::move(f)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            if (m == WM_APP) {
                (*reinterpret_cast<std::function<void()>*>(GetWindowLongPtrW(h, GWLP_USERDATA)))();
                return 0;
            }
            return DefWindowProcW(h, m, wp, lp);
        };
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MalvornTestPumpHook";
        RegisterClassW(&wc);  // already there from an earlier test: fine
        hwnd_ = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&f_));
    }
    ~PumpHook() { DestroyWindow(hwnd_); }
    PumpHook(const PumpHook&) = delete;
    PumpHook& operator=(const PumpHook&) = delete;
    void post() { PostMessageW(hwnd_, WM_APP, 0, 0); }

private:
    std::function<void()> f_;
    HWND hwnd_;
};

TEST(FileSystem, TheWalkSeesWhatChangedWhileItPumpedEvents) {
    ScratchFolder dir;
    dir.file("doomed.txt", "x");
    dir.file("kept.txt", "x");
    dir.file("turns", "x");
    {
        // The walk pumps at ".": the names after it are read, and asked
        // about after the pump.
        FileSystem fs;
        if (firstName(fs, dir.path() + u"\\", 16) != u".") GTEST_SKIP() << "\".\" is not listed first here";
    }
    Window win;
    win.form->C.txtPath->setText(dir.path());
    win.form->C.ChNoPath->setValue(0);
    win.form->C.ChFiles->setValue(1);
    win.form->C.txtLevel->setText(u"5");
    int changes = 0;
    PumpHook hook([&] {
        ++changes;
        DeleteFileW(apiPath(dir / "doomed.txt").c_str());
        DeleteFileW(apiPath(dir / "turns").c_str());
        dir.folder("turns");
        dir.file("turns\\inner.txt", "x");
    });
    hook.post();
    SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
    win.ws.rethrowHeld();
    EXPECT_EQ(changes, 1);
    std::vector<std::string> lines = win.resultLines();
    std::sort(lines.begin(), lines.end());
    const std::string base = toUtf8(dir.path());
    EXPECT_EQ(lines, (std::vector<std::string>{base + "\\kept.txt", base + "\\turns", base + "\\turns\\inner.txt"}));
}

TEST(FileSystem, LongPathsAreReachedThroughTheLongForm) {
    ScratchFolder dir;
    std::string relative;
    const std::string segment(40, 'x');
    for (int i = 0; i < 8; ++i) {
        relative += (i ? "\\" : "") + segment + std::to_string(i);
        dir.folder(relative);
    }
    dir.file(relative + "\\leaf.txt", "leaf");
    const Text deep = dir / relative;
    ASSERT_GT(deep.size(), 300u);
    FileSystem fs;
    const std::vector<Text> names = enumerate(fs, deep + u"\\", 0);
    EXPECT_EQ(names, std::vector<Text>{u"leaf.txt"});
    EXPECT_EQ(fs.attributes(deep).word & attr::Directory, attr::Directory);
    EXPECT_EQ(fs.attributes(deep + u"\\leaf.txt").word & attr::Directory, 0);
    EXPECT_EQ(apiPath(deep).substr(0, 4), L"\\\\?\\");
    EXPECT_EQ(apiPath(u"C:\\short"), L"C:\\short");
    const Text share = u"\\\\server\\share\\" + Text(260, u'x');
    EXPECT_EQ(apiPath(share), L"\\\\?\\UNC\\server\\share\\" + std::wstring(260, L'x'));
    // "/", "." and ".." are resolved before the long form is put in front.
    Text roundabout = deep + u"\\.\\..\\" + fromUtf8(segment + "7");
    std::replace(roundabout.begin() + 3, roundabout.end(), u'\\', u'/');
    EXPECT_EQ(apiPath(roundabout), L"\\\\?\\" + w(deep));
    EXPECT_EQ(fs.attributes(roundabout).word & attr::Directory, attr::Directory);

    // The whole walk through the window object shows ordinary paths.
    Window win;
    const std::vector<std::string> lines = win.listWithPaths(dir.path(), u"20", true);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines.back(), toUtf8(deep) + "\\leaf.txt");
}

TEST(FileSystem, AFolderMetAgainThroughALinkIsNotWalkedTwice) {
    ScratchFolder dir;
    dir.folder("sub");
    const std::wstring link = apiPath(dir / "sub\\back");
    if (!CreateSymbolicLinkW(link.c_str(), w(dir.path()).c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY | 2 /* unprivileged create */))
        GTEST_SKIP() << "no directory links here (error " << GetLastError() << ")";
    FileSystem fs;
    try {
        fs.attributes(dir / "sub\\back");
    } catch (const PlatformError& e) {
        GTEST_SKIP() << "a directory link made here does not lead anywhere (" << e.what() << ")";
    }
    EXPECT_EQ(fs.attributes(dir / "sub\\back").identity, fs.attributes(dir.path()).identity);
    Window win;
    const std::string base = toUtf8(dir.path());
    EXPECT_EQ(win.listWithPaths(dir.path(), u"10", false),
              (std::vector<std::string>{base + "\\sub", base + "\\sub\\back"}));
}

// Under Wine a Unix symbolic link is the link; scripts/ci-windows makes
// FOLDER/sub/back -> FOLDER and names FOLDER in MALVORN_LINK_FIXTURE.
TEST(FileSystem, AFolderMetAgainThroughAHostLinkIsNotWalkedTwice) {
    const wchar_t* fixture = _wgetenv(L"MALVORN_LINK_FIXTURE");
    if (!fixture || !*fixture) GTEST_SKIP() << "MALVORN_LINK_FIXTURE not set";
    const Text base = fromWide(fixture);
    FileSystem fs;
    EXPECT_EQ(fs.attributes(base + u"\\sub\\back").identity, fs.attributes(base).identity);
    Window win;
    const std::string b = toUtf8(base);
    EXPECT_EQ(win.listWithPaths(base, u"10", false), (std::vector<std::string>{b + "\\sub", b + "\\sub\\back"}));
}

TEST(FileSystem, NamesOutsideTheCodePageSurvive) {
    ScratchFolder dir;
    const std::string names[] = {"\xE4\xB8\xAD\xE6\x96\x87",  // 中文
                                 "\xE0\xA4\xB9\xE0\xA4\xBF",  // Devanagari
                                 "\xF0\x9F\x98\x80-smile",    // outside the BMP
                                 "\xC3\xA9t\xC3\xA9"};        // été
    for (const auto& n : names) dir.folder(n);
    FileSystem fs;
    std::vector<Text> expected;
    for (const auto& n : names) expected.push_back(fromUtf8(n));
    std::sort(expected.begin(), expected.end());
    std::vector<Text> got = enumerate(fs, dir.path() + u"\\", 16);
    got.erase(std::remove_if(got.begin(), got.end(), [](const Text& n) { return n == u"." || n == u".."; }), got.end());
    EXPECT_EQ(got, expected);
    for (const auto& n : names) EXPECT_NO_THROW(fs.attributes(dir / n)) << n;
}

// Names that Windows' path rules would alter (a trailing dot or blank) are
// listed, asked about and walked into as they are.
TEST(FileSystem, NamesWithTrailingDotsAndBlanksAreWalkedAsTheyAre) {
    ScratchFolder dir;
    auto literal = [&](const char* name) { return L"\\\\?\\" + w(dir / name); };
    ASSERT_TRUE(CreateDirectoryW(literal("d.").c_str(), nullptr)) << GetLastError();
    for (const char* file : {"d.\\f ", "e "})
        CloseHandle(CreateFileW(literal(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    Window win;
    std::vector<std::string> lines = win.listWithPaths(dir.path(), u"5", true);
    std::sort(lines.begin(), lines.end());
    const std::string b = toUtf8(dir.path());
    EXPECT_EQ(lines, (std::vector<std::string>{b + "\\d.", b + "\\d.\\f ", b + "\\e "}));
    for (const char* file : {"d.\\f ", "e "}) DeleteFileW(literal(file).c_str());  // the scratch folder's
    RemoveDirectoryW(literal("d.").c_str());  // removal takes names as the path rules make them
}

TEST(FileSystem, DriveRootHasNoDotEntries) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const Text root{static_cast<char16_t>(windows[0]), u':', u'\\'};
    for (const bool find : {false, true}) {
        SCOPED_TRACE(find ? "FindFirstFileExW" : "through the handle");
        FileSystem fs;
        fs.listWithFind = find;
        const std::vector<Text> names = enumerate(fs, root, 16);
        EXPECT_FALSE(names.empty());
        EXPECT_EQ(std::find(names.begin(), names.end(), u"."), names.end());
        EXPECT_EQ(std::find(names.begin(), names.end(), u".."), names.end());
    }
}

TEST(Win32Errors, EveryDescriptionIsChinese) {
    auto chinese = [](const Text& text) {
        return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; });
    };
    for (std::uint32_t code :
         std::initializer_list<std::uint32_t>{ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                                              ERROR_NOT_READY, ERROR_INVALID_NAME, ERROR_DISK_FULL, 0x12345u})
        EXPECT_TRUE(chinese(systemMessage(code))) << code << ": " << toUtf8(systemMessage(code));
    for (const char* bad : {"", "Z:\\no\\such\\folder-malvorn"}) {
        try {
            FolderList::resolve(u8(bad));
            ADD_FAILURE() << "no error for " << bad;
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 76);
            EXPECT_TRUE(chinese(e.description())) << toUtf8(e.description());
        }
    }
}

}  // namespace
}  // namespace malvorn::wintest
