// SPDX-License-Identifier: MIT
// Where words begin and end in a line of the result box, for Ctrl+arrows,
// Ctrl+Backspace and Ctrl+Delete and the double-click. Each front end
// supplies the rule of its platform's own text box; the editor moves and
// selects by the pieces a rule returns, so that the moves are written once.
#pragma once

#include <cstddef>
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
    // Splits the text into pieces that cover it whole, in order.
    virtual void split(TextView text, std::vector<WordPiece>& out) const = 0;
};

// The rule of the Windows multi-line EDIT control: runs of letters and
// digits, runs of punctuation and runs of blanks, each a piece; a path
// separator (\ or /) is a piece by itself; every ideograph, kana and Hangul
// syllable is a word by itself, as the EDIT control breaks East Asian text
// where a line may break.
class EditWordRule final : public WordRule {
public:
    void split(TextView text, std::vector<WordPiece>& out) const override;
};

// The one EditWordRule.
const WordRule& editWordRule();

}  // namespace malvorn
