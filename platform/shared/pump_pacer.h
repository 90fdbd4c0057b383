// SPDX-License-Identifier: MIT
// The latest a long run's pump asks the window system for its events.
//
// A listing reaches a pump point every few microseconds, hundreds of
// thousands of times on a large tree, and nearly always there is nothing to
// do. Asking the window system each time costs more than the walk's own
// step, and no toolkit offers a cheap exact answer to "does anything wait?".
// So a backend asks only when the pacer says a millisecond has passed since
// it last asked: whatever waits is still taken within a millisecond, in the
// order it came.
#pragma once

#include <chrono>

namespace malvorn {

class PumpPacer {
public:
    static constexpr std::chrono::microseconds Interval{1000};

    // True at the first call and then once Interval has passed since it last
    // said true. Reading the monotonic clock is no system call where this
    // runs (the vDSO on Linux; QueryPerformanceCounter on Windows).
    bool due() {
        const auto now = std::chrono::steady_clock::now();
        if (asked_ && now - last_ < Interval) return false;
        asked_ = true;
        last_ = now;
        return true;
    }

private:
    bool asked_ = false;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace malvorn
