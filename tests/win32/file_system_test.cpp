// SPDX-License-Identifier: MIT
// The Windows file system as the walk uses it: the mask rule, "." and "..",
// attributes and identities, long paths and names outside the code page.
#include <algorithm>

#include "win32_fixture.h"

namespace malvorn::wintest {
namespace {

std::vector<Text> enumerate(FileSystem& fs, const Text& folder, std::int32_t mask) {
    std::vector<Text> names;
    for (Text n = fs.startEnumeration(folder, mask); !n.empty(); n = fs.nextName()) names.push_back(n);
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

TEST(FileSystem, EnumeratesWithTheMask) {
    ScratchFolder dir;
    dir.folder("d");
    dir.folder("dh", FILE_ATTRIBUTE_HIDDEN);
    dir.folder("ds", FILE_ATTRIBUTE_SYSTEM);
    dir.file("f");
    dir.file("fh", "", FILE_ATTRIBUTE_HIDDEN);
    dir.file("fs", "", FILE_ATTRIBUTE_SYSTEM);
    dir.file("fr", "", FILE_ATTRIBUTE_READONLY);
    FileSystem fs;
    EXPECT_EQ(fs.separator(), u'\\');
    const Text folder = dir.path() + u"\\";
    using V = std::vector<Text>;
    EXPECT_EQ(enumerate(fs, folder, 0), (V{u"f", u"fr"}));
    EXPECT_EQ(enumerate(fs, folder, 16), (V{u".", u"..", u"d", u"f", u"fr"}));
    EXPECT_EQ(enumerate(fs, folder, 18), (V{u".", u"..", u"d", u"dh", u"f", u"fh", u"fr"}));
    EXPECT_EQ(enumerate(fs, folder, 2), (V{u"f", u"fh", u"fr"}));
    EXPECT_EQ(enumerate(fs, folder, 22), (V{u".", u"..", u"d", u"dh", u"ds", u"f", u"fh", u"fr", u"fs"}));
    // Starting again ends the enumeration under way.
    EXPECT_FALSE(fs.startEnumeration(folder, 16).empty());
    EXPECT_EQ(enumerate(fs, folder, 0), (V{u"f", u"fr"}));
    EXPECT_TRUE(fs.nextName().empty());
    EXPECT_TRUE(fs.nextName().empty());
}

TEST(FileSystem, EnumerationOfAMissingFolderFails) {
    ScratchFolder dir;
    FileSystem fs;
    try {
        fs.startEnumeration(dir / "missing\\", 16);
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_PATH_NOT_FOUND);
        EXPECT_FALSE(e.description().empty());
    }
    // An empty folder still has "." and "..", which mask 0 filters away.
    dir.folder("empty");
    EXPECT_TRUE(fs.startEnumeration(dir / "empty\\", 0).empty());
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
    // After a listing of the folder the ids come from the listing, and
    // they are the same as those the folders give when opened.
    EXPECT_EQ(fs.answeredFromListing, 0u);
    enumerate(fs, dir.path() + u"\\", 16);
    EXPECT_EQ(fs.attributes(dir / "a").identity, a.identity);
    EXPECT_EQ(fs.attributes(dir / "b").identity, b.identity);
    EXPECT_EQ(fs.answeredFromListing, 2u);
    // Again, and from a subfolder: the chain keeps its folders.
    enumerate(fs, dir.path() + u"\\", 16);
    enumerate(fs, dir / "b\\", 16);
    EXPECT_EQ(fs.attributes(dir / "a").identity, a.identity);
    EXPECT_EQ(fs.answeredFromListing, 3u);
    const FileAttributes f = fs.attributes(dir / "f");
    EXPECT_EQ(f.word & (attr::Directory | attr::System), attr::System);
    try {
        fs.attributes(dir / "none");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), ERROR_FILE_NOT_FOUND);
    }
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
    // "/", "." and ".." are resolved before the long form is put in front.
    Text roundabout = deep + u"\\.\\..\\" + fromUtf8(segment + "7");
    std::replace(roundabout.begin() + 3, roundabout.end(), u'\\', u'/');
    EXPECT_EQ(apiPath(roundabout), L"\\\\?\\" + w(deep));
    EXPECT_EQ(fs.attributes(roundabout).word & attr::Directory, attr::Directory);

    // The whole walk through the window object shows ordinary paths.
    Window win;
    win.form->C.txtPath->setText(dir.path());
    win.form->C.ChNoPath->setValue(0);
    win.form->C.ChFiles->setValue(1);
    win.form->C.txtLevel->setText(u"20");
    SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
    win.ws.rethrowHeld();
    const std::vector<std::string> lines = win.resultLines();
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
    win.form->C.txtPath->setText(dir.path());
    win.form->C.ChNoPath->setValue(0);
    win.form->C.txtLevel->setText(u"10");
    SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
    win.ws.rethrowHeld();
    const std::string base = toUtf8(dir.path());
    EXPECT_EQ(win.resultLines(), (std::vector<std::string>{base + "\\sub", base + "\\sub\\back"}));
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
    win.form->C.txtPath->setText(base);
    win.form->C.ChNoPath->setValue(0);
    win.form->C.txtLevel->setText(u"10");
    SendMessageW(win.hwnd(ControlId::cmdDoIt), BM_CLICK, 0, 0);
    win.ws.rethrowHeld();
    const std::string b = toUtf8(base);
    EXPECT_EQ(win.resultLines(), (std::vector<std::string>{b + "\\sub", b + "\\sub\\back"}));
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

TEST(FileSystem, DriveRootHasNoDotEntries) {
    FileSystem fs;
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const Text root{static_cast<char16_t>(windows[0]), u':', u'\\'};
    const std::vector<Text> names = enumerate(fs, root, 16);
    EXPECT_FALSE(names.empty());
    if (std::find(names.begin(), names.end(), u".") != names.end())
        GTEST_SKIP() << "this system delivers \".\" at a drive root";
    EXPECT_EQ(std::find(names.begin(), names.end(), u".."), names.end());
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
