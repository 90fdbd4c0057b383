// SPDX-License-Identifier: MIT
// The result box's text model: the line index after appends and after
// edits in the middle, lines that cross a storage block, line ends made
// CR LF, caret steps, and units that are not text read back exactly.
#include "platform/shared/line_text.h"

#include <gtest/gtest.h>

namespace malvorn {
namespace {

// The index against the text itself: every line start follows a CR LF.
void expectIndexMatches(const LineText& t) {
    const Text all = t.text();
    ASSERT_EQ(all.size(), t.size());
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i + 1 < all.size(); ++i)
        if (all[i] == u'\r' && all[i + 1] == u'\n') starts.push_back(i + 2);
    ASSERT_EQ(t.lineCount(), starts.size());
    Text scratch;
    for (std::size_t l = 0; l < starts.size(); ++l) {
        EXPECT_EQ(t.lineStart(l), starts[l]) << l;
        const std::size_t end = l + 1 < starts.size() ? starts[l + 1] - 2 : all.size();
        EXPECT_EQ(t.line(l, scratch), TextView(all).substr(starts[l], end - starts[l])) << l;
        EXPECT_EQ(t.lineOf(starts[l]), l);
    }
}

TEST(LineText, AppendsAtTheCaretAndKeepsTheLineIndex) {
    LineText t;
    for (int i = 0; i < 100; ++i) t.replaceSelection(u"C:\\a\\" + decimal(i) + u"\r\n");
    EXPECT_EQ(t.lineCount(), 101u);
    EXPECT_EQ(t.caret(), t.size());
    Text scratch;
    EXPECT_EQ(t.line(42, scratch), u"C:\\a\\42");
    EXPECT_TRUE(t.line(100, scratch).empty());
    expectIndexMatches(t);
}

TEST(LineText, LinesAcrossStorageBlocksReadWhole) {
    LineText t;
    const Text filler(LineText::BlockUnits - 3, u'x');
    t.replaceSelection(filler + u"\r\nabcdef\r\n");  // "abcdef" starts 1 before the block's end
    Text scratch;
    EXPECT_EQ(t.line(1, scratch), u"abcdef");
    EXPECT_EQ(t.slice(LineText::BlockUnits - 2, LineText::BlockUnits + 2), u"\nabc");
    // An edit before the boundary moves everything behind it.
    t.select(0, 2);
    t.replaceSelection(u"12345");
    EXPECT_EQ(t.line(1, scratch), u"abcdef");
    EXPECT_EQ(t.lineStart(1), LineText::BlockUnits + 2);
    // Read piece by piece, a pair across the boundary comes whole.
    LineText paired;
    paired.replaceSelection(Text(LineText::BlockUnits - 1, u'x') + u"\U0001F600");
    std::vector<Text> pieces;
    paired.readPieces([&](TextView piece) { pieces.emplace_back(piece); });
    EXPECT_EQ(pieces, (std::vector<Text>{Text(LineText::BlockUnits - 1, u'x'), u"\U0001F600"}));
    t.select(0, t.size());
    t.replaceSelection(u"");
    EXPECT_EQ(t.size(), 0u);
    EXPECT_EQ(t.lineCount(), 1u);
}

TEST(LineText, EditsAnywhereInAManyBlockTextKeepItWhole) {
    // Edits at places all over a text of several blocks (some in a full
    // block, some across blocks, some that empty a block), against the
    // same edits on a plain string.
    LineText t;
    Text expected;
    for (int i = 0; expected.size() < 2 * LineText::BlockUnits + 1000; ++i) {
        const Text line = u"C:\\tree\\" + decimal(i) + u"\r\n";
        t.replaceSelection(line);
        expected += line;
    }
    std::size_t seed = 12345;
    auto next = [&](std::size_t below) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>(seed >> 33) % below;
    };
    for (int edit = 0; edit < 60; ++edit) {
        // Places at line starts, so that no edit splits a CR LF.
        const std::size_t a = t.lineStart(next(t.lineCount()));
        const std::size_t b = edit % 10 == 9 ? t.lineStart(next(t.lineCount())) : a + (edit % 3) * 4;
        const std::size_t from = std::min(a, b), to = std::min(std::max(a, b), t.size());
        const Text with = edit % 4 == 0 ? Text(edit * 5000, u'y') + u"\r\n" : u"new\r\n";
        t.select(from, to);
        t.replaceSelection(with);
        expected.replace(from, to - from, with);
        ASSERT_EQ(t.size(), expected.size()) << edit;
    }
    EXPECT_TRUE(t.text() == expected);
    expectIndexMatches(t);
}

TEST(LineText, ReplacingASelectionOverSeveralLinesMendsTheIndex) {
    LineText t;
    t.assign(u"one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(t.caret(), 0u);
    t.select(t.lineStart(2) + 2, 1);  // "ne\r\ntwo\r\nth", backwards
    t.replaceSelection(u"X\r\nY\r\n");
    EXPECT_EQ(t.text(), u"oX\r\nY\r\nree\r\nfour\r\n");
    EXPECT_EQ(t.caret(), 7u);
    EXPECT_FALSE(t.hasSelection());
    expectIndexMatches(t);
}

TEST(LineText, OtherLineEndsBecomeCrLf) {
    LineText t;
    t.replaceSelection(u"a\nb\rc\r\nd\n\re");
    EXPECT_EQ(t.text(), u"a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(t.caret(), t.size());
    expectIndexMatches(t);
}

TEST(LineText, TheCaretNeverStandsInsideALineEndOrACharacter) {
    LineText t;
    const Text pair = u"\U0001F600";
    t.assign(u"ab\r\n" + pair + u"c");
    t.select(3, 3);  // between CR and LF
    EXPECT_EQ(t.caret(), 2u);
    t.select(5, 99);  // inside the pair; past the end
    EXPECT_EQ(t.anchor(), 4u);
    EXPECT_EQ(t.caret(), t.size());
    EXPECT_EQ(t.next(2), 4u);
    EXPECT_EQ(t.previous(4), 2u);
    EXPECT_EQ(t.next(4), 6u);
    EXPECT_EQ(t.previous(6), 4u);
    EXPECT_EQ(t.next(t.size()), t.size());
    EXPECT_EQ(t.previous(0), 0u);
}

TEST(LineText, UnitsThatAreNotTextReadBackExactly) {
    LineText t;
    const Text name{u'C', u':', u'\\', static_cast<char16_t>(0xDCFF), static_cast<char16_t>(0xD800), u'z'};
    t.replaceSelection(name + u"\r\n");
    EXPECT_EQ(t.text(), name + u"\r\n");
    t.select(0, t.size());
    EXPECT_EQ(t.selectedText(), name + u"\r\n");
}

TEST(LineText, ReportsEachLineLongerThanAnyBefore) {
    LineText t;
    t.replaceSelection(u"abc\r\n");
    EXPECT_EQ(t.takeLongerLine(), std::optional<std::size_t>(0));
    EXPECT_EQ(t.takeLongerLine(), std::nullopt);
    t.replaceSelection(u"ab\r\n");
    EXPECT_EQ(t.takeLongerLine(), std::nullopt);
    t.replaceSelection(u"abcdef\r\nx\r\n");
    EXPECT_EQ(t.takeLongerLine(), std::optional<std::size_t>(2));
    t.clear();
    t.replaceSelection(u"a");
    EXPECT_EQ(t.takeLongerLine(), std::optional<std::size_t>(0));
}

}  // namespace
}  // namespace malvorn
