// SPDX-License-Identifier: MIT
// Whether the event loop has anything to do, found out without a system call.
#pragma once

namespace malvorn::qt {

// False only when it is certain that a pump would find nothing: no event
// posted, no window-system event queued, no timer due, no socket to poll.
// True whenever it cannot tell (another event dispatcher, another Qt than the
// one built against), so that the pump then asks Qt as usual.
bool eventsMayBePending();

}  // namespace malvorn::qt
