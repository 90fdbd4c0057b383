// SPDX-License-Identifier: MIT
// Text file output, process start, error numbers and the UTF-8 encoding
// used on the listing's hot path.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "drop_privileges.h"
#include "platform/posix/posix_errno_failure.h"
#include "platform/posix/posix_errno_text.h"
#include "platform/posix/posix_line_encoder.h"
#include "platform/posix/posix_process.h"
#include "platform/posix/posix_text_file.h"
#include "platform/posix/posix_utf8.h"
#include "platform/posix/posix_write_all.h"
#include "posix_harness.h"

namespace malvorn::posix::testing {
namespace {

// The bytes writeUtf8 gives for `text`, in a buffer of the room it asks.
std::string written(TextView text) {
    std::string out(maxUtf8Bytes(text.size()), '\0');
    out.resize(static_cast<std::size_t>(writeUtf8(text, out.data()) - out.data()));
    return out;
}

TEST(TextFile, WritesUtf8WithoutMarkAndRestoresEscapedBytes) {
    TempFolder tmp;
    TextFileSystem files;
    const std::string path = tmp / "out.txt";
    makeFile(path, "old content that must go");
    auto f = files.createForOutput(fromUtf8(path));
    f->write(fromUtf8("中文 line\r\n"));
    f->write(Text{u'b', u'a', u'd', char16_t(0xDCFF), u'\r', u'\n'});
    f->write(Text{char16_t(0xD83D), char16_t(0xDE00), char16_t(0xD800)});  // a pair, a lone surrogate
    f->close();
    EXPECT_EQ(readFile(path), "中文 line\r\nbad\xff\r\n\xf0\x9f\x98\x80\xef\xbf\xbd");
}

TEST(TextFile, NewFileAndANameWithUndecodableBytes) {
    TempFolder tmp;
    TextFileSystem files;
    const std::string path = tmp / "n\xfe.txt";
    auto f = files.createForOutput(fromUtf8(path));
    f->write(u"x");
    f->close();
    EXPECT_EQ(readFile(path), "x");
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(TextFile, FullDiskFailsWithDiskFull) {
    TextFileSystem files;
    auto f = files.createForOutput(u"/dev/full");
    try {
        f->write(u"anything");
        f->close();
        FAIL() << "writing to a full disk passed";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 61);
        EXPECT_NE(toUtf8(e.description()).find("磁盘已满"), std::string::npos);
    }
    f->close();  // after a failure, closing again is harmless
}

TEST(TextFile, CreateFailuresCarryTheirNumbers) {
    TempFolder tmp;
    TextFileSystem files;
    try {
        files.createForOutput(fromUtf8(tmp / "missing/out.txt"));
        FAIL();
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 76);
        EXPECT_NE(toUtf8(e.description()).find("路径未找到"), std::string::npos);
    }
    makeFolder(tmp / "dir");
    EXPECT_THROW(files.createForOutput(fromUtf8(tmp / "dir")), PlatformError);
    makeFile(tmp / "file");
    try {
        files.createForOutput(fromUtf8(tmp / "file/out.txt"));
        FAIL();
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 76);
    }
}

// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// Files can grow to `bytes` only (writing past it fails with EFBIG, the
// POSIX form of a full disk), while it lives.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit now = old;
        now.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &now);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::signal(SIGXFSZ, SIG_DFL);
    }
};

TEST(TextFile, AFailedReplaceLeavesTheOldFileByteForByte) {
    TempFolder tmp;
    TextFileSystem files;
    const std::string path = tmp / "out.txt";
    makeFile(path, "old listing\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    {
        FileSizeLimit limit(64);
        auto f = files.createForOutput(fromUtf8(path));
        try {
            f->write(Text(1000, u'x'));
            f->close();
            FAIL() << "a write past the limit passed";
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 61);
        }
    }
    EXPECT_EQ(readFile(path), "old listing\r\n");
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"out.txt"}) << "the temporary file is removed";

    // Dropped before close(): the same.
    files.createForOutput(fromUtf8(path))->write(u"never saved");
    EXPECT_EQ(readFile(path), "old listing\r\n");
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"out.txt"});

    // A save that succeeds replaces it whole and keeps its permission bits.
    auto f = files.createForOutput(fromUtf8(path));
    f->write(u"new\r\n");
    EXPECT_EQ(readFile(path), "old listing\r\n") << "nothing is in place before close()";
    f->close();
    EXPECT_EQ(readFile(path), "new\r\n");
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"out.txt"});
}

TEST(TextFile, PermissionsDecideAsForAPlainRewrite) {
    TempFolder tmp;
    asOrdinaryUser({tmp.path()}, [&] {
        TextFileSystem files;
        // A read-only file is not replaced, though its folder would allow it.
        makeFile(tmp / "ro.txt", "kept");
        ASSERT_EQ(::chmod((tmp / "ro.txt").c_str(), 0444), 0);
        try {
            files.createForOutput(fromUtf8(tmp / "ro.txt"));
            FAIL() << "a read-only file was opened for output";
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 70);
        }
        EXPECT_EQ(readFile(tmp / "ro.txt"), "kept");
        // A writable file in a folder that takes no new file is rewritten in
        // place; a new file cannot be made there at all.
        makeFolder(tmp / "closed");
        makeFile(tmp / "closed/out.txt", "old text that is longer");
        ASSERT_EQ(::chmod((tmp / "closed").c_str(), 0555), 0);
        auto f = files.createForOutput(fromUtf8(tmp / "closed/out.txt"));
        f->write(u"new");
        f->close();
        EXPECT_EQ(readFile(tmp / "closed/out.txt"), "new");
        EXPECT_EQ(namesIn(tmp / "closed"), std::vector<std::string>{"out.txt"});
        try {
            files.createForOutput(fromUtf8(tmp / "closed/new.txt"));
            FAIL() << "a file was created in a closed folder";
        } catch (const PlatformError& e) {
            EXPECT_EQ(e.number(), 70);
        }
        ::chmod((tmp / "closed").c_str(), 0755);
    });
}

TEST(TextFile, ALinkStaysALinkToTheReplacedFile) {
    TempFolder tmp;
    TextFileSystem files;
    makeFolder(tmp / "real");
    makeFile(tmp / "real/target.txt", "old");
    makeLink(tmp / "real/target.txt", tmp / "link.txt");
    auto f = files.createForOutput(fromUtf8(tmp / "link.txt"));
    f->write(u"new");
    f->close();
    struct stat st {};
    ASSERT_EQ(::lstat((tmp / "link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(tmp / "real/target.txt"), "new");
    EXPECT_EQ(namesIn(tmp / "real"), std::vector<std::string>{"target.txt"});
}

TEST(TextFile, AFifoWithoutAReaderFailsAtOnceAndOneWithAReaderGetsTheText) {
    TempFolder tmp;
    TextFileSystem files;
    const std::string fifo = tmp / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    try {
        files.createForOutput(fromUtf8(fifo));
        FAIL() << "opened a FIFO that nobody reads";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 68);
        EXPECT_NE(toUtf8(e.description()).find("设备不可用"), std::string::npos);
    }
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    auto f = files.createForOutput(fromUtf8(fifo));
    f->write(u"through\r\n");
    f->close();
    char buffer[32] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "through\r\n");
    ::close(reader);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"fifo"}) << "nothing is created beside a FIFO";
}

TEST(TextFile, AWriteThatTakesNothingFailsInsteadOfLooping) {
    static int calls = 0;
    calls = 0;
    const auto takesNothing = [](int, const void*, std::size_t) -> ssize_t {
        ++calls;
        return 0;
    };
    EXPECT_EQ(writeAll(1, "abc", 3, takesNothing), EIO);
    EXPECT_EQ(calls, 1);
    // Interrupted and partial writes go on to the end.
    static std::string taken;
    taken.clear();
    calls = 0;
    const auto slow = [](int, const void* data, std::size_t) -> ssize_t {
        if (++calls % 2) {
            errno = EINTR;
            return -1;
        }
        taken.push_back(*static_cast<const char*>(data));
        return 1;
    };
    EXPECT_EQ(writeAll(1, "abc", 3, slow), 0);
    EXPECT_EQ(taken, "abc");
}

TEST(ProcessStart, UrlOpenCommandUsesTheDesktopOpener) {
    ProcessStarter p;
    EXPECT_EQ(p.urlOpenCommand(u"https://malvorn.example/"), u"xdg-open https://malvorn.example/");
}

TEST(ProcessStart, MissingProgramFails) {
    ProcessStarter p;
    try {
        p.startHidden(u"malvorn-no-such-program-anywhere --flag");
        FAIL() << "started";
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 53);
    }
    EXPECT_THROW(p.startHidden(u"   "), PlatformError);
    EXPECT_THROW(p.startHidden(u"/dev/null"), PlatformError);  // not executable
}

// Whether this process has a child that has ended and is not collected.
bool hasZombieChild() {
    DIR* d = ::opendir("/proc");
    bool found = false;
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        const std::string stat = readFile(std::string("/proc/") + e->d_name + "/stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid() && state == 'Z')
            found = true;
    }
    ::closedir(d);
    return found;
}

TEST(ProcessStart, StartsDetachedWithNullStreamsAndLeavesNoZombie) {
    TempFolder tmp;
    const std::string script = tmp / "probe.sh";
    const std::string result = tmp / "result";
    makeFile(script,
             "#!/bin/sh\n"
             "in=$(readlink /proc/$$/fd/0); out=$(readlink /proc/$$/fd/1); err=$(readlink /proc/$$/fd/2)\n"
             "sid=$(cut -d' ' -f6 /proc/$$/stat)\n"
             "printf '%s\\n' \"$in\" \"$out\" \"$err\" \"$$\" \"$sid\" \"$1\" > \"$2.tmp\"\n"
             "mv \"$2.tmp\" \"$2\"\n");
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    ProcessStarter p;
    p.startHidden(fromUtf8(script + "  first  " + result));
    // Nothing waited for it: wait here for its answer (no time limit).
    while (::access(result.c_str(), F_OK) != 0) ::usleep(2000);
    const std::vector<std::string> lines = [&] {
        std::vector<std::string> out;
        std::string s = readFile(result), line;
        for (char c : s) {
            if (c == '\n') {
                out.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        return out;
    }();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "/dev/null");
    EXPECT_EQ(lines[1], "/dev/null");
    EXPECT_EQ(lines[2], "/dev/null");
    EXPECT_EQ(lines[3], lines[4]) << "a session of its own";
    EXPECT_EQ(lines[5], "first") << "blanks only separate the words";
    // Collected once ended: no zombie stays behind.
    while (hasZombieChild()) ::usleep(2000);
    SUCCEED();
}

TEST(ErrnoFailure, NumbersAndDescriptions) {
    const std::vector<std::pair<int, std::int32_t>> table{
        {ENOENT, 53}, {ENOTDIR, 76}, {EACCES, 70}, {EPERM, 70},        {ENOSPC, 61}, {EDQUOT, 61},
        {EIO, 57},    {EBUSY, 75},   {EEXIST, 75}, {ENAMETOOLONG, 52}, {ENXIO, 68},  {ENODEV, 68},
    };
    for (const auto& [err, number] : table) EXPECT_EQ(errnoNumber(err), number) << err;
    const Failure f = errnoFailure(ENOENT);
    EXPECT_EQ(f.number, 53);
    EXPECT_EQ(toUtf8(f.description), "文件未找到：没有那个文件或目录");
    // The number's own description, then the errno value's text (both
    // Chinese; ErrorTexts checks them), for every value.
    for (int err = 0; err <= 200; ++err) {
        const Failure any = errnoFailure(err);
        EXPECT_EQ(any.description, errorDescription(any.number) + fromUtf8("：") + errnoText(err)) << err;
    }
    // Every errno value has a Chinese text of its own.
    for (int err = -5; err <= 300; ++err) {
        const Text text = errnoText(err);
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; }))
            << err;
    }
    EXPECT_EQ(toUtf8(errnoText(ENOENT)), "没有那个文件或目录");
    EXPECT_EQ(toUtf8(errnoText(9999)), "系统错误 9999");
    EXPECT_EQ(toUtf8(errnoDescription(EACCES)).rfind("没有权限", 0), 0u);
    EXPECT_EQ(toUtf8(errnoDescription(ENOSPC)).rfind("磁盘已满", 0), 0u);
    EXPECT_EQ(toUtf8(errnoDescription(EIO)).rfind("设备 I/O 错误", 0), 0u);
    EXPECT_EQ(toUtf8(errnoDescription(EBUSY)).rfind("路径/文件访问错误", 0), 0u);
    EXPECT_EQ(toUtf8(errnoDescription(ENAMETOOLONG)).rfind("文件名或文件号错误", 0), 0u);
    EXPECT_EQ(toUtf8(errnoDescription(ENODEV)).rfind("设备不可用", 0), 0u);
    EXPECT_EQ(toUtf8(errnoDescription(ENOTDIR)).rfind("路径未找到", 0), 0u);
    try {
        throwErrno(ENOSPC);
    } catch (const PlatformError& e) {
        EXPECT_EQ(e.number(), 61);
    }
}

TEST(Utf8Encoding, SameBytesAsToUtf8ForAnyText) {
    std::mt19937 rng(7);
    const char16_t interesting[] = {0x0,    0x41,   0x7F,   0x80,   0x7FF,  0x800,  0x4E2D, 0xD7FF, 0xD800,
                                    0xDBFF, 0xDC00, 0xDC7F, 0xDC80, 0xDCFF, 0xDD00, 0xDFFF, 0xE000, 0xFFFF};
    for (int iter = 0; iter < 200000; ++iter) {
        Text t;
        const int len = static_cast<int>(rng() % 24);
        for (int i = 0; i < len; ++i) {
            const unsigned r = rng();
            t.push_back(r % 3 == 0 ? interesting[r / 3 % std::size(interesting)]
                                   : (r % 3 == 1 ? char16_t(0x20 + r / 3 % 0x5F) : char16_t(r >> 8)));
        }
        ASSERT_EQ(written(t), toUtf8(t)) << iter;
    }
}

// The line encoder reuses the bytes of the folder part of the line before;
// whatever the lines (going down, up, sideways, without any "/", with
// surrogates and escaped bytes on either side of a "/"), each comes out as
// toUtf8 gives it.
TEST(Utf8Encoding, LinesSharingFoldersComeOutAsToUtf8GivesThem) {
    std::mt19937 rng(13);
    const char16_t units[] = {u'a',   u'/',   u'/',   0xE9,   0x76EE, 0xD83D, 0xDE00,
                              0xDC80, 0xDCFF, 0xD800, 0xDFFF, u'\r',  u'\n'};
    auto piece = [&] {
        Text t;
        const int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i) t.push_back(units[rng() % std::size(units)]);
        return t;
    };
    LineEncoder encoder;
    std::vector<Text> folders{Text()};
    for (int iter = 0; iter < 100000; ++iter) {
        // A folder the walk might be in next: one of the kept ones, or one
        // below it.
        Text folder = folders[rng() % folders.size()];
        if (rng() % 2) folder += piece() + u'/';
        if (folders.size() < 64) folders.push_back(folder);
        const Text line = rng() % 8 == 0 ? piece() : folder + piece();
        std::string out(maxUtf8Bytes(line.size()), '\0');
        out.resize(static_cast<std::size_t>(encoder.encode(line, out.data()) - out.data()));
        ASSERT_EQ(out, toUtf8(line)) << iter;
    }
}

TEST(Utf8Encoding, BytesSurviveTheRoundTrip) {
    std::mt19937 rng(11);
    for (int iter = 0; iter < 200000; ++iter) {
        std::string b;
        const int len = static_cast<int>(rng() % 16);
        for (int i = 0; i < len; ++i) b.push_back(static_cast<char>(rng() >> 5));
        ASSERT_EQ(written(fromUtf8(b)), b) << iter;
        ASSERT_EQ(toUtf8(fromUtf8(b)), b) << iter;
    }
}

}  // namespace
}  // namespace malvorn::posix::testing
