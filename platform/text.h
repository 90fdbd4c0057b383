// SPDX-License-Identifier: MIT
// Text as the core holds it: UTF-16 code units. Names that came from a file
// system as bytes that are not valid UTF-8 carry each undecodable byte as a
// lone low surrogate U+DC80..U+DCFF, so that they survive the round trip to
// the file system and to saved files unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace malvorn {

using Text = std::u16string;
using TextView = std::u16string_view;

// ASCII and UTF-8 literals into Text; for the program's own fixed texts.
Text fromUtf8(std::string_view utf8);

// The same into `out`, whose room is reused (for the names of a walk).
void fromUtf8Into(std::string_view utf8, Text& out);

// Text back into UTF-8. Lone surrogates U+DC80..U+DCFF become the bytes they
// stand for; any other lone surrogate becomes U+FFFD.
std::string toUtf8(TextView text);

// Calls `chunk` with the text's consecutive parts of at most `units` units
// (at least 2), none ending inside a surrogate pair: a large text is
// converted a part at a time.
template <class Chunk>
void inChunks(TextView text, std::size_t units, Chunk&& chunk) {
    while (!text.empty()) {
        std::size_t n = text.size() < units ? text.size() : units;
        if (n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
        chunk(text.substr(0, n));
        text.remove_prefix(n);
    }
}

// Text for display: escaped bytes are shown as U+FFFD so that a person sees
// that the name held bytes that are not text.
Text forDisplay(TextView text);

// Decimal text of a signed number ("-12", "0", "32767").
Text decimal(long long value);

}  // namespace malvorn
