// SPDX-License-Identifier: MIT
// The drive list, the folder list and the path box following one another,
// with the shared one-shot SkipChange flag.
#include <gtest/gtest.h>

#include "harness.h"

namespace malvorn::testing {
namespace {

struct FolderTest : ::testing::Test {
    Harness h;
    std::set<Text> notReady;
    std::set<Text> outOfMemory;  // the folder list runs out of memory there
    void SetUp() override {
        for (const char16_t* root : {u"C:", u"D:", u"E:"}) h.fs.addRoot(root);
        h.fs.addFolder(u"C:\\data");
        h.fs.addFolder(u"C:\\data\\a");
        h.fs.addFolder(u"D:\\work");
        h.ws.driveList().drives = {u"C:\\", u"D:\\", u"E:\\"};
        // The folder list shows existing folders in its own form (no final
        // separator except at a root); a drive takes it to the drive's root.
        h.ws.folderList().resolve = [this](const Text& text) -> std::optional<Text> {
            for (const Text& d : notReady)
                if (text.rfind(d, 0) == 0) return std::nullopt;
            if (outOfMemory.count(text)) throw std::bad_alloc();
            Text p = text;
            if (p.size() > 3 && p.back() == u'\\') p.pop_back();
            try {
                if (h.fs.attributes(p.size() == 3 ? p.substr(0, 2) : p).word & attr::Directory) return p;
            } catch (const PlatformError&) {
            }
            return std::nullopt;
        };
        h.form.start();
    }
    std::string box() { return toUtf8(h.path().text()); }
    std::string dir() { return toUtf8(h.ws.folderList().path()); }
    std::string drive() { return toUtf8(h.ws.driveList().drive()); }
};

TEST_F(FolderTest, StartUpWritesTheFolderListPathIntoTheBox) {
    EXPECT_EQ(box(), "C:\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, PickingADriveMovesTheFolderListAndTheBox) {
    h.ws.driveList().setDrive(u"D:\\");
    EXPECT_EQ(dir(), "D:\\");
    EXPECT_EQ(box(), "D:\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, OpeningAFolderWritesTheBoxOnly) {
    h.ws.folderList().userOpen(u"C:\\data");
    EXPECT_EQ(box(), "C:\\data");
    EXPECT_EQ(drive(), "C:\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, TypingAPathOnTheSameDriveKeepsTheTextAsTyped) {
    h.path().userType(u"C:\\data\\a\\");
    EXPECT_EQ(dir(), "C:\\data\\a");
    EXPECT_EQ(box(), "C:\\data\\a\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
    EXPECT_TRUE(h.ws.messages.empty());
}

TEST_F(FolderTest, TypingAPathOnAnotherDriveShowsTheFolderListForm) {
    h.path().userType(u"D:\\work\\");
    EXPECT_EQ(drive(), "D:\\");
    EXPECT_EQ(dir(), "D:\\work");
    EXPECT_EQ(box(), "D:\\work");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, TextNamingNoDriveReportsAndKeepsTheTypedText) {
    h.path().userType(u"relative");
    ASSERT_EQ(h.ws.messages.size(), 1u);
    EXPECT_EQ(h.ws.messages[0].style, 48);
    EXPECT_EQ(h.ws.messages[0].title.substr(0, 8), fromUtf8("VB运行时错误："));
    EXPECT_EQ(box(), "relative");
    EXPECT_EQ(dir(), "C:\\");
    EXPECT_EQ(drive(), "C:\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, AnotherDriveButNoSuchFolderMovesTheDriveAndResetsTheBox) {
    h.path().userType(u"D:\\missing");
    EXPECT_EQ(h.ws.messages.size(), 1u);
    EXPECT_EQ(drive(), "D:\\");
    EXPECT_EQ(dir(), "C:\\");
    EXPECT_EQ(box(), "C:\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, EveryIntermediateTextGetsItsOwnReport) {
    h.path().userType(u"C:\\d");
    h.path().userType(u"C:\\da");
    h.path().userType(u"C:\\data");
    EXPECT_EQ(h.ws.messages.size(), 2u);
    EXPECT_EQ(dir(), "C:\\data");
}

TEST_F(FolderTest, DriveNotReadyReportsAndLeavesTheFolderList) {
    notReady.insert(u"E:");
    h.ws.driveList().setDrive(u"E:\\");
    EXPECT_EQ(h.ws.messages.size(), 1u);
    EXPECT_EQ(drive(), "E:\\");
    EXPECT_EQ(dir(), "C:\\");
    EXPECT_EQ(box(), "C:\\");
}

TEST_F(FolderTest, AnyFailureInTheTrappedHandlersGetsTheErrorReport) {
    outOfMemory = {u"E:\\", u"D:\\work"};
    h.ws.driveList().setDrive(u"E:\\");  // drDrive_Change
    h.path().userType(u"D:\\work");      // txtPath_Change
    ASSERT_EQ(h.ws.messages.size(), 2u);
    for (const auto& m : h.ws.messages) {
        EXPECT_EQ(toUtf8(m.title), "VB运行时错误：7");
        EXPECT_EQ(toUtf8(m.text), "内存不足");
        EXPECT_EQ(m.style, 48);
    }
    EXPECT_EQ(box(), "C:\\");  // the path box's error path ran as well
}

TEST_F(FolderTest, UnchangedTextLeavesTheFlagPendingForTheNextChangeOfAnyControl) {
    h.path().userType(u"C:\\data");
    h.path().userType(u"C:\\dat");   // no such folder: report, flag consumed
    h.path().userType(u"C:\\data");  // names the folder already shown: no change event answers
    EXPECT_EQ(h.form.State.SkipChange, True);
    // The next change of any of the five controls is swallowed whole...
    h.level().userType(u"7");
    EXPECT_EQ(h.form.State.Levels, 1);
    EXPECT_EQ(h.form.State.SkipChange, False);
    // ...and the one after it is handled.
    h.level().userType(u"7");
    EXPECT_EQ(h.form.State.Levels, 7);
}

TEST_F(FolderTest, PendingFlagSwallowsAFolderOpened) {
    h.form.State.SkipChange = True;
    h.ws.folderList().userOpen(u"C:\\data");
    EXPECT_EQ(box(), "C:\\");
    EXPECT_EQ(h.form.State.SkipChange, False);
}

TEST_F(FolderTest, RunListsTheBoxTextEvenWhenTheFolderListDiffers) {
    h.path().userType(u"C:\\data");
    h.ws.folderList().userOpen(u"C:\\data\\a");
    h.form.State.SkipChange = True;
    h.path().userType(u"C:\\data");  // swallowed
    h.chNoPath().setValue(0);
    h.doIt().click();
    EXPECT_EQ(h.lines(), std::vector<std::string>{"C:\\data\\a"});
}

}  // namespace
}  // namespace malvorn::testing
