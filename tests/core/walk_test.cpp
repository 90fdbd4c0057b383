// SPDX-License-Identifier: MIT
// The folder walk: lines, order, forms, masks, failures, pumps and stops.
#include <gtest/gtest.h>

#include "harness.h"
#include "tests/support/example_listing.h"

namespace malvorn::testing {
namespace {

using Lines = std::vector<std::string>;

// The example tree at C:\data.
struct WalkTest : ::testing::Test {
    Harness h;
    void SetUp() override {
        h.fs.addRoot(u"C:");
        addTree(h.fs, u"C:\\data", exampleTree());
    }
    Lines run(const std::string& start, int levels, bool files, bool hidden = false, bool noPath = false) {
        h.prepare(start, levels, files, hidden, noPath);
        h.doIt().click();
        return h.lines();
    }
};

TEST_F(WalkTest, PathFormFoldersOnlyTwoLevels) {
    EXPECT_EQ(run("C:\\data", 2, false), exampleListing("C:\\data", '\\', 2, false));
}

TEST_F(WalkTest, NameFormIndentsFourBlanksALevel) {
    EXPECT_EQ(run("C:\\data", 2, false, false, true), exampleListing("C:\\data", '\\', 2, false, true));
}

TEST_F(WalkTest, FilesAsWellInEnumerationOrder) {
    EXPECT_EQ(run("C:\\data", 2, true), exampleListing("C:\\data", '\\', 2, true));
}

TEST_F(WalkTest, TrailingSeparatorGivesTheSameLines) {
    EXPECT_EQ(run("C:\\data\\", 2, true), run("C:\\data", 2, true));
}

TEST_F(WalkTest, LevelOneListsOnlyTheStartFolderAndQueriesNoDescent) {
    EXPECT_EQ(run("C:\\data", 1, true), exampleListing("C:\\data", '\\', 1, true));
    // One query of the start folder (its identity, asked of the folder path
    // the enumeration opens) and one TestPath a name; at the last level no
    // name is asked whether it is a folder.
    EXPECT_EQ(h.fs.queries,
              (std::vector<Text>{u"C:\\data\\", u"C:\\data\\a", u"C:\\data\\b", u"C:\\data\\readme.txt"}));
    EXPECT_EQ(h.fs.enumerations, (std::vector<Text>{u"C:\\data\\"}));
}

TEST_F(WalkTest, EveryLineEndsInCrLfTheLastOneToo) {
    run("C:\\data", 1, false);
    EXPECT_EQ(toUtf8(h.result().text()), "C:\\data\\a\r\nC:\\data\\b\r\n");
}

TEST_F(WalkTest, DriveRootGetsNoSecondSeparatorAndNoPumpUntilGathered) {
    h.fs.addFolder(u"C:\\z");
    const int before = h.ws.pumps;
    EXPECT_EQ(run("C:\\", 1, false), (Lines{"C:\\data", "C:\\z"}));
    EXPECT_EQ(h.ws.pumps - before, 1);  // only the one after gathering
}

TEST_F(WalkTest, EmptyFolderPumpsTwiceAndWritesNothing) {
    const int before = h.ws.pumps;
    EXPECT_EQ(run("C:\\data\\b", 5, true), Lines{});
    EXPECT_EQ(h.ws.pumps - before, 2);
}

TEST_F(WalkTest, FileOrMissingFolderAsStartGivesNoLines) {
    EXPECT_EQ(run("C:\\data\\readme.txt", 3, true), Lines{});
    EXPECT_EQ(run("C:\\nowhere", 3, true), Lines{});
    EXPECT_EQ(run("", 3, true), Lines{});
    EXPECT_EQ(h.fs.enumerations.back(), u"\\");  // an empty path is enumerated as "\"
}

TEST_F(WalkTest, HiddenOnlyWithTheHiddenBitAndSystemNever) {
    h.fs.addFolder(u"C:\\data\\h", attr::Hidden);
    h.fs.addFolder(u"C:\\data\\s", attr::System);
    h.fs.addFolder(u"C:\\data\\hs", attr::Hidden | attr::System);
    EXPECT_EQ(run("C:\\data", 1, false), (Lines{"C:\\data\\a", "C:\\data\\b"}));
    EXPECT_EQ(run("C:\\data", 1, false, true), (Lines{"C:\\data\\a", "C:\\data\\b", "C:\\data\\h"}));
}

TEST_F(WalkTest, HiddenFolderIsMissingWithItsSubtree) {
    h.fs.addFolder(u"C:\\data\\h", attr::Hidden);
    h.fs.addFolder(u"C:\\data\\h\\inner");
    EXPECT_EQ(run("C:\\data", 3, false), exampleListing("C:\\data", '\\', 2, false));
}

TEST_F(WalkTest, NamesWithBarStayWhole) {
    h.fs.addFolder(u"C:\\data\\p|q");
    h.fs.addFolder(u"C:\\data\\p|q\\in|side");
    EXPECT_EQ(run("C:\\data", 2, false),
              (Lines{"C:\\data\\a", "C:\\data\\a\\x", "C:\\data\\b", "C:\\data\\p|q", "C:\\data\\p|q\\in|side"}));
}

TEST_F(WalkTest, EnumerationThatCannotStartKeepsTheFolderLine) {
    h.fs.failStart.insert(u"C:\\data\\a\\");
    EXPECT_EQ(run("C:\\data", 3, false), (Lines{"C:\\data\\a", "C:\\data\\b"}));
}

TEST_F(WalkTest, UnreadableAttributesSkipTheNameWithItsSubtree) {
    h.fs.failAttributes.insert(u"C:\\data\\a");
    EXPECT_EQ(run("C:\\data", 3, true), (Lines{"C:\\data\\b", "C:\\data\\readme.txt"}));
    // Folders only: a name that passes TestPath but whose folder-bit query
    // (its second query) fails is not accepted either.
    h.fs.failAttributes.clear();
    int queriesOfB = 0;
    h.fs.onAttributes = [&](const Text& p) {
        if (p != u"C:\\data\\b") return;
        if (++queriesOfB == 2) {
            h.fs.failAttributes.insert(p);
        } else {
            h.fs.failAttributes.erase(p);
        }
    };
    EXPECT_EQ(run("C:\\data", 3, false), (Lines{"C:\\data\\a", "C:\\data\\a\\x"}));
    EXPECT_EQ(queriesOfB, 2);
}

TEST_F(WalkTest, FailedDescentQueryDescendsAllTheSame) {
    // Readable at gathering (two queries with folders only), failing at the
    // descent decision (the third).
    int queries = 0;
    h.fs.onAttributes = [&](const Text& p) {
        if (p == u"C:\\data\\a" && ++queries == 3) h.fs.failAttributes.insert(p);
    };
    EXPECT_EQ(run("C:\\data", 2, false), exampleListing("C:\\data", '\\', 2, false));
}

TEST_F(WalkTest, EntryVanishingBetweenGatheringAndWritingIsStillWritten) {
    // Removed in the pump after gathering: written (it was accepted), then
    // its descent query fails and the nested enumeration cannot start.
    int pumpsInData = 0;
    h.ws.hooks.pump = [&](int) {
        if (h.fs.enumerations.size() == 1 && ++pumpsInData == 3) h.fs.remove(u"C:\\data\\a");
    };
    EXPECT_EQ(run("C:\\data", 3, false), (Lines{"C:\\data\\a", "C:\\data\\b"}));
}

TEST_F(WalkTest, NextNameFailureEndsGatheringWithNamesSoFar) {
    h.fs.failNextAfter[u"C:\\data\\"] = 3;  // ".", "..", "a" then a failure
    EXPECT_EQ(run("C:\\data", 1, true), (Lines{"C:\\data\\a"}));
}

TEST_F(WalkTest, LinkToAnAncestorIsWrittenButNotWalkedAgain) {
    h.fs.addLink(u"C:\\data\\a\\x\\up", u"C:\\data\\a");
    h.fs.addLink(u"C:\\data\\a\\x\\up2", u"C:\\data\\a");
    EXPECT_EQ(run("C:\\data\\a", 32767, false), (Lines{"C:\\data\\a\\x", "C:\\data\\a\\x\\up", "C:\\data\\a\\x\\up2"}));
}

TEST_F(WalkTest, IdsThatDifferOnlyAbove64BitsAreDifferentFolders) {
    h.fs.wideIds = true;
    h.fs.addLink(u"C:\\data\\a\\x\\up", u"C:\\data\\a");
    EXPECT_EQ(run("C:\\data", 32767, false),
              (Lines{"C:\\data\\a", "C:\\data\\a\\x", "C:\\data\\a\\x\\up", "C:\\data\\b"}));
}

TEST_F(WalkTest, FolderReachedTwiceWithoutACycleIsListedTwice) {
    h.fs.addLink(u"C:\\data\\b\\ax", u"C:\\data\\a\\x");
    h.fs.addFolder(u"C:\\data\\a\\x\\deep");
    EXPECT_EQ(run("C:\\data", 4, false), (Lines{"C:\\data\\a", "C:\\data\\a\\x", "C:\\data\\a\\x\\deep", "C:\\data\\b",
                                                "C:\\data\\b\\ax", "C:\\data\\b\\ax\\deep"}));
}

TEST_F(WalkTest, DeepChainStopsAtTheDepthLimit) {
    addTree(h.fs, u"C:\\data\\b\\d", deepChain(1199));  // 1200 folders, b\d the first
    const Lines lines = run("C:\\data\\b", 1000, false, false, true);
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.back().size(), 999u * 4 + 1);
}

}  // namespace
}  // namespace malvorn::testing
