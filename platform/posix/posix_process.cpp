// SPDX-License-Identifier: MIT
#include "platform/posix/posix_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/posix/posix_errno_failure.h"

extern char** environ;

namespace malvorn::posix {

namespace {

// Frees the spawn records on every way out.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

void check(int rc) {
    if (rc != 0) throwErrno(rc);
}

}  // namespace

Text ProcessStarter::urlOpenCommand(const Text& url) const { return u"xdg-open " + url; }

void ProcessStarter::startHidden(const Text& commandLine) {
    std::vector<std::string> words;
    const std::string line = toUtf8(commandLine);
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string::npos) break;
        const std::size_t end = line.find(' ', start);
        words.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        pos = end == std::string::npos ? line.size() : end;
    }
    if (words.empty()) throwErrno(ENOENT);  // no program named
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    SpawnSetup s;
    for (int fd = 0; fd <= 2; ++fd)
        check(posix_spawn_file_actions_addopen(&s.actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0));
    // Its own session: no terminal of ours, no Ctrl-C meant for us. Signals
    // this program ignores or blocks are the program's business, not the
    // started one's, so they go back to their defaults.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
    check(posix_spawnattr_setsigmask(&s.attributes, &none));
    check(posix_spawnattr_setsigdefault(&s.attributes, &defaults));
    check(posix_spawnattr_setflags(&s.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));

    pid_t pid = 0;
    // The C library reports a program that cannot be executed (missing, not
    // executable) here, as the error of the call.
    check(posix_spawnp(&pid, argv[0], &s.actions, &s.attributes, argv.data(), environ));

    // Collect its exit status when it ends so that it leaves no zombie; this
    // program does not wait for it. Should this program end first, the
    // started one is adopted by the system and collected there.
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the program has started all the same, which is
        // what was asked; its exit status stays uncollected until we end.
    }
}

}  // namespace malvorn::posix
