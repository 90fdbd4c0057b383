// SPDX-License-Identifier: MIT
#include "posix_harness.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "drop_privileges.h"
#include "tests/support/listing_lines.h"

extern char** environ;

namespace malvorn::posix::testing {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::to_string(errno)); }

std::string tempBase() {
    const char* t = std::getenv("TMPDIR");
    return (t && *t) ? t : "/tmp";
}

}  // namespace

TempFolder::TempFolder() {
    std::string tmpl = tempBase() + "/malvorn-posix-XXXXXX";
    if (!mkdtemp(tmpl.data())) fail("mkdtemp");
    path_ = tmpl;
}

TempFolder::~TempFolder() {
    // Permission bits may have been taken away by a test run as a user.
    const std::string cmd = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
    if (std::system(cmd.c_str()) != 0) {
        // Nothing more to do: a leftover temporary folder harms no test.
    }
}

void makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) fail("mkdir " + path);
}

void makeFile(const std::string& path, const std::string& content) {
    std::ofstream f(path, std::ios::binary);
    if (!f) fail("create " + path);
    f << content;
}

void makeLink(const std::string& target, const std::string& path) {
    if (::symlink(target.c_str(), path.c_str()) != 0) fail("symlink " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void makeChain(const std::string& top, const std::string& name, int depth) {
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail("open " + top);
    for (int i = 0; i < depth; ++i) {
        const int made = ::mkdirat(fd, name.c_str(), 0777);
        const int next = made == 0 ? ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        ::close(fd);
        if (next < 0) fail("chain level " + std::to_string(i));
        fd = next;
    }
    ::close(fd);
}

void buildTree(const std::string& top, const Tree& tree) {
    makeFolder(top);
    for (const malvorn::testing::TreeEntry& e : tree) {
        if (e.folder) {
            makeFolder(top + "/" + e.path);
        } else {
            makeFile(top + "/" + e.path);
        }
    }
}

void addExampleLinks(const std::string& D) {
    makeLink("nowhere", D + "/dangling");
    makeLink("readme.txt", D + "/lr");
    makeLink("a", D + "/la");
    makeLink("../..", D + "/a/x/up");
}

std::vector<std::string> Window::run(const std::string& start, int levels, bool withFiles, bool withHidden,
                                     bool bareNames) {
    form.State.Levels = levels;
    form.State.SkipChange = True;
    ws.textBox(ControlId::txtPath).setText(fromUtf8(start));
    ws.checkBox(ControlId::ChFiles).setValue(withFiles ? 1 : 0);
    ws.checkBox(ControlId::ChHidden).setValue(withHidden ? 1 : 0);
    ws.checkBox(ControlId::ChNoPath).setValue(bareNames ? 1 : 0);
    ws.button(ControlId::cmdDoIt).click();
    return splitLines(resultBytes());
}

std::string Window::resultBytes() { return toUtf8(ws.textBox(ControlId::txtResult).text()); }

std::vector<char*> argvOf(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return argv;
}

std::vector<std::string> splitLines(const std::string& text) { return malvorn::testing::splitListingLines(text); }

int openDescriptors() {
    int n = 0;
    DIR* d = ::opendir("/proc/self/fd");
    if (!d) fail("opendir /proc/self/fd");
    while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') ++n;
    ::closedir(d);
    return n - 1;  // the one reading the list
}

namespace {

// Runs `program` with `words` as its argument vector, its output into files
// that are read back once it has ended.
Outcome runProgram(const char* program, std::vector<std::string>& words) {
    TempFolder io;
    const std::string outPath = io / "out", errPath = io / "err";
    std::vector<char*> argv = argvOf(words);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        errno = rc;
        fail(std::string("posix_spawn ") + program);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) fail("waitpid");
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = readFile(outPath);
    o.err = readFile(errPath);
    return o;
}

}  // namespace

Outcome runList(const std::vector<std::string>& args, int descriptorLimit) {
    std::vector<std::string> words{MALVORN_LIST_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    const char* program = listProgram();
    if (descriptorLimit > 0) {
        // The shell sets the limit and becomes the program ("$0" "$@").
        words.insert(words.begin(),
                     {"/bin/sh", "-c", "ulimit -n " + std::to_string(descriptorLimit) + " && exec \"$0\" \"$@\""});
        program = "/bin/sh";
    }
    return runProgram(program, words);
}

Outcome runCommand(std::vector<std::string> words) {
    const std::string program = words.at(0);
    return runProgram(program.c_str(), words);
}

}  // namespace malvorn::posix::testing
