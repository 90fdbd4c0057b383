// SPDX-License-Identifier: MIT
// Number conversions of the depth box: the leading number of a text, its
// rounding to a depth, and the text of a stepped value.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace malvorn {

// The number at the start of the text, as a double: leading blanks skipped,
// then an optional sign, digits with at most one full stop, an optional
// exponent (E or e). Reading stops at the first character that cannot go on;
// a text that does not begin with a number reads as 0. `found` tells whether
// a number was there at all.
double LeadingNumber(TextView text, bool* found = nullptr);

// Rounded to the nearest integer, a half going to the even neighbour.
// Values beyond the signed 32-bit range are held at its ends.
std::int32_t RoundToInt32(double value);

// A stepped value as the box shows it: integral values as plain digits,
// others with a full stop and at most 15 significant digits.
Text SteppedText(double value);

}  // namespace malvorn
