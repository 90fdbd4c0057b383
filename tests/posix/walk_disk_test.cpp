// SPDX-License-Identifier: MIT
// The window's walk over a real disk: links, cycles, undecodable names,
// chains deeper than a path can be long, folders that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "drop_privileges.h"
#include "posix_harness.h"
#include "tests/support/example_listing.h"

namespace malvorn::posix::testing {
namespace {

using Lines = std::vector<std::string>;

Lines sorted(Lines v) {
    std::sort(v.begin(), v.end());
    return v;
}

struct WalkDiskTest : ::testing::Test {
    TempFolder tmp;
    Window w;
    std::string D;
    void SetUp() override { D = tmp / "D"; }
};

TEST_F(WalkDiskTest, ExampleFoldersOnlyPathForm) {
    buildExample(D);
    EXPECT_EQ(sorted(w.run(D, 2)), sorted(malvorn::testing::exampleListing(D, '/', 2, false)));
}

TEST_F(WalkDiskTest, ExampleOrderFollowsEachFolderAndItsSubfolders) {
    buildExample(D);
    const Lines lines = w.run(D, 2);
    ASSERT_EQ(lines.size(), 3u);
    // x comes right after a, wherever b falls.
    const auto a = std::find(lines.begin(), lines.end(), D + "/a");
    ASSERT_NE(a, lines.end());
    ASSERT_NE(a + 1, lines.end());
    EXPECT_EQ(*(a + 1), D + "/a/x");
}

TEST_F(WalkDiskTest, ExampleNameForm) {
    buildExample(D);
    const Lines lines = w.run(D, 2, false, false, true);
    EXPECT_EQ(sorted(lines), sorted(malvorn::testing::exampleListing(D, '/', 2, false, true)));
    const auto a = std::find(lines.begin(), lines.end(), "a");
    ASSERT_NE(a, lines.end());
    ASSERT_NE(a + 1, lines.end());
    EXPECT_EQ(*(a + 1), "    x");
}

TEST_F(WalkDiskTest, ExampleWithFilesAndTrailingSeparator) {
    buildExample(D);
    const Lines expected = sorted(malvorn::testing::exampleListing(D, '/', 2, true));
    EXPECT_EQ(sorted(w.run(D, 2, true)), expected);
    EXPECT_EQ(sorted(w.run(D + "/", 2, true)), expected);
    EXPECT_EQ(sorted(w.run(D, 1, true)), sorted(malvorn::testing::exampleListing(D, '/', 1, true)));
}

TEST_F(WalkDiskTest, EveryLineEndsInCrLf) {
    buildExample(D);
    w.run(D, 1);
    const std::string text = w.resultBytes();
    EXPECT_TRUE(text == D + "/a\r\n" + D + "/b\r\n" || text == D + "/b\r\n" + D + "/a\r\n") << text;
}

TEST_F(WalkDiskTest, HiddenNamesOnlyWithTheHiddenOption) {
    buildExample(D);
    makeFolder(D + "/.h");
    makeFile(D + "/.h/f");
    makeFile(D + "/.g");
    EXPECT_EQ(sorted(w.run(D, 2, true)),
              (Lines{D + "/a", D + "/a/notes.txt", D + "/a/x", D + "/b", D + "/readme.txt"}));
    EXPECT_EQ(sorted(w.run(D, 2, true, true)), (Lines{D + "/.g", D + "/.h", D + "/.h/f", D + "/a", D + "/a/notes.txt",
                                                      D + "/a/x", D + "/b", D + "/readme.txt"}));
}

TEST_F(WalkDiskTest, LinksAreEntriesOfTheirOwnListedOnceAndNotWalkedInto) {
    buildExample(D);
    addExampleLinks(D);
    // A link to nothing, to a file, to a folder and to an ancestor: each one
    // line with files, and none is a folder to go into or to list alone.
    EXPECT_EQ(sorted(w.run(D, 32767, true)), (Lines{D + "/a", D + "/a/notes.txt", D + "/a/x", D + "/a/x/up", D + "/b",
                                                    D + "/dangling", D + "/la", D + "/lr", D + "/readme.txt"}));
    EXPECT_EQ(sorted(w.run(D, 32767)), (Lines{D + "/a", D + "/a/x", D + "/b"}));
    EXPECT_EQ(sorted(w.run(D, 32767, true, false, true)),
              (Lines{"        up", "    notes.txt", "    x", "a", "b", "dangling", "la", "lr", "readme.txt"}));
}

TEST_F(WalkDiskTest, AStartingFolderThatIsALinkIsTheFolderItNames) {
    buildExample(D);
    addExampleLinks(D);
    EXPECT_EQ(sorted(w.run(D + "/la", 32767, true)), (Lines{D + "/la/notes.txt", D + "/la/x", D + "/la/x/up"}));
    EXPECT_EQ(sorted(w.run(D + "/la/", 32767)), (Lines{D + "/la/x"}));
    EXPECT_EQ(w.run(D + "/lr", 3, true), Lines{});
}

TEST_F(WalkDiskTest, UndecodableNameIsListedWalkedIntoAndKeepsItsBytes) {
    makeFolder(D);
    makeFolder(D + "/bad\xff");
    makeFolder(D + "/bad\xff/in\xe4\xb8");
    makeFile(D + "/bad\xff/f\xc0\xaf");
    EXPECT_EQ(sorted(w.run(D, 3, true)), (Lines{D + "/bad\xff", D + "/bad\xff/f\xc0\xaf", D + "/bad\xff/in\xe4\xb8"}));
    EXPECT_EQ(sorted(w.run(D, 3, true, false, true)), (Lines{"    f\xc0\xaf", "    in\xe4\xb8", "bad\xff"}));
}

TEST_F(WalkDiskTest, DeepChainEndsWhereThePathsGetTooLongAndHoldsFewHandles) {
    makeFolder(D);
    makeChain(D, "d", 5000);
    const int before = openDescriptors();
    std::size_t mostHeld = 0;
    w.ws.hooks.pump = [&](int) { mostHeld = std::max(mostHeld, w.fs.heldFolders()); };
    const Lines lines = w.run(D, 32767);
    // Every path shorter than the limit is there, one a level, and no other.
    const std::size_t expected = (PATH_MAX - 1 - D.size()) / 2;
    ASSERT_EQ(lines.size(), expected);
    std::string path = D;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        path += "/d";
        ASSERT_EQ(lines[i], path) << i;
    }
    EXPECT_LT(lines.back().size(), static_cast<std::size_t>(PATH_MAX));
    EXPECT_LE(mostHeld, FileSystem::MaxHeldFolders);
    EXPECT_GT(mostHeld, 0u);
    // The run has ended: the run control had every folder released.
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(WalkDiskTest, DeepChainInNameForm) {
    // Indentation grows four blanks a level, down to the length limit.
    makeFolder(D);
    makeChain(D, "d", 3000);
    const Lines lines = w.run(D, 32767, false, false, true);
    ASSERT_FALSE(lines.empty());
    for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(lines[i], std::string(4 * i, ' ') + "d") << i;
}

TEST_F(WalkDiskTest, LongNamesCrossTheLimitWithinAFewLevels) {
    makeFolder(D);
    const std::string name(250, 'L');
    makeChain(D, name, 30);
    makeFile(D + "/" + name + "/file");
    const Lines lines = w.run(D, 32767, true);
    std::string path = D;
    Lines expected;
    for (int i = 0; i < 30; ++i) {
        path += "/" + name;
        if (path.size() >= PATH_MAX) break;
        expected.push_back(path);
        if (i == 0) expected.push_back(path + "/file");
    }
    EXPECT_EQ(sorted(lines), sorted(expected));
}

TEST_F(WalkDiskTest, LinksThatLeadNowhereAreListedButStartNothing) {
    buildExample(D);
    makeLink("self", D + "/self");             // a loop of links
    makeLink("readme.txt/x", D + "/through");  // a path through a file
    makeLink("gone", D + "/dangling");
    EXPECT_EQ(sorted(w.run(D, 3, true)), (Lines{D + "/a", D + "/a/notes.txt", D + "/a/x", D + "/b", D + "/dangling",
                                                D + "/readme.txt", D + "/self", D + "/through"}));
    EXPECT_EQ(w.run(D + "/readme.txt/x", 3, true), Lines{});
    EXPECT_EQ(w.run(D + "/dangling", 3, true), Lines{});
    EXPECT_EQ(w.run(D + "/self", 3, true), Lines{});
    EXPECT_EQ(w.run(D + "/readme.txt", 3, true), Lines{});
    EXPECT_TRUE(w.ws.messages.empty());
}

TEST_F(WalkDiskTest, FolderWithoutReadPermissionIsListedButNotEntered) {
    asOrdinaryUser({tmp.path()}, [&] {
        buildExample(D);
        ASSERT_EQ(::chmod((D + "/a").c_str(), 0), 0);
        EXPECT_EQ(sorted(w.run(D, 3, true)), (Lines{D + "/a", D + "/b", D + "/readme.txt"}));
        ::chmod((D + "/a").c_str(), 0755);
    });
}

TEST_F(WalkDiskTest, FolderRemovedAfterGatheringIsWrittenButNotEntered) {
    buildExample(D);
    makeFile(D + "/b/inside");
    // The pump after gathering D's names is the third (".", "..", gathered).
    w.ws.postAtPump(3, [&] {
        ASSERT_EQ(::unlink((D + "/b/inside").c_str()), 0);
        ASSERT_EQ(::rmdir((D + "/b").c_str()), 0);
    });
    EXPECT_EQ(sorted(w.run(D, 3, true)),
              (Lines{D + "/a", D + "/a/notes.txt", D + "/a/x", D + "/b", D + "/readme.txt"}));
}

TEST_F(WalkDiskTest, SecondClickStopsTheWalkWithWholeLines) {
    buildTree(D, wideTree(20, 5, "f", "g"));
    int pumps = 0;
    w.ws.hooks.pump = [&](int) {
        if (++pumps == 20) w.ws.post([&] { w.ws.button(ControlId::cmdDoIt).click(); });
    };
    const Lines lines = w.run(D, 3);
    EXPECT_FALSE(lines.empty());
    EXPECT_LT(lines.size(), 120u);
    for (const std::string& l : lines) EXPECT_EQ(l.rfind(D + "/f", 0), 0u) << l;
    EXPECT_EQ(w.form.State.Running, False);
}

}  // namespace
}  // namespace malvorn::posix::testing
