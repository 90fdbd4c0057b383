// SPDX-License-Identifier: MIT
// The POSIX file system on its own: enumeration, masks, attributes, failures.
#include <gtest/gtest.h>

#include <algorithm>

#include "drop_privileges.h"
#include "platform/posix/posix_errno_failure.h"
#include "posix_harness.h"
#include "tests/support/enumeration.h"

namespace malvorn::posix::testing {
namespace {

using Names = std::vector<std::string>;

Names enumerate(FileSystem& fs, const std::string& folder, std::int32_t mask) {
    Names names;
    for (Text n = firstName(fs, fromUtf8(folder), mask); !n.empty(); n = nextName(fs)) names.push_back(toUtf8(n));
    std::sort(names.begin(), names.end());
    return names;
}

struct FileSystemTest : ::testing::Test {
    TempFolder tmp;
    FileSystem fs;
    std::string D;
    void SetUp() override {
        D = tmp / "D";
        makeFolder(D);
        makeFolder(D + "/dir");
        makeFolder(D + "/.hiddendir");
        makeFile(D + "/file.txt");
        makeFile(D + "/.hiddenfile");
        makeLink("dir", D + "/linkdir");
        makeLink("file.txt", D + "/linkfile");
        makeLink("nowhere", D + "/dangling");
    }
};

TEST_F(FileSystemTest, SeparatorIsSlash) { EXPECT_EQ(fs.separator(), u'/'); }

TEST_F(FileSystemTest, DotAndDotDotAlwaysComeHiddenOnlyWithTheHiddenBit) {
    EXPECT_EQ(enumerate(fs, D + "/", attr::Directory),
              (Names{".", "..", "dangling", "dir", "file.txt", "linkdir", "linkfile"}));
    EXPECT_EQ(enumerate(fs, D + "/", attr::Directory | attr::Hidden),
              (Names{".", "..", ".hiddendir", ".hiddenfile", "dangling", "dir", "file.txt", "linkdir", "linkfile"}));
}

TEST_F(FileSystemTest, WithoutTheFolderBitFoldersStayAwayAndLinksComeUnlessFollowedToOne) {
    EXPECT_EQ(enumerate(fs, D + "/", 0), (Names{".", "..", "dangling", "file.txt", "linkdir", "linkfile"}));
    EXPECT_EQ(enumerate(fs, D + "/", attr::Hidden),
              (Names{".", "..", ".hiddenfile", "dangling", "file.txt", "linkdir", "linkfile"}));
    // Followed, a link to a folder is one; a dangling link is no folder.
    FileSystem followed(Links::Followed);
    EXPECT_EQ(enumerate(followed, D + "/", 0), (Names{".", "..", "dangling", "file.txt", "linkfile"}));
}

TEST_F(FileSystemTest, EmptyFolderAndTheRootStillGiveDotAndDotDot) {
    makeFolder(D + "/empty");
    EXPECT_EQ(enumerate(fs, D + "/empty/", attr::Directory), (Names{".", ".."}));
    const Names root = enumerate(fs, "/", attr::Directory);
    EXPECT_NE(std::find(root.begin(), root.end(), "."), root.end());
    EXPECT_NE(std::find(root.begin(), root.end(), ".."), root.end());
}

TEST_F(FileSystemTest, AFolderPathWithoutTheFinalSeparatorIsTheSameFolder) {
    EXPECT_EQ(enumerate(fs, D, attr::Directory), enumerate(fs, D + "/", attr::Directory));
}

TEST_F(FileSystemTest, DoubledSeparatorsNameTheSameFolderAfterItsParentWasEnumerated) {
    enumerate(fs, D + "/", attr::Directory);
    EXPECT_EQ(enumerate(fs, D + "//", attr::Directory), enumerate(fs, D + "/", attr::Directory));
    enumerate(fs, D + "/", attr::Directory);
    EXPECT_EQ(enumerate(fs, D + "/dir//", attr::Directory), (Names{".", ".."}));
    EXPECT_EQ(fs.attributes(fromUtf8(D + "//dir")).word, attr::Directory);
}

TEST_F(FileSystemTest, NextNameAfterTheEndAndANewStartEndsTheOldEnumeration) {
    Text n = firstName(fs, fromUtf8(D + "/"), attr::Directory);
    while (!n.empty()) n = nextName(fs);
    EXPECT_EQ(nextName(fs), Text());
    firstName(fs, fromUtf8(D + "/"), attr::Directory);
    EXPECT_EQ(enumerate(fs, D + "/dir/", attr::Directory), (Names{".", ".."}));
    EXPECT_EQ(nextName(fs), Text());
}

TEST_F(FileSystemTest, EnumerationThatCannotStartThrowsWithItsNumber) {
    try {
        firstName(fs, fromUtf8(D + "/missing/"), attr::Directory);
        FAIL() << "no failure";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 53);
        EXPECT_NE(toUtf8(e.description()).find("文件未找到"), std::string::npos);
    }
    try {
        firstName(fs, fromUtf8(D + "/file.txt/"), attr::Directory);
        FAIL() << "no failure";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 76);
    }
    EXPECT_THROW(firstName(fs, fromUtf8(D + "/dangling/"), attr::Directory), PlatformError);
    // The failed start ended the enumeration before it.
    EXPECT_EQ(nextName(fs), Text());
}

TEST_F(FileSystemTest, AttributesAreALinksOwnAndMarkDotNamesHidden) {
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/dir")).word, attr::Directory);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/file.txt")).word, 0);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/linkdir")).word, 0);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/linkfile")).word, 0);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/dangling")).word, 0);
    // A final separator asks for the folder the link leads to.
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/linkdir/")).word, attr::Directory);
    EXPECT_THROW(fs.attributes(fromUtf8(D + "/dangling/")), PlatformError);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/.hiddendir")).word, attr::Directory | attr::Hidden);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/.hiddenfile")).word, attr::Hidden);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/.hiddendir/")).word, attr::Directory | attr::Hidden);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/.")).word, attr::Directory);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/..")).word, attr::Directory);
    EXPECT_EQ(fs.attributes(u"/").word, attr::Directory);
    try {
        fs.attributes(fromUtf8(D + "/missing"));
        FAIL() << "no failure";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    EXPECT_THROW(fs.attributes(fromUtf8(D + "/file.txt/x")), PlatformError);
}

TEST_F(FileSystemTest, FollowedALinkHasWhereItLeadsOrItsOwnWhenItLeadsNowhere) {
    FileSystem followed(Links::Followed);
    makeLink("loop", D + "/loop");
    EXPECT_EQ(followed.attributes(fromUtf8(D + "/linkdir")).word, attr::Directory);
    EXPECT_EQ(followed.attributes(fromUtf8(D + "/linkfile")).word, 0);
    struct stat own;
    for (const char* n : {"dangling", "loop"}) {
        const FileAttributes a = followed.attributes(fromUtf8(D + "/" + n));
        EXPECT_EQ(a.word, 0) << n;
        ASSERT_EQ(::lstat((D + "/" + n).c_str(), &own), 0);
        EXPECT_EQ(a.identity.file, static_cast<std::uint64_t>(own.st_ino)) << n;
    }
}

TEST_F(FileSystemTest, AttributesAreTheSameWithTheFolderHeldOpenOrNot) {
    // Queried once with no folder held, then during and after an
    // enumeration of D (answered relative to its handle); links taken as
    // they are and followed.
    for (const Links links : {Links::Listed, Links::Followed}) {
        FileSystem files(links);
        auto all = [&] {
            std::vector<std::pair<int, FileIdentity>> out;
            for (const char* n :
                 {"dir", "file.txt", "linkdir", "linkfile", "dangling", ".hiddendir", ".hiddenfile", ".", ".."}) {
                const FileAttributes a = files.attributes(fromUtf8(D + "/" + n));
                out.emplace_back(a.word, a.identity);
            }
            return out;
        };
        const auto unheld = all();
        firstName(files, fromUtf8(D + "/"), attr::Directory);
        EXPECT_EQ(all(), unheld);
        while (!nextName(files).empty()) {
        }
        EXPECT_EQ(all(), unheld);
        EXPECT_EQ(unheld[2].first, links == Links::Listed ? 0 : attr::Directory);
    }
}

TEST_F(FileSystemTest, AQueryReflectsTheDiskWhenItIsMade) {
    firstName(fs, fromUtf8(D + "/"), attr::Directory);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/dir")).word, attr::Directory);
    ASSERT_EQ(::rmdir((D + "/dir").c_str()), 0);
    EXPECT_THROW(fs.attributes(fromUtf8(D + "/dir")), PlatformError);
    makeFile(D + "/dir");
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/dir")).word, 0);
}

TEST_F(FileSystemTest, IdentityIsDeviceAndInodeTheFolderThroughAFollowedLink) {
    struct stat st;
    ASSERT_EQ(::stat((D + "/dir").c_str(), &st), 0);
    const FileIdentity direct = fs.attributes(fromUtf8(D + "/dir")).identity;
    EXPECT_TRUE(direct.known);
    EXPECT_EQ(direct.volume, static_cast<std::uint64_t>(st.st_dev));
    EXPECT_EQ(direct.file, static_cast<std::uint64_t>(st.st_ino));
    EXPECT_NE(fs.attributes(fromUtf8(D + "/linkdir")).identity, direct);
    EXPECT_EQ(fs.attributes(fromUtf8(D + "/linkdir/")).identity, direct);
    EXPECT_NE(fs.attributes(fromUtf8(D + "/file.txt")).identity, direct);
    FileSystem followed(Links::Followed);
    EXPECT_EQ(followed.attributes(fromUtf8(D + "/linkdir")).identity, direct);
}

TEST_F(FileSystemTest, NonUtf8NamesAreEscapedAndFoundAgain) {
    makeFolder(D + "/bad\xff");
    makeFile(D + "/bad\xff/in\xfe");
    const Names names = enumerate(fs, D + "/", attr::Directory);
    ASSERT_NE(std::find(names.begin(), names.end(), "bad\xff"), names.end());
    Text bad;
    for (Text n = firstName(fs, fromUtf8(D + "/"), attr::Directory); !n.empty(); n = nextName(fs))
        if (n.size() == 4 && n.substr(0, 3) == u"bad") bad = n;
    EXPECT_EQ(bad, (Text{u'b', u'a', u'd', char16_t(0xDCFF)}));
    const Text folder = fromUtf8(D + "/") + bad;
    EXPECT_EQ(fs.attributes(folder).word, attr::Directory);
    EXPECT_EQ(enumerate(fs, toUtf8(folder + u"/"), attr::Directory), (Names{".", "..", "in\xfe"}));
    EXPECT_EQ(fs.attributes(folder + u"/" + fromUtf8("in\xfe")).word, 0);
}

TEST_F(FileSystemTest, PathsAtTheLengthLimitFailLikeAQueryByPath) {
    // A chain of long names, each query made with the parent held open and
    // without: both answer alike at every depth.
    const std::string longName(200, 'n');
    std::string path = D;
    int fd = ::open(D.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(::mkdirat(fd, longName.c_str(), 0777), 0);
        const int next = ::openat(fd, longName.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    ::close(fd);
    FileSystem other;
    for (int i = 0; i < 25; ++i) {
        const std::string parent = path;
        path += "/" + longName;
        bool heldOk = true, unheldOk = true;
        try {
            firstName(fs, fromUtf8(parent + "/"), attr::Directory);
            fs.attributes(fromUtf8(path));
        } catch (const PlatformError& e) {
            heldOk = false;
            EXPECT_TRUE(e.number() == 52 || e.number() == 53) << e.what();
        }
        try {
            other.releaseFolders();
            other.attributes(fromUtf8(path));
        } catch (const PlatformError&) {
            unheldOk = false;
        }
        EXPECT_EQ(heldOk, unheldOk) << "depth " << i << " length " << path.size();
        EXPECT_EQ(unheldOk, path.size() < PATH_MAX) << "depth " << i;
        EXPECT_EQ(fs.attributesReadable(fromUtf8(path)), heldOk) << "depth " << i;
        EXPECT_EQ(other.attributesReadable(fromUtf8(path)), unheldOk) << "depth " << i;
    }
}

TEST_F(FileSystemTest, ReadableExactlyWhenTheQuerySucceeds) {
    // Asked with D held open (during its enumeration) and without, links
    // taken as they are and followed.
    makeLink("loop", D + "/loop");
    const char* names[] = {"dir",      "file.txt", "linkdir",   "linkfile", ".hiddenfile", ".",         "..",
                           "dangling", "loop",     "dangling/", "linkdir/", "missing",     "file.txt/x"};
    for (const Links links : {Links::Listed, Links::Followed}) {
        FileSystem files(links);
        int readable = 0;
        auto agree = [&] {
            readable = 0;
            for (const char* n : names) {
                const Text path = fromUtf8(D + "/" + n);
                bool queried = true;
                try {
                    files.attributes(path);
                } catch (const PlatformError&) {
                    queried = false;
                }
                EXPECT_EQ(files.attributesReadable(path), queried) << n;
                readable += queried;
            }
        };
        agree();
        EXPECT_EQ(readable, 10);
        firstName(files, fromUtf8(D + "/"), attr::Directory);
        agree();
        EXPECT_FALSE(files.attributesReadable(u""));
    }
}

TEST_F(FileSystemTest, ReadableWhereTheSystemRefusesAnAccessCheckButNotTheLookup) {
    // procfs refuses faccessat on the fdinfo folder of a process this user
    // may not trace (the first process, to anyone but root), yet looks it up.
    asOrdinaryUser({}, [&] {
        const Text fdinfo = u"/proc/1/fdinfo";
        bool queried = true;
        try {
            fs.attributes(fdinfo);
        } catch (const PlatformError&) {
            queried = false;
        }
        EXPECT_EQ(fs.attributesReadable(fdinfo), queried);
        firstName(fs, u"/proc/1/", attr::Directory);
        EXPECT_EQ(fs.attributesReadable(fdinfo), queried);
    });
}

}  // namespace
}  // namespace malvorn::posix::testing
