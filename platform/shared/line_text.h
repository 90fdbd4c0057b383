// SPDX-License-Identifier: MIT
// The text of a multi-line box built for listings of hundreds of thousands
// of lines: the text is held once, with the start of every line, and a
// caret with a selection. Adding text at the end costs what copying it
// costs, however long the text already is; the box only draws the lines in
// sight, which the line index finds at once.
//
// Lines are ended by CR LF only: other line ends are made CR LF on the way
// in, so that every break is two units, and no caret or selection end ever
// stands between them. Units that are not text (lone surrogates standing
// for bytes of a name) are held as they came, so that the whole text reads
// back exactly as it was written.
//
// The units live in blocks of a fixed room, not in one string: a string
// that grows by doubling holds up to twice the text, and three times while
// it moves to a larger place; the blocks never move. A block may be part
// full: an edit in the middle of the text moves units within one block
// (splitting it when it overflows), not the whole text behind the edit.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace malvorn {

class LineText {
public:
    static constexpr std::size_t BlockUnits = std::size_t{1} << 20;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t lineCount() const { return starts_.size(); }
    std::size_t lineStart(std::size_t line) const { return starts_[line]; }
    // Where the line's text ends, before its CR LF.
    std::size_t lineEnd(std::size_t line) const;
    // The line that holds a position (the last line for the end).
    std::size_t lineOf(std::size_t position) const;
    char16_t at(std::size_t position) const;

    // A line's units. They are read in place; `scratch` holds a copy only
    // when the line crosses from one block into the next.
    TextView line(std::size_t line, Text& scratch) const;
    Text slice(std::size_t from, std::size_t to) const;
    Text text() const { return slice(0, size_); }
    // The whole text block by block, read in place; a surrogate pair that
    // straddles two blocks comes as a piece of its own.
    void readPieces(const std::function<void(TextView)>& piece) const;

    // The caret and the other end of the selection; equal: no selection.
    std::size_t caret() const { return caret_; }
    std::size_t anchor() const { return anchor_; }
    std::size_t selectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    std::size_t selectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    bool hasSelection() const { return caret_ != anchor_; }
    Text selectedText() const { return slice(selectionStart(), selectionEnd()); }
    // Sets both ends, each moved into the text and out of a CR LF.
    void select(std::size_t anchor, std::size_t caret);
    // Moves the caret; the selection then runs from the anchor to it, or
    // there is none.
    void moveCaret(std::size_t position, bool keepAnchor);

    // Replaces the selection with the text and puts the caret behind it.
    void replaceSelection(TextView text);
    // The whole text anew; caret and selection at the start.
    void assign(TextView text);
    void clear();

    // The caret positions one step before and after a position: a CR LF
    // and a surrogate pair are each one step.
    std::size_t previous(std::size_t position) const;
    std::size_t next(std::size_t position) const;

    // The line that came in longer than any line before it since the last
    // call, if any (a box measures only such lines for its width).
    std::optional<std::size_t> takeLongerLine();
    // The line with the most units now, found by a pass over the index
    // (once after lines got shorter or went away, not per line added);
    // lines longer than it are reported by takeLongerLine from then on.
    std::size_t longestLine();

private:
    // Replaces [from, to) with the text; returns the length that went in.
    std::size_t replace(std::size_t from, std::size_t to, TextView text);
    struct Block {
        std::unique_ptr<char16_t[]> units;
        std::size_t size = 0;
    };
    // The block that holds a position and the offset in it (the end of the
    // text: the last block's end).
    std::pair<std::size_t, std::size_t> locate(std::size_t position) const;
    void append(TextView units);
    void insert(std::size_t at, TextView units);
    void erase(std::size_t from, std::size_t to);
    // Writes units behind block b's own, into new blocks after it when it
    // is full; returns the last block written.
    std::size_t fill(std::size_t b, TextView units);
    // Block starts recounted from block b on.
    void recount(std::size_t b);

    std::vector<Block> blocks_;
    std::vector<std::size_t> blockStarts_;
    std::size_t size_ = 0;
    std::vector<std::size_t> starts_{0};  // start of every line
    std::vector<std::size_t> added_;      // line starts of a replacement, room kept between calls
    std::size_t caret_ = 0, anchor_ = 0;
    std::size_t longest_ = 0;  // units of the longest line that came in
    std::optional<std::size_t> longerLine_;
};

}  // namespace malvorn
