// SPDX-License-Identifier: MIT
// The lines of a listing into UTF-8, each folder encoded once rather than
// once for every line in it. A line with a path is its folder and a name,
// and consecutive lines nearly always share their folder or part of it (the
// walk writes a folder's names one after the other and comes back to the
// same folder after each subfolder); encoding the whole path again for every
// line was a quarter of malvorn-list's own work.
//
// The folder part of the last line (up to its last "/") is kept with its
// bytes and the byte offset after each "/" in it; a new line takes the bytes
// of the part both share, up to a "/", and encodes only the rest. A cut
// after "/" (an ASCII unit) never falls inside a surrogate pair, so the bytes
// are exactly those toUtf8 gives for the whole line, whatever the text holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/posix_text_scan.h"
#include "platform/posix/posix_utf8.h"

namespace malvorn::posix {

class LineEncoder {
public:
    // Writes toUtf8(line) at `out`, which has room for
    // maxUtf8Bytes(line.size()) bytes, and returns the end of what it wrote.
    char* encode(TextView line, char* out) {
        const std::size_t slash = lastIndexOf(line, u'/');
        if (slash == TextView::npos) return writeUtf8(line, out);
        const std::size_t folderUnits = slash + 1;
        const TextView folder = line.substr(0, folderUnits);

        // How much of the kept folder this line shares, cut back to a "/".
        std::size_t shared = std::min(folder.size(), folder_.size());
        if (std::memcmp(folder.data(), folder_.data(), shared * sizeof(char16_t)) != 0)
            shared = sharedUnits(folder.data(), folder_.data(), shared);
        while (!marks_.empty() && marks_.back().first > shared) marks_.pop_back();
        const std::size_t keptUnits = marks_.empty() ? 0 : marks_.back().first;
        const std::size_t keptBytes = marks_.empty() ? 0 : marks_.back().second;

        if (keptUnits < folderUnits) {
            // Encode the new part one folder at a time, marking each end.
            folder_.resize(keptUnits);
            bytes_.resize(keptBytes);
            std::size_t from = keptUnits;
            while (from < folderUnits) {
                const std::size_t to = folder.find(u'/', from) + 1;
                const TextView part = folder.substr(from, to - from);
                const std::size_t start = bytes_.size();
                bytes_.resize(start + maxUtf8Bytes(part.size()));
                bytes_.resize(static_cast<std::size_t>(writeUtf8(part, bytes_.data() + start) - bytes_.data()));
                folder_.append(part);
                marks_.emplace_back(to, bytes_.size());
                from = to;
            }
        }
        const std::size_t folderBytes = marks_.back().second;
        std::memcpy(out, bytes_.data(), folderBytes);
        return writeUtf8(line.substr(folderUnits), out + folderBytes);
    }

private:
    Text folder_;        // the kept folder part, ending in "/"
    std::string bytes_;  // its bytes
    // After each "/" of folder_: its length in units and in bytes so far.
    std::vector<std::pair<std::size_t, std::size_t>> marks_;
};

}  // namespace malvorn::posix
