// SPDX-License-Identifier: MIT
#include "platform/shared/word_rule.h"

namespace malvorn {

namespace {

enum class Kind { Blank, Letter, Mark, Separator, Ideograph };

bool isIdeograph(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) ||  // radicals
           (c >= 0x3040 && c <= 0x30FF) ||  // kana
           (c >= 0x3100 && c <= 0x31FF) ||  // bopomofo, kana extensions
           (c >= 0x3400 && c <= 0x4DBF) ||  // extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||  // unified ideographs
           (c >= 0xAC00 && c <= 0xD7AF) ||  // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) ||  // compatibility ideographs
           (c >= 0xFF66 && c <= 0xFF9F) ||  // half-width kana
           (c >= 0x20000 && c <= 0x3FFFF);  // supplementary ideographs
}

bool isBlank(char32_t c) {
    return c == u' ' || c == u'\t' || c == 0x00A0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200B) || c == 0x202F ||
           c == 0x205F;
}

// ASCII and the general punctuation and CJK symbol blocks; everything else
// that is not blank or an ideograph reads as part of a word (letters of
// every script, digits, combining marks, and units that are not text).
bool isMark(char32_t c) {
    if (c < 0x80)
        return !(c >= u'0' && c <= u'9') && !(c >= u'a' && c <= u'z') && !(c >= u'A' && c <= u'Z') && c != u'_';
    return (c >= 0x00A1 && c <= 0x00BF && c != 0x00AA && c != 0x00B5 && c != 0x00BA) || c == 0x00D7 || c == 0x00F7 ||
           (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) || (c >= 0x3001 && c <= 0x303F) ||
           (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65);
}

Kind kindOf(char32_t c) {
    if (isBlank(c)) return Kind::Blank;
    if (c == u'\\' || c == u'/') return Kind::Separator;
    if (isIdeograph(c)) return Kind::Ideograph;
    if (isMark(c)) return Kind::Mark;
    return Kind::Letter;
}

}  // namespace

void EditWordRule::split(TextView text, std::vector<WordPiece>& out) const {
    out.clear();
    std::size_t i = 0;
    Kind last = Kind::Blank;
    while (i < text.size()) {
        // One character: a surrogate pair is read whole.
        char32_t c = text[i];
        std::size_t n = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            n = 2;
        }
        const Kind kind = kindOf(c);
        const bool alone = kind == Kind::Separator || kind == Kind::Ideograph;
        if (out.empty() || alone || kind != last)
            out.push_back({i, i + n, kind == Kind::Blank});
        else
            out.back().end = i + n;
        last = kind;
        i += n;
    }
}

std::size_t EditWordRule::nextStop(TextView line, std::size_t p) const {
    split(line, pieces_);
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        if (pieces_[k].end <= p) continue;
        if (!pieces_[k].blank && k + 1 < pieces_.size() && pieces_[k + 1].blank) return pieces_[k + 1].end;
        return pieces_[k].end;
    }
    return line.size();
}

std::size_t EditWordRule::previousStop(TextView line, std::size_t p) const {
    split(line, pieces_);
    for (std::size_t k = pieces_.size(); k-- > 0;) {
        if (pieces_[k].start >= p) continue;
        if (pieces_[k].blank && k > 0) return pieces_[k - 1].start;
        return pieces_[k].start;
    }
    return 0;
}

std::pair<std::size_t, std::size_t> EditWordRule::wordAt(TextView line, std::size_t p) const {
    split(line, pieces_);
    if (pieces_.empty()) return {p, p};
    for (const WordPiece& w : pieces_)
        if (w.end > p) return {w.start, w.end};
    return {pieces_.back().start, pieces_.back().end};
}

const WordRule& editWordRule() {
    static const EditWordRule rule;
    return rule;
}

}  // namespace malvorn
