// SPDX-License-Identifier: MIT
#include "platform/qt/qt_word_rule.h"

#include <QString>
#include <QTextLayout>

namespace malvorn::qt {

namespace {

QString raw(TextView text) {
    return QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// Whether QTextLayout counts a character among its word separators (the
// list itself is not public): a word move from it stops right behind it
// when a letter follows.
bool isSeparator(QChar c) {
    if (c.isSpace()) return false;
    const QTextLayout probe(QString(c) + QLatin1Char('a'));
    return probe.nextCursorPosition(0, QTextLayout::SkipWords) == 1;
}

}  // namespace

std::size_t QtWordRule::nextStop(TextView line, std::size_t position) const {
    const QTextLayout layout(raw(line));
    return static_cast<std::size_t>(layout.nextCursorPosition(static_cast<int>(position), QTextLayout::SkipWords));
}

std::size_t QtWordRule::previousStop(TextView line, std::size_t position) const {
    const QTextLayout layout(raw(line));
    return static_cast<std::size_t>(layout.previousCursorPosition(static_cast<int>(position), QTextLayout::SkipWords));
}

// As QTextCursor::select(WordUnderCursor): back to the start of the word
// the position is in (or of the one before the blanks it is in), then on
// over that word or that run of separators, blanks left out.
std::pair<std::size_t, std::size_t> QtWordRule::wordAt(TextView line, std::size_t position) const {
    const QString text = raw(line);
    const auto length = static_cast<int>(text.size());
    const auto p = static_cast<int>(position);
    if (length == 0) return {position, position};
    if (p >= length && (text[length - 1].isSpace() || isSeparator(text[length - 1]))) return {position, position};
    const QTextLayout layout(text);
    const int start = p == 0 ? 0 : layout.previousCursorPosition(p < length ? p + 1 : p, QTextLayout::SkipWords);
    int end = layout.nextCursorPosition(start, QTextLayout::SkipWords);
    while (end > start && text[end - 1].isSpace()) --end;
    return {static_cast<std::size_t>(start), static_cast<std::size_t>(end)};
}

const WordRule& qtWordRule() {
    static const QtWordRule rule;
    return rule;
}

}  // namespace malvorn::qt
