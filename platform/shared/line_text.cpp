// SPDX-License-Identifier: MIT
#include "platform/shared/line_text.h"

#include <algorithm>

namespace malvorn {

namespace {

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Every line end made CR LF.
Text withCrLf(TextView text) {
    Text out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::size_t LineText::lineEnd(std::size_t line) const {
    return line + 1 < starts_.size() ? starts_[line + 1] - 2 : size_;
}

std::size_t LineText::lineOf(std::size_t position) const {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), position);
    return static_cast<std::size_t>(it - starts_.begin()) - 1;
}

std::pair<std::size_t, std::size_t> LineText::locate(std::size_t position) const {
    if (blocks_.empty()) return {0, 0};
    const auto it = std::upper_bound(blockStarts_.begin(), blockStarts_.end(), position);
    const std::size_t b = it == blockStarts_.begin() ? 0 : static_cast<std::size_t>(it - blockStarts_.begin()) - 1;
    return {b, position - blockStarts_[b]};
}

char16_t LineText::at(std::size_t position) const {
    const auto [b, offset] = locate(position);
    return blocks_[b].units[offset];
}

TextView LineText::line(std::size_t line, Text& scratch) const {
    const std::size_t start = starts_[line], end = lineEnd(line);
    if (start == end) return {};
    const auto [b, offset] = locate(start);
    if (offset + (end - start) <= blocks_[b].size) return TextView(blocks_[b].units.get() + offset, end - start);
    scratch = slice(start, end);
    return scratch;
}

Text LineText::slice(std::size_t from, std::size_t to) const {
    Text out;
    if (to <= from) return out;
    out.reserve(to - from);
    auto [b, offset] = locate(from);
    while (from < to) {
        const std::size_t n = std::min(to - from, blocks_[b].size - offset);
        out.append(blocks_[b].units.get() + offset, n);
        from += n;
        ++b;
        offset = 0;
    }
    return out;
}

void LineText::readPieces(const std::function<void(TextView)>& piece) const {
    char16_t pair[2];
    bool held = false;  // a high surrogate that ended the last block
    for (const Block& k : blocks_) {
        TextView units(k.units.get(), k.size);
        if (units.empty()) continue;
        if (held) {
            pair[1] = units.front();
            const bool joined = isLow(units.front());
            piece(TextView(pair, joined ? 2 : 1));
            if (joined) units.remove_prefix(1);
            held = false;
        }
        if (!units.empty() && isHigh(units.back())) {
            pair[0] = units.back();
            units.remove_suffix(1);
            held = true;
        }
        if (!units.empty()) piece(units);
    }
    if (held) piece(TextView(pair, 1));
}

void LineText::recount(std::size_t b) {
    blockStarts_.resize(blocks_.size());
    for (std::size_t i = b; i < blocks_.size(); ++i)
        blockStarts_[i] = i == 0 ? 0 : blockStarts_[i - 1] + blocks_[i - 1].size;
}

std::size_t LineText::fill(std::size_t b, TextView units) {
    while (!units.empty()) {
        if (b == blocks_.size() || blocks_[b].size == BlockUnits) {
            // A new block behind this one (or the first).
            if (b < blocks_.size()) ++b;
            blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b),
                           Block{std::make_unique_for_overwrite<char16_t[]>(BlockUnits), 0});
        }
        Block& k = blocks_[b];
        const std::size_t n = std::min(units.size(), BlockUnits - k.size);
        std::copy_n(units.data(), n, k.units.get() + k.size);
        k.size += n;
        size_ += n;
        units.remove_prefix(n);
    }
    return b;
}

void LineText::append(TextView units) {
    if (units.empty()) return;
    const std::size_t last = blocks_.empty() ? 0 : blocks_.size() - 1;
    fill(last, units);
    recount(last);
}

void LineText::insert(std::size_t at, TextView units) {
    if (units.empty()) return;
    if (at == size_) return append(units);
    const auto [b, offset] = locate(at);
    Block& k = blocks_[b];
    if (k.size + units.size() <= BlockUnits) {
        // Room in the block: its units behind the place move up.
        std::copy_backward(k.units.get() + offset, k.units.get() + k.size, k.units.get() + k.size + units.size());
        std::copy_n(units.data(), units.size(), k.units.get() + offset);
        k.size += units.size();
        size_ += units.size();
        recount(b + 1);
        return;
    }
    // No room: the block is cut at the place, and the units, then what was
    // behind them in the block, go into it and into new blocks after it.
    const Text tail(k.units.get() + offset, k.size - offset);
    k.size = offset;
    size_ -= tail.size();
    fill(fill(b, units), tail);
    recount(b);
}

void LineText::erase(std::size_t from, std::size_t to) {
    while (to > from) {
        const auto [b, offset] = locate(from);
        Block& k = blocks_[b];
        const std::size_t n = std::min(to - from, k.size - offset);
        if (n == k.size) {
            blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
        } else {
            std::copy(k.units.get() + offset + n, k.units.get() + k.size, k.units.get() + offset);
            k.size -= n;
        }
        size_ -= n;
        to -= n;
        recount(b);
    }
}

std::size_t LineText::replace(std::size_t from, std::size_t to, TextView given) {
    // At the end (a listing's next line) the line is the last, unsearched.
    const std::size_t first = from == size_ ? starts_.size() - 1 : lineOf(from);
    const std::size_t last = to == size_ ? starts_.size() - 1 : lineOf(to);
    // One pass over the new text: the line starts within it and the
    // longest line it makes. A listing brings CR LF only and goes in
    // uncopied; any other line end (a paste, a name holding a line end)
    // is made CR LF and the pass made again.
    std::vector<std::size_t>& added = added_;
    std::size_t longestLength = 0, longestLine = first;
    auto scan = [&](TextView units) {
        added.clear();
        longestLength = 0;
        longestLine = first;
        std::size_t lineStart = starts_[first];
        for (std::size_t i = 0; i < units.size(); ++i) {
            const char16_t c = units[i];
            if (c > u'\r' || (c != u'\r' && c != u'\n')) continue;
            if (c == u'\n' || i + 1 >= units.size() || units[i + 1] != u'\n') return false;
            if (from + i - lineStart > longestLength) {
                longestLength = from + i - lineStart;
                longestLine = first + added.size();
            }
            lineStart = from + i + 2;
            added.push_back(lineStart);
            ++i;
        }
        return true;
    };
    Text normalised;
    const bool clean = scan(given);
    if (!clean) {
        normalised = withCrLf(given);
        scan(normalised);
    }
    const TextView text = clean ? given : TextView(normalised);

    erase(from, to);
    insert(from, text);

    const std::ptrdiff_t delta = static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(to - from);
    const auto begin = starts_.begin();
    starts_.erase(begin + static_cast<std::ptrdiff_t>(first) + 1, begin + static_cast<std::ptrdiff_t>(last) + 1);
    auto at = starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(first) + 1, added.begin(), added.end());
    if (delta != 0)
        for (auto it = at + static_cast<std::ptrdiff_t>(added.size()); it != starts_.end(); ++it)
            *it = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(*it) + delta);

    // The line the new text ends in runs on with what followed the old.
    const std::size_t lastLine = first + added.size();
    if (lineEnd(lastLine) - starts_[lastLine] > longestLength) {
        longestLength = lineEnd(lastLine) - starts_[lastLine];
        longestLine = lastLine;
    }
    if (longestLength > longest_) {
        longest_ = longestLength;
        longerLine_ = longestLine;
    }
    if (added.capacity() > 4096) std::vector<std::size_t>().swap(added);  // room kept for lines, not for pastes
    return text.size();
}

void LineText::select(std::size_t anchor, std::size_t caret) {
    auto valid = [this](std::size_t p) {
        p = std::min(p, size_);
        p = std::min(p, lineEnd(lineOf(p)));  // never inside a CR LF
        if (p > 0 && p < size_ && isLow(at(p)) && isHigh(at(p - 1))) --p;
        return p;
    };
    anchor_ = valid(anchor);
    caret_ = valid(caret);
}

void LineText::moveCaret(std::size_t position, bool keepAnchor) { select(keepAnchor ? anchor_ : position, position); }

void LineText::replaceSelection(TextView text) {
    const std::size_t from = selectionStart();
    caret_ = anchor_ = from + replace(from, selectionEnd(), text);
}

void LineText::assign(TextView text) {
    clear();
    replace(0, 0, text);
}

void LineText::clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    blockStarts_.clear();
    size_ = 0;
    std::vector<std::size_t>{0}.swap(starts_);
    caret_ = anchor_ = 0;
    longest_ = 0;
    longerLine_.reset();
}

std::size_t LineText::previous(std::size_t p) const {
    if (p == 0) return 0;
    const std::size_t l = lineOf(p);
    if (p == starts_[l]) return lineEnd(l - 1);
    return p - ((p >= 2 && isLow(at(p - 1)) && isHigh(at(p - 2))) ? 2 : 1);
}

std::size_t LineText::next(std::size_t p) const {
    const std::size_t l = lineOf(p);
    if (p >= lineEnd(l)) return l + 1 < starts_.size() ? starts_[l + 1] : p;
    return p + ((p + 1 < size_ && isHigh(at(p)) && isLow(at(p + 1))) ? 2 : 1);
}

std::optional<std::size_t> LineText::takeLongerLine() {
    std::optional<std::size_t> line = longerLine_;
    longerLine_.reset();
    if (line) line = std::min(*line, starts_.size() - 1);
    return line;
}

std::size_t LineText::longestLine() {
    std::size_t best = 0, length = 0;
    for (std::size_t l = 0; l < starts_.size(); ++l) {
        const std::size_t n = lineEnd(l) - starts_[l];
        if (n > length) {
            length = n;
            best = l;
        }
    }
    longest_ = length;
    longerLine_.reset();
    return best;
}

}  // namespace malvorn
