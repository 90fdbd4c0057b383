// SPDX-License-Identifier: MIT
#include "platform/qt/qt_word_rule.h"

#include <QChar>
#include <QString>
#include <QTextBoundaryFinder>

namespace malvorn::qt {

namespace {

bool isIdeographic(QStringView piece) {
    if (piece.isEmpty()) return false;
    char32_t c = piece[0].unicode();
    if (piece.size() > 1 && piece[0].isHighSurrogate() && piece[1].isLowSurrogate())
        c = QChar::surrogateToUcs4(piece[0], piece[1]);
    const QChar::Script script = QChar::script(c);
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana;
}

bool isBlank(QStringView piece) {
    for (QChar c : piece)
        if (!c.isSpace()) return false;
    return !piece.isEmpty();
}

}  // namespace

void QtWordRule::split(TextView text, std::vector<WordPiece>& out) const {
    out.clear();
    const QString line =
        QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, line);
    qsizetype from = 0;
    bool lastIdeographic = false;
    while (from < line.size()) {
        qsizetype to = finder.toNextBoundary();
        if (to <= from) to = line.size();
        const QStringView piece = QStringView(line).mid(from, to - from);
        const bool ideographic = isIdeographic(piece);
        if (ideographic && lastIdeographic && !out.empty())
            out.back().end = static_cast<std::size_t>(to);
        else
            out.push_back({static_cast<std::size_t>(from), static_cast<std::size_t>(to), isBlank(piece)});
        lastIdeographic = ideographic;
        from = to;
    }
}

const WordRule& qtWordRule() {
    static const QtWordRule rule;
    return rule;
}

}  // namespace malvorn::qt
