// SPDX-License-Identifier: MIT
// The program's own name, in one place: the window's caption and the
// publisher's site name begin with it, and the report of an unhandled
// failure carries it as its title.
#pragma once

namespace malvorn {

inline constexpr char ProductName[] = "Malvorn";

}  // namespace malvorn
