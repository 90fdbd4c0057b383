// SPDX-License-Identifier: MIT
// The result box's editor, as both front ends share it: undo and redo of
// the user's edits but not of a listing's lines, the word rule and word
// steps, selecting with the mouse, the column kept by Up and Down, and the
// longest line after lines went away.
#include "platform/shared/text_editor.h"

#include <gtest/gtest.h>

namespace malvorn {
namespace {

using Move = TextEditor::Move;
using Erase = TextEditor::Erase;
using Unit = TextEditor::Unit;

// A picture where every unit is 10 pixels wide and 5 lines are in sight.
struct FixedLayout : TextLayout {
    double xOf(std::size_t, std::size_t column) override { return 10.0 * static_cast<double>(column); }
    std::size_t columnAt(std::size_t, double x) override { return static_cast<std::size_t>(x / 10 + 0.5); }
    std::size_t pageLines() override { return 5; }
};

Text listing(int lines) {
    Text out;
    for (int i = 0; i < lines; ++i) out += u"C:\\data\\" + decimal(i) + u"\r\n";
    return out;
}

TEST(TextEditor, TypingMergesAndUndoRedoWalkTheSteps) {
    TextEditor e;
    e.type(u"a");
    e.type(u"b");
    e.type(u"c");
    e.insert(u"PASTE");
    e.select(0, 1);
    e.erase(Erase::CharBack);  // cuts the selection: "bcPASTE"
    EXPECT_EQ(e.text().text(), u"bcPASTE");
    EXPECT_TRUE(e.undo());
    EXPECT_EQ(e.text().text(), u"abcPASTE");
    EXPECT_TRUE(e.undo());
    EXPECT_EQ(e.text().text(), u"abc");
    EXPECT_TRUE(e.undo());  // the typing, one step
    EXPECT_EQ(e.text().text(), u"");
    EXPECT_FALSE(e.undo());
    EXPECT_TRUE(e.redo());
    EXPECT_EQ(e.text().text(), u"abc");
    EXPECT_TRUE(e.redo());
    EXPECT_TRUE(e.redo());
    EXPECT_EQ(e.text().text(), u"bcPASTE");
    EXPECT_FALSE(e.redo());
    // A new edit ends the redo steps.
    e.undo();
    e.type(u"x");
    EXPECT_FALSE(e.canRedo());
    // A move between two keys makes two steps.
    e.assign(u"");
    e.type(u"a");
    e.move(Move::CharBack, false);
    e.type(u"b");
    e.undo();
    EXPECT_EQ(e.text().text(), u"a");
}

TEST(TextEditor, BackspacesMergeIntoOneStep) {
    TextEditor e;
    e.insert(u"hello");
    for (int i = 0; i < 3; ++i) e.erase(Erase::CharBack);
    EXPECT_EQ(e.text().text(), u"he");
    e.undo();
    EXPECT_EQ(e.text().text(), u"hello");
    e.move(Move::TextStart, false);
    e.erase(Erase::CharForward);
    e.erase(Erase::CharForward);
    e.undo();
    EXPECT_EQ(e.text().text(), u"hello");
}

TEST(TextEditor, SelectAllAKeyAndUndoGiveTheListingBack) {
    TextEditor e;
    e.assign(u"");
    // Units that are not text and a pair among the lines.
    Text all;
    for (int i = 0; i < 3000; ++i) {
        const Text line = u"C:\\data\\" + decimal(i) + (i == 7 ? Text{static_cast<char16_t>(0xDC80)} : Text()) +
                          (i == 9 ? u"\U0001F600" : u"") + u"\r\n";
        e.write(line);
        all += line;
    }
    EXPECT_FALSE(e.canUndo());  // the listing's lines are no steps
    e.selectAll();
    e.type(u"k");
    EXPECT_EQ(e.text().text(), u"k");
    EXPECT_EQ(e.historyUnits(), all.size());  // the history holds what went, once
    e.undo();
    EXPECT_TRUE(e.text().text() == all);
    e.redo();
    EXPECT_EQ(e.text().text(), u"k");
    // Cut and Delete likewise.
    e.undo();
    e.selectAll();
    e.eraseSelection();
    e.undo();
    EXPECT_TRUE(e.text().text() == all);
    // Emptying the box for a run empties the history.
    e.assign(u"");
    EXPECT_FALSE(e.canUndo());
    EXPECT_FALSE(e.canRedo());
}

TEST(TextEditor, ListingLinesWrittenBehindAnEditKeepItsUndo) {
    TextEditor e;
    e.assign(u"");
    e.write(listing(2));
    e.move(Move::TextStart, false);
    e.type(u"AB");  // a step at the start
    e.move(Move::TextEnd, false);
    e.write(listing(1));  // a line after it: the step stays where it is
    e.undo();
    EXPECT_EQ(e.text().text(), listing(2) + listing(1));
    // A line written before a step moves it.
    e.redo();
    e.move(Move::TextEnd, false);
    e.type(u"Z");
    e.move(Move::TextStart, false);
    e.write(u"first\r\n");
    e.undo();
    EXPECT_EQ(e.text().text(), u"first\r\nAB" + listing(2) + listing(1));
    // A line written into a step's text leaves nothing to undo.
    e.select(8, 10);  // "B" and the "C" after it
    e.write(u"--");
    EXPECT_FALSE(e.canUndo());
    EXPECT_FALSE(e.canRedo());
}

TEST(TextEditor, TheHistoryIsBounded) {
    TextEditor e;
    for (std::size_t i = 0; i < EditHistory::MaxSteps + 20; ++i) {
        e.insert(u"x");
        e.move(Move::TextEnd, false);
    }
    int undone = 0;
    while (e.undo()) ++undone;
    EXPECT_EQ(undone, static_cast<int>(EditHistory::MaxSteps));
    // A step larger than the bound is kept while it is the newest.
    e.assign(Text(EditHistory::MaxUnits + 10, u'a'));
    e.selectAll();
    e.type(u"b");
    EXPECT_EQ(e.historyUnits(), EditHistory::MaxUnits + 10);
    e.move(Move::TextEnd, false);
    e.insert(u"c");
    EXPECT_LE(e.historyUnits(), EditHistory::MaxUnits);
}

TEST(TextEditor, WordStepsOnPathsPunctuationAndIdeographs) {
    TextEditor e;
    e.assign(u"C:\\Program Files\\foo.bar world, 中文字 end");
    std::vector<std::size_t> stops;
    for (std::size_t p = 0; p < e.text().size();) {
        p = e.wordForward(p);
        stops.push_back(p);
    }
    // C | :\ is a mark and a separator | Program_ | Files | \ | foo | . | bar_ | world | ,_ | 中 | 文 | 字_ | end
    const std::vector<std::size_t> expected{1, 2, 3, 11, 16, 17, 20, 21, 25, 30, 32, 33, 34, 36, 39};
    EXPECT_EQ(stops, expected);
    std::vector<std::size_t> back;
    for (std::size_t p = e.text().size(); p > 0;) {
        p = e.wordBack(p);
        back.push_back(p);
    }
    const std::vector<std::size_t> expectedBack{36, 34, 33, 32, 30, 25, 21, 20, 17, 16, 11, 3, 2, 1, 0};
    EXPECT_EQ(back, expectedBack);
    EXPECT_EQ(e.wordAt(18), (std::pair<std::size_t, std::size_t>(17, 20)));  // "foo"
    EXPECT_EQ(e.wordAt(27), (std::pair<std::size_t, std::size_t>(25, 30)));  // "world" without the comma
    // Ctrl+Backspace and Ctrl+Delete take a word.
    e.select(20, 20);
    e.erase(Erase::WordBack);
    EXPECT_EQ(e.text().text().substr(16, 6), u"\\.bar ");
    e.erase(Erase::WordForward);
    EXPECT_EQ(e.text().text().substr(16, 6), u"\\bar w");
    // Across a line end a word step is one character step.
    e.assign(u"ab\r\ncd");
    EXPECT_EQ(e.wordForward(2), 4u);
    EXPECT_EQ(e.wordBack(4), 2u);
}

// A rule of a front end's own: every unit a word.
struct UnitRule : WordRule {
    std::size_t nextStop(TextView, std::size_t p) const override { return p + 1; }
    std::size_t previousStop(TextView, std::size_t p) const override { return p - 1; }
    std::pair<std::size_t, std::size_t> wordAt(TextView, std::size_t p) const override { return {p, p + 1}; }
};

TEST(TextEditor, TheWordRuleIsTheFrontEnds) {
    const UnitRule rule;
    TextEditor e(rule);
    e.assign(u"abc def");
    e.move(Move::WordForward, false);
    EXPECT_EQ(e.caret(), 1u);
}

TEST(TextEditor, DoubleClickDragExtendsByWordsAndTripleClickTakesALine) {
    TextEditor e;
    e.assign(u"one two three\r\nfour five\r\nsix");
    e.press(5, Unit::Word, false);
    EXPECT_EQ(e.text().selectedText(), u"two");
    e.drag(10);
    EXPECT_EQ(e.text().selectedText(), u"two three");
    e.drag(1);
    EXPECT_EQ(e.text().selectedText(), u"one two");
    EXPECT_EQ(e.caret(), 0u);
    e.press(17, Unit::Line, false);
    EXPECT_EQ(e.text().selectedText(), u"four five\r\n");
    e.drag(26);
    EXPECT_EQ(e.text().selectedText(), u"four five\r\nsix");
    e.press(2, Unit::Char, false);
    e.drag(6);
    EXPECT_EQ(e.text().selectedText(), u"e tw");
    e.press(9, Unit::Char, true);  // Shift+click
    EXPECT_EQ(e.text().selectedText(), u"e two t");
}

TEST(TextEditor, UpAndDownKeepTheColumnThroughShortLines) {
    FixedLayout layout;
    TextEditor e;
    e.setLayout(&layout);
    Text text;
    for (int i = 0; i < 20; ++i) text += (i == 1 ? Text(u"ab") : Text(u"abcdefghij")) + u"\r\n";
    e.assign(text);
    e.select(7, 7);  // line 0, column 7
    e.move(Move::LineDown, false);
    EXPECT_EQ(e.caret(), e.text().lineStart(1) + 2);  // the short line's end
    e.move(Move::LineDown, false);
    EXPECT_EQ(e.caret(), e.text().lineStart(2) + 7);  // the column again
    e.move(Move::PageDown, false);
    EXPECT_EQ(e.caret(), e.text().lineStart(7) + 7);
    e.move(Move::PageUp, true);
    e.move(Move::PageUp, true);
    EXPECT_EQ(e.caret(), e.text().lineStart(0) + 7);  // the top line keeps it too
    e.move(Move::LineUp, true);
    EXPECT_EQ(e.caret(), 0u);
    e.move(Move::TextEnd, false);
    e.move(Move::LineUp, false);
    EXPECT_EQ(e.caret(), e.text().lineStart(19));
    e.move(Move::LineDown, false);
    e.move(Move::LineDown, false);
    EXPECT_EQ(e.caret(), e.text().size());
}

TEST(TextEditor, TheLongestLineFollowsWhatIsLeft) {
    TextEditor e;
    e.assign(u"");
    e.write(u"short\r\na much longer line\r\nmiddle line\r\n");
    EXPECT_EQ(e.takeLongerLine(), std::optional<std::size_t>(1));
    EXPECT_TRUE(e.takeShrunk());  // the box was emptied
    EXPECT_FALSE(e.takeShrunk());
    e.select(e.text().lineStart(1), e.text().lineStart(2));
    e.erase(Erase::CharBack);
    EXPECT_TRUE(e.takeShrunk());
    EXPECT_EQ(e.longestLine(), 1u);  // "middle line"
    EXPECT_EQ(e.takeLongerLine(), std::nullopt);
    e.type(u"1234567890");  // "middle line" made longer, behind the caret
    EXPECT_EQ(e.takeLongerLine(), std::optional<std::size_t>(1));
}

TEST(TextEditor, ChangesComeOnceAListingsLinesFollowEachOther) {
    TextEditor e;
    e.assign(u"old");
    e.assign(u"");
    for (int i = 0; i < 100; ++i) e.write(u"line\r\n");
    e.selectAll();
    e.type(u"x");
    const std::vector<TextChange> changes = e.takeChanges();
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_EQ(changes[0].inserted, 3u);
    EXPECT_EQ(changes[1].removed, 3u);
    EXPECT_EQ(changes[2].inserted, 600u);
    EXPECT_EQ(changes[2].removed, 0u);
    EXPECT_EQ(changes[3].removed, 600u);
    EXPECT_EQ(changes[3].inserted, 1u);
    EXPECT_TRUE(e.takeChanges().empty());
    EXPECT_TRUE(e.modified());
}

}  // namespace
}  // namespace malvorn
