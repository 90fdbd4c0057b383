// SPDX-License-Identifier: MIT
#include "platform/console/console_interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace malvorn::console {

namespace {

std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    if (interrupts.fetch_add(1) >= 1) _exit(128 + SIGINT);
}

}  // namespace

void installInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigprocmask(SIG_UNBLOCK, &interrupt, nullptr);  // whatever the starting program had blocked
    signal(SIGPIPE, SIG_DFL);
}

bool interrupted() { return interrupts.load() > 0; }

}  // namespace malvorn::console
