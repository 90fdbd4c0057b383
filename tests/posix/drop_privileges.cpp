// SPDX-License-Identifier: MIT
#include "drop_privileges.h"

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

namespace malvorn::posix::testing {

namespace {

std::string programPath = MALVORN_LIST_PROGRAM;

int giveToOrdinaryUser(const char* path, const struct stat*, int, FTW*) {
    return ::lchown(path, ordinaryUserId, ordinaryGroupId) == 0 ? 0 : errno;
}

// In the child only: a failure here must end the child, since carrying on
// as root would make the permission tests pass for the wrong reason.
[[noreturn]] void dropFailed(const char* what) {
    std::fprintf(stderr, "cannot drop privileges: %s: %s\n", what, std::strerror(errno));
    std::fflush(stderr);
    ::_exit(3);
}

void dropToOrdinaryUser() {
    if (::setgroups(0, nullptr) != 0) dropFailed("setgroups");
    if (::setresgid(ordinaryGroupId, ordinaryGroupId, ordinaryGroupId) != 0) dropFailed("setresgid");
    if (::setresuid(ordinaryUserId, ordinaryUserId, ordinaryUserId) != 0) dropFailed("setresuid");
    if (::geteuid() == 0 || ::setresuid(0, 0, 0) == 0) dropFailed("root is still reachable");
}

}  // namespace

void asOrdinaryUser(const std::vector<std::string>& handOver, const std::function<void()>& body) {
    if (::geteuid() != 0) {
        body();
        return;
    }
    for (const std::string& path : handOver)
        ASSERT_EQ(::nftw(path.c_str(), giveToOrdinaryUser, 16, FTW_PHYS), 0) << "chown " << path;
    // Opened as root, so that the child can start the program even where
    // the build folder is closed to it.
    const int program = ::open(MALVORN_LIST_PROGRAM, O_PATH | O_CLOEXEC);
    ASSERT_GE(program, 0) << MALVORN_LIST_PROGRAM;

    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(program);
        FAIL() << "fork: " << std::strerror(errno);
    }
    if (pid == 0) {
        dropToOrdinaryUser();
        if (::access(MALVORN_LIST_PROGRAM, X_OK) != 0) programPath = "/proc/self/fd/" + std::to_string(program);
        try {
            body();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "exception: " << e.what();
        } catch (...) {
            ADD_FAILURE() << "unknown exception";
        }
        std::fflush(nullptr);
        // _exit: the child must not run the rest of the tests nor the
        // parent's destructors (which remove the temporary folders).
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    ::close(program);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) FAIL() << "waitpid: " << std::strerror(errno);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the part run as user " << ordinaryUserId << " failed (its messages are above), status " << status;
}

const char* listProgram() { return programPath.c_str(); }

}  // namespace malvorn::posix::testing
