// SPDX-License-Identifier: MIT
// malvorn-list as a program: its output byte for byte against a listing made
// here independently (readdir and stat), its exit codes, Ctrl-C and broken
// or full outputs.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "drop_privileges.h"
#include "malvorn_version.h"
#include "posix_harness.h"
#include "tests/support/example_listing.h"

extern char** environ;

namespace malvorn::posix::testing {
namespace {

// The listing as the walk makes it, written out plainly: per folder its
// names in readdir order, dot entries aside, hidden names only when asked,
// only those an lstat finds; then line by line, walking into folders within
// the depth. A link is no folder; with `follow` it is what a stat of it
// finds, where that finds anything. Folders already on the way are listed
// but not walked into.
struct Reference {
    int levels = 1;
    bool files = false, hidden = false, bareNames = false, follow = false;
    std::string out;

    bool query(const std::string& path, struct stat& st) const {
        if (::lstat(path.c_str(), &st) != 0) return false;
        struct stat target;
        if (follow && S_ISLNK(st.st_mode) && ::stat(path.c_str(), &target) == 0) st = target;
        return true;
    }

    void list(const std::string& folder, int layer, std::vector<std::pair<dev_t, ino_t>>& chain) {
        std::vector<std::string> names;
        DIR* d = ::opendir(folder.c_str());
        if (!d) return;
        while (const dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            if (n[0] == '.' && !hidden) continue;
            struct stat st;
            if (!query(folder + "/" + n, st)) continue;
            if (!files && !S_ISDIR(st.st_mode)) continue;
            names.push_back(n);
        }
        ::closedir(d);
        for (const std::string& n : names) {
            const std::string full = folder + "/" + n;
            out += bareNames ? std::string(4 * (layer - 1), ' ') + n : full;
            out += "\r\n";
            struct stat st;
            if (layer < levels && query(full, st) && S_ISDIR(st.st_mode)) {
                const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
                if (std::find(chain.begin(), chain.end(), id) != chain.end()) continue;
                chain.push_back(id);
                list(full, layer + 1, chain);
                chain.pop_back();
            }
        }
    }

    std::string of(const std::string& start) {
        out.clear();
        std::vector<std::pair<dev_t, ino_t>> chain;
        struct stat st;
        if (::stat(start.c_str(), &st) == 0) chain.push_back({st.st_dev, st.st_ino});
        list(start, 1, chain);
        return out;
    }
};

struct ListProgramTest : ::testing::Test {
    TempFolder tmp;
    std::string D;
    void SetUp() override {
        D = tmp / "D";
        buildExample(D);
    }
    // A tree big enough that its listing cannot sit in the program's output
    // block and a pipe together.
    // Three levels of folders with long names: 4110 folders, over 3 MB.
    void buildLarge() {
        const std::string pad(240, 'p');
        for (int i = 0; i < 10; ++i) {
            const std::string f = D + "/" + pad + std::to_string(i);
            makeFolder(f);
            for (int j = 0; j < 10; ++j) {
                const std::string g = f + "/" + pad + std::to_string(j);
                makeFolder(g);
                for (int k = 0; k < 40; ++k) makeFolder(g + "/" + pad + std::to_string(k));
            }
        }
    }
};

TEST_F(ListProgramTest, ExampleByteForByte) {
    Reference r;
    r.levels = 2;
    const Outcome o = runList({"--levels", "2", D});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, r.of(D));
    EXPECT_EQ(o.err, "");
    const std::vector<std::string> lines = splitLines(o.out),
                                   expected = malvorn::testing::exampleListing(D, '/', 2, false);
    EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()),
              std::multiset<std::string>(expected.begin(), expected.end()));
}

TEST_F(ListProgramTest, ExampleNameFormAndWithFiles) {
    Reference r;
    r.levels = 2;
    r.bareNames = true;
    EXPECT_EQ(runList({"--levels", "2", "--no-path", D}).out, r.of(D));
    r.bareNames = false;
    r.files = true;
    const Outcome o = runList({"--files", "--levels", "2", D});
    EXPECT_EQ(o.out, r.of(D));
    EXPECT_EQ(splitLines(o.out).size(), 5u);
}

TEST_F(ListProgramTest, DefaultsAreOneLevelFoldersOnlyWithPaths) {
    Reference r;
    EXPECT_EQ(runList({D}).out, r.of(D));
    EXPECT_EQ(splitLines(runList({D}).out).size(), 2u);
}

TEST_F(ListProgramTest, LevelsAreReadTheWayTheDepthBoxReadsThem) {
    Reference r;
    r.levels = 2;
    EXPECT_EQ(runList({"--levels", " 2.4 deep", D}).out, r.of(D));  // leading number, rounded
    EXPECT_EQ(runList({"--levels=2.5", D}).out, r.of(D));           // a half to the even neighbour
    r.levels = 1;
    EXPECT_EQ(runList({"--levels", "0", D}).out, r.of(D));  // held at 1
    EXPECT_EQ(runList({"--levels", "-7", D}).out, r.of(D));
    r.levels = 32767;
    r.files = true;
    EXPECT_EQ(runList({"--levels", "1e9", "--files", D}).out, r.of(D));  // held at 32767
}

TEST_F(ListProgramTest, HiddenUndecodableAndLinkedNamesByteForByte) {
    makeFolder(D + "/.h");
    makeFile(D + "/.h/in");
    makeFolder(D + "/bad\xff");
    makeFile(D + "/bad\xff/\xe4\xb8\xad\xe6\x96\x87 \xc3");
    addExampleLinks(D);
    Reference r;
    r.levels = 32767;
    r.files = true;
    r.hidden = true;
    const Outcome o = runList({"--levels", "32767", "--files", "--hidden", D});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, r.of(D));
    EXPECT_NE(o.out.find(D + "/bad\xff/\xe4\xb8\xad\xe6\x96\x87 \xc3\r\n"), std::string::npos);
    r.bareNames = true;
    EXPECT_EQ(runList({"--levels", "32767", "--files", "--hidden", "--no-path", D}).out, r.of(D));
    r.follow = true;
    EXPECT_EQ(runList({"--levels", "32767", "--files", "--hidden", "--no-path", "--follow", D}).out, r.of(D));
    r.bareNames = false;
    r.files = false;
    EXPECT_EQ(runList({"-laL", "32767", D}).out, r.of(D));
}

TEST_F(ListProgramTest, AFolderMountedInsideItselfIsListedButNotWalkedIntoAgain) {
    // a mounted on a/x, in a mount namespace of the program's own, so that
    // the mount goes when the program ends.
    addExampleLinks(D);
    auto listMounted = [&](const std::string& program, const std::vector<std::string>& args) {
        std::vector<std::string> words{"unshare",
                                       "-m",
                                       "--propagation",
                                       "private",
                                       "/bin/sh",
                                       "-c",
                                       "mount --bind \"$1\" \"$2\" && shift 2 && exec \"$0\" \"$@\"",
                                       program,
                                       D + "/a",
                                       D + "/a/x"};
        words.insert(words.end(), args.begin(), args.end());
        return runCommand(words);
    };
    if (listMounted("true", {}).status != 0) GTEST_SKIP() << "no mount may be made here";
    using Lines = std::vector<std::string>;
    auto lines = [&](const std::vector<std::string>& args) {
        const Outcome o = listMounted(MALVORN_LIST_PROGRAM, args);
        EXPECT_EQ(o.status, 0) << o.err;
        Lines v = splitLines(o.out);
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(lines({"-fL", "32767", D}), (Lines{D + "/a", D + "/a/notes.txt", D + "/a/x", D + "/b", D + "/dangling",
                                                 D + "/la", D + "/lr", D + "/readme.txt"}));
    EXPECT_EQ(lines({"-fL", "32767", D + "/a"}), (Lines{D + "/a/notes.txt", D + "/a/x"}));
    // Started through a link, the way down begins at the folder it names.
    EXPECT_EQ(lines({"-fL", "32767", D + "/la"}), (Lines{D + "/la/notes.txt", D + "/la/x"}));
    EXPECT_EQ(lines({"-lL", "32767", D}), (Lines{D + "/a", D + "/a/x", D + "/b", D + "/la", D + "/la/x"}));
}

// Sorted, the entries of a listing ended by NUL, as find -print0 and -0 write
// them.
std::vector<std::string> entries(const std::string& out) {
    std::vector<std::string> v;
    for (std::size_t start = 0, end; (end = out.find('\0', start)) != std::string::npos; start = end + 1)
        v.push_back(out.substr(start, end - start));
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(ListProgramTest, EntriesAreThoseFindListsAtEveryDepth) {
    addExampleLinks(D);
    makeFolder(D + "/.h");
    makeFile(D + "/.h/in");
    makeLink("../.h", D + "/b/lh");
    makeFolder(D + "/bad\xff");
    makeFile(D + "/bad\xff/f\xc0");
    makeLink("../a/x", D + "/bad\xff/lx");
    for (const std::string depth : {"1", "2", "3", "4", "32767"}) {
        const Outcome all = runList({"-0faL", depth, D});
        const Outcome found = runCommand({"find", D, "-mindepth", "1", "-maxdepth", depth, "-print0"});
        ASSERT_EQ(found.status, 0) << found.err;
        EXPECT_EQ(all.status, 0) << all.err;
        EXPECT_EQ(entries(all.out), entries(found.out)) << depth;
        const Outcome folders = runList({"-0aL", depth, D});
        const Outcome foundFolders =
            runCommand({"find", D, "-mindepth", "1", "-maxdepth", depth, "-type", "d", "-print0"});
        EXPECT_EQ(entries(folders.out), entries(foundFolders.out)) << depth;
    }
    EXPECT_EQ(entries(runList({"-0faL", "9", D}).out).size(), 15u);
}

TEST_F(ListProgramTest, FollowGoesIntoFolderLinksAndStopsAtFoldersOnTheWay) {
    addExampleLinks(D);
    using Lines = std::vector<std::string>;
    auto sorted = [](Lines v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    // D/la is a, walked into; D/a/x/up and D/la/x/up are D, on the way down
    // to them both times: listed, as folders, but not walked into.
    const Outcome o = runList({"--follow", "-fL", "32767", D});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(sorted(splitLines(o.out)),
              (Lines{D + "/a", D + "/a/notes.txt", D + "/a/x", D + "/a/x/up", D + "/b", D + "/dangling", D + "/la",
                     D + "/la/notes.txt", D + "/la/x", D + "/la/x/up", D + "/lr", D + "/readme.txt"}));
    EXPECT_EQ(sorted(splitLines(runList({"-lL", "32767", D}).out)),
              (Lines{D + "/a", D + "/a/x", D + "/a/x/up", D + "/b", D + "/la", D + "/la/x", D + "/la/x/up"}));
    // Started through the link: the way down begins at a, so D/la/x/up
    // (D) is walked into, and the a and la in it are not.
    const std::string L = D + "/la";
    const Outcome fromLink = runList({"-lfL", "32767", L});
    EXPECT_EQ(sorted(splitLines(fromLink.out)),
              (Lines{L + "/notes.txt", L + "/x", L + "/x/up", L + "/x/up/a", L + "/x/up/b", L + "/x/up/dangling",
                     L + "/x/up/la", L + "/x/up/lr", L + "/x/up/readme.txt"}));
    Reference r;
    r.levels = 32767;
    r.files = true;
    r.follow = true;
    EXPECT_EQ(o.out, r.of(D));
    EXPECT_EQ(fromLink.out, r.of(L));
}

TEST_F(ListProgramTest, RelativeFolderGivesRelativePaths) {
    // Run from the temporary folder through `env -C`-free means: the
    // program's own current folder is inherited, so a relative path is
    // resolved against the test's current folder.
    char cwd[PATH_MAX];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(tmp.path().c_str()), 0);
    const Outcome o = runList({"--levels", "2", "D"});
    ASSERT_EQ(::chdir(cwd), 0);
    Reference r;
    r.levels = 2;
    ASSERT_EQ(::chdir(tmp.path().c_str()), 0);
    const std::string expected = r.of("D");
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, expected);
    EXPECT_EQ(o.err, "");
}

TEST_F(ListProgramTest, DeepChainNeedsFewFileDescriptors) {
    // 2100 levels, deeper than any path may be long, listed with no more
    // than 48 descriptors allowed.
    makeChain(D, "d", 2100);
    const std::string script = "ulimit -n 48 && exec '" + std::string(MALVORN_LIST_PROGRAM) + "' --levels 32767 '" + D +
                               "/d' > '" + tmp.path() + "/deep.out'";
    ASSERT_EQ(std::system(script.c_str()), 0);
    const std::vector<std::string> lines = splitLines(readFile(tmp / "deep.out"));
    const std::size_t expected = (PATH_MAX - 1 - (D + "/d").size()) / 2;
    ASSERT_EQ(lines.size(), expected);
    EXPECT_EQ(lines.back().size(), (D + "/d").size() + 2 * expected);
}

TEST_F(ListProgramTest, DescriptorPressureLosesNoLine) {
    // Fewer descriptors than the folders held open for quicker queries: they
    // are given back as the descriptors run out, down to none held.
    const std::string C = tmp / "C";
    makeFolder(C);
    makeChain(C, "d", 60);
    const Outcome free = runList({"--levels", "32767", "--files", C});
    ASSERT_EQ(free.status, 0) << free.err;
    ASSERT_EQ(splitLines(free.out).size(), 60u);
    for (int limit : {8, 16, 32}) {
        const Outcome o = runList({"--levels", "32767", "--files", C}, limit);
        EXPECT_EQ(o.status, 0) << limit << ": " << o.err;
        EXPECT_EQ(o.out, free.out) << limit;
        EXPECT_EQ(o.err, "") << limit;
    }
}

TEST_F(ListProgramTest, BadUsageExitsWithTwoAndTheUsage) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"--bogus", D},
             {D, D},
             {"--levels"},
             {D, "--levels"},
             {"--levels", "abc", D},
             {"--levels", "", D},
             {"-x", D},
             {"-fx", D},
             {"-L"},
             {D, "--eol"},
             {"--eol=cr", D},
             {"--files=yes", D},
             {"--follow=yes", D},
             {"--lev", "2"},
         }) {
        const Outcome o = runList(args);
        EXPECT_EQ(o.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find("用法：malvorn-list"), std::string::npos) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 2) << o.err;
    }
}

// The options as scripts write them: bundled short options, the line ends
// they ask for, and the help and version a packager or user looks for.
TEST_F(ListProgramTest, ShortOptionsLineEndsHelpAndVersion) {
    Reference r;
    r.levels = 2;
    r.files = true;
    r.hidden = true;
    makeFile(D + "/.hidden");
    const std::string crlf = r.of(D);
    EXPECT_EQ(runList({"-faL", "2", D}).out, crlf);
    EXPECT_EQ(runList({"-faL2", D}).out, crlf);
    EXPECT_EQ(runList({D, "-f", "--hidden", "--levels=2", "--eol=crlf"}).out, crlf);  // options after the folder
    std::string lf, nul;
    for (const std::string& line : splitLines(crlf)) {
        lf += line + "\n";
        nul += line + '\0';
    }
    EXPECT_EQ(runList({"--eol=lf", "-faL", "2", D}).out, lf);
    EXPECT_EQ(runList({"-0faL", "2", D}).out, nul);
    EXPECT_EQ(runList({"--null", "--eol", "lf", "-faL", "2", D}).out, lf);  // the last one given counts
    Reference names;
    names.bareNames = true;
    EXPECT_EQ(runList({"-nL", "1", D}).out, names.of(D));

    const Outcome version = runList({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "malvorn-list " MALVORN_VERSION "\n");
    EXPECT_EQ(runList({"-V"}).out, version.out);
    const Outcome help = runList({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    for (const char* word : {"--levels", "-L", "--files", "-f", "--hidden", "-a", "--no-path", "-n", "--follow", "-l",
                             "--eol=crlf|lf", "-0", "--null", "--help", "--version", "CR LF", "130", "xargs -0"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

TEST_F(ListProgramTest, MissingFolderOrFileExitsWithOne) {
    for (const std::string& f : {D + "/missing", D + "/readme.txt", D + "/readme.txt/x", std::string()}) {
        const Outcome o = runList({f});
        EXPECT_EQ(o.status, 1) << f;
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find("malvorn-list: " + f), std::string::npos) << o.err;
    }
}

TEST_F(ListProgramTest, FolderThatCannotBeReadExitsWithOne) {
    // Only a folder the user may not read; subfolders like it stay silent.
    asOrdinaryUser({tmp.path()}, [&] {
        ASSERT_EQ(::chmod((D + "/a").c_str(), 0), 0);
        const Outcome inner = runList({"--levels", "3", D});
        EXPECT_EQ(inner.status, 0) << inner.err;
        std::vector<std::string> lines = splitLines(inner.out);
        std::sort(lines.begin(), lines.end());
        EXPECT_EQ(lines, (std::vector<std::string>{D + "/a", D + "/b"}));
        EXPECT_EQ(inner.err, "");
        for (mode_t mode : {0000, 0100, 0200}) {
            ASSERT_EQ(::chmod(D.c_str(), mode), 0);
            const Outcome o = runList({D});
            EXPECT_EQ(o.status, 1) << std::oct << mode;
            EXPECT_EQ(o.out, "");
            EXPECT_NE(o.err.find("malvorn-list: " + D + ": "), std::string::npos) << o.err;
        }
        ::chmod(D.c_str(), 0755);
        ::chmod((D + "/a").c_str(), 0755);
    });
}

TEST_F(ListProgramTest, FullOutputFailsWithOne) {
    buildLarge();
    pid_t pid = 0;
    std::vector<std::string> words{MALVORN_LIST_PROGRAM, "--levels", "3", D};
    std::vector<char*> argv = argvOf(words);
    const std::string errPath = tmp / "err";
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_addopen(&a, 1, "/dev/full", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&a, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    ASSERT_EQ(posix_spawn(&pid, argv[0], &a, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&a);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(readFile(errPath).find("磁盘已满"), std::string::npos) << readFile(errPath);
}

// malvorn-list with its output into a pipe that the test reads.
struct Piped {
    pid_t pid = 0;
    int fd = -1;
    int ended = -1;  // exit status once collected
    std::string errPath;

    Piped(const std::vector<std::string>& args, const std::string& err) : errPath(err) {
        int p[2];
        if (::pipe(p) != 0) throw std::runtime_error("pipe");
        std::vector<std::string> words{MALVORN_LIST_PROGRAM};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv = argvOf(words);
        posix_spawn_file_actions_t a;
        posix_spawn_file_actions_init(&a);
        posix_spawn_file_actions_adddup2(&a, p[1], 1);
        posix_spawn_file_actions_addclose(&a, p[0]);
        posix_spawn_file_actions_addclose(&a, p[1]);
        posix_spawn_file_actions_addopen(&a, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int rc = posix_spawn(&pid, argv[0], &a, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&a);
        ::close(p[1]);
        fd = p[0];
        if (rc != 0) throw std::runtime_error("posix_spawn");
    }
    ~Piped() {
        if (fd >= 0) ::close(fd);
    }

    // Waits until the program has filled the pipe, so that it is blocked in
    // the middle of its listing. Polls without a time limit of its own.
    void waitUntilFull() {
        for (;;) {
            int queued = 0;
            if (::ioctl(fd, FIONREAD, &queued) != 0) throw std::runtime_error("FIONREAD");
            if (queued >= ::fcntl(fd, F_GETPIPE_SZ)) return;
            // A program that ended cannot fill the pipe: no waiting forever.
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                ended = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                throw std::runtime_error("malvorn-list ended before filling the pipe: " + std::to_string(ended));
            }
            ::usleep(1000);
        }
    }
    std::string readAll() {
        std::string out;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    // Waits until the program has taken the signals sent to it.
    void waitUntilDelivered(int sig) {
        const std::string statusPath = "/proc/" + std::to_string(pid) + "/status";
        const unsigned long long bit = 1ULL << (sig - 1);
        for (;;) {
            const std::string s = readFile(statusPath);
            bool pending = false;
            for (const char* key : {"\nSigPnd:", "\nShdPnd:"}) {
                const std::size_t at = s.find(key);
                if (at != std::string::npos && (std::stoull(s.substr(at + 8), nullptr, 16) & bit)) pending = true;
            }
            if (!pending) return;
            ::usleep(1000);
        }
    }
    int wait() {
        if (ended >= 0) return ended;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0)
            if (errno != EINTR) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
};

TEST_F(ListProgramTest, CtrlCStopsWithWholeLinesAndExits130) {
    buildLarge();
    const std::string full = runList({"--levels", "3", D}).out;
    ASSERT_GT(full.size(), 2u << 20);

    Piped p({"--levels", "3", D}, tmp / "err");
    p.waitUntilFull();
    ASSERT_EQ(::kill(p.pid, SIGINT), 0);
    const std::string out = p.readAll();
    EXPECT_EQ(p.wait(), 130);
    EXPECT_LT(out.size(), full.size());
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
    // Whole lines of the full listing, in its order: the walk winds down by
    // writing the names it had gathered without walking into them.
    const std::vector<std::string> all = splitLines(full), some = splitLines(out);
    std::size_t next = 0;
    for (const std::string& l : some) {
        while (next < all.size() && all[next] != l) ++next;
        ASSERT_LT(next, all.size()) << "not a line of the full listing, or out of its order: " << l;
        ++next;
    }
    for (const std::string& l : splitLines(out)) ASSERT_EQ(l.rfind(D + "/", 0), 0u) << l;
}

TEST_F(ListProgramTest, SecondCtrlCEndsAtOnce) {
    buildLarge();
    Piped p({"--levels", "3", D}, tmp / "err");
    p.waitUntilFull();
    ASSERT_EQ(::kill(p.pid, SIGINT), 0);
    p.waitUntilDelivered(SIGINT);  // two at once would arrive as one
    ASSERT_EQ(::kill(p.pid, SIGINT), 0);
    // Blocked in a write, the program ends without the reader's help.
    EXPECT_EQ(p.wait(), 130);
}

TEST_F(ListProgramTest, NonBlockingOutputIsWaitedFor) {
    buildLarge();
    const std::string full = runList({"--levels", "3", D}).out;
    // The program gets a pipe left non-blocking; it must wait for the reader
    // rather than give up when the pipe is full.
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    ASSERT_EQ(::fcntl(p[1], F_SETFL, ::fcntl(p[1], F_GETFL) | O_NONBLOCK), 0);
    std::vector<std::string> words{MALVORN_LIST_PROGRAM, "--levels", "3", D};
    std::vector<char*> argv = argvOf(words);
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, p[1], 1);
    posix_spawn_file_actions_addclose(&a, p[0]);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &a, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&a);
    ::close(p[1]);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = ::read(p[0], buf, sizeof buf)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        ASSERT_GT(n, 0);
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(p[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(out, full);
}

TEST_F(ListProgramTest, ClosedPipeEndsQuietly) {
    buildLarge();
    Piped p({"--levels", "3", D}, tmp / "err");
    p.waitUntilFull();
    ::close(p.fd);
    p.fd = -1;
    EXPECT_EQ(p.wait(), 128 + SIGPIPE);
    EXPECT_EQ(readFile(tmp / "err"), "");
}

}  // namespace
}  // namespace malvorn::posix::testing
