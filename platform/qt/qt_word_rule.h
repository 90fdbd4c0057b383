// SPDX-License-Identifier: MIT
// Words as QPlainTextEdit finds them, for the result box on Linux: its
// Ctrl+arrows, Ctrl+Backspace and Ctrl+Delete go by QTextLayout's cursor
// positions (SkipWords), which stop at blanks and at Qt's word separators
// (punctuation such as . , : - ( ) and the path separators \ and /), and
// take any other run, ideographs among letters included, as one word; a
// double-click selects what QTextCursor's WordUnderCursor selects.
#pragma once

#include "platform/shared/word_rule.h"

namespace malvorn::qt {

class QtWordRule final : public WordRule {
public:
    std::size_t nextStop(TextView line, std::size_t position) const override;
    std::size_t previousStop(TextView line, std::size_t position) const override;
    std::pair<std::size_t, std::size_t> wordAt(TextView line, std::size_t position) const override;
};

const WordRule& qtWordRule();

}  // namespace malvorn::qt
