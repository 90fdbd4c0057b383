// SPDX-License-Identifier: MIT
// Permission bits do not keep root out, so a test of what an ordinary user
// may not read would pass vacuously when the tests run as root (as they do
// in CI). These helpers run such a test's body as the user `nobody` instead.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace malvorn::posix::testing {

// The user and group a test body runs as when the tests run as root.
inline constexpr uid_t ordinaryUserId = 65534;
inline constexpr gid_t ordinaryGroupId = 65534;

// Runs `body` as an ordinary user. Run by an ordinary user already, it is
// simply called. Run as root, it runs in a forked child that has dropped to
// `nobody` for good; the folders in `handOver` (and everything under them)
// are first given to that user so that the child can build and remove its
// trees there. Assertion failures inside the body are printed as usual and
// fail the calling test.
void asOrdinaryUser(const std::vector<std::string>& handOver, const std::function<void()>& body);

// The path by which the running test may start malvorn-list. In a child
// dropped to `nobody` the build folder may be closed to it (a checkout under
// /root), so it then starts the program through a descriptor opened before
// the drop.
const char* listProgram();

}  // namespace malvorn::posix::testing
