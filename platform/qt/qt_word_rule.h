// SPDX-License-Identifier: MIT
// Words as Qt finds them (QTextBoundaryFinder, Unicode word boundaries),
// for the result box on Linux. A run of ideographs or kana stays one word,
// as QPlainTextEdit moves over it; paths split at every \ and /.
#pragma once

#include "platform/shared/word_rule.h"

namespace malvorn::qt {

class QtWordRule final : public WordRule {
public:
    void split(TextView text, std::vector<WordPiece>& out) const override;
};

const WordRule& qtWordRule();

}  // namespace malvorn::qt
