// SPDX-License-Identifier: MIT
// Where words begin and end in a line of the result box, for Ctrl+arrows,
// Ctrl+Backspace and Ctrl+Delete and the double-click. Each front end
// supplies the rule of its platform's own text box; the editor asks it
// within one line and takes care of the line ends itself.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace malvorn {

// A piece of a line: a word, or a run of blanks between words.
struct WordPiece {
    std::size_t start, end;
    bool blank;
};

class WordRule {
public:
    virtual ~WordRule() = default;
    // Where Ctrl+Right (and Ctrl+Delete) goes from a position before the
    // line's end, and Ctrl+Left (and Ctrl+Backspace) from one after its
    // start.
    virtual std::size_t nextStop(TextView line, std::size_t position) const = 0;
    virtual std::size_t previousStop(TextView line, std::size_t position) const = 0;
    // What a double-click at a position selects.
    virtual std::pair<std::size_t, std::size_t> wordAt(TextView line, std::size_t position) const = 0;
};

// The rule of the Windows multi-line EDIT control: runs of letters and
// digits, runs of punctuation and runs of blanks, each a piece; a path
// separator (\ or /) is a piece by itself; every ideograph, kana and Hangul
// syllable is a word by itself, as the EDIT control breaks East Asian text
// where a line may break. Ctrl+Right goes to the start of the next word
// (over the blanks behind a word), Ctrl+Left to the start of a word, and a
// double-click selects a word or a run of blanks.
class EditWordRule final : public WordRule {
public:
    // Splits the text into pieces that cover it whole, in order.
    void split(TextView text, std::vector<WordPiece>& out) const;
    std::size_t nextStop(TextView line, std::size_t position) const override;
    std::size_t previousStop(TextView line, std::size_t position) const override;
    std::pair<std::size_t, std::size_t> wordAt(TextView line, std::size_t position) const override;

private:
    mutable std::vector<WordPiece> pieces_;
};

// The one EditWordRule.
const WordRule& editWordRule();

}  // namespace malvorn
