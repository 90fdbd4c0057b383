// SPDX-License-Identifier: MIT
// The result box's editor, shared by both front ends: the text with its
// line index (LineText), the caret and the selection, every command a
// person gives the box (moves by character, word, line and page, to the
// ends of a line and of the text; selecting by characters, words and
// lines; erasing, typing, pasting, cutting, undo and redo), the word rule
// and the history. A front end only turns its keys and mouse into these
// commands, measures and paints the text, and talks to the platform's
// clipboard, input method and accessibility; it tells the editor how wide
// its text is through TextLayout.
//
// Text written from code (the listing's lines, emptying the box) is not an
// undo step: it goes in with write and assign. Emptying the box empties
// the history too, since no step of it could still be undone.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "platform/shared/edit_history.h"
#include "platform/shared/line_text.h"
#include "platform/shared/word_rule.h"

namespace malvorn {

// What the editor needs to know of a front end's picture.
class TextLayout {
public:
    virtual ~TextLayout() = default;
    // Pixels from a line's left edge to a column of it.
    virtual double xOf(std::size_t line, std::size_t column) = 0;
    // The column whose edge is nearest to a distance from the left edge.
    virtual std::size_t columnAt(std::size_t line, double x) = 0;
    // How many whole lines are in sight (what Page Up and Page Down move).
    virtual std::size_t pageLines() = 0;
};

// One change to the text: [at, at + removed) became `inserted` units. What
// the user's edits, undo and redo took out comes along, as the history
// holds it, so that a screen reader can say what was erased; changes from
// code (a new listing) and changes merged into "all changed" carry none.
struct TextChange {
    std::size_t at, removed, inserted;
    Text removedText{};
};

class TextEditor {
public:
    enum class Move {
        CharBack,
        CharForward,
        WordBack,
        WordForward,
        LineUp,
        LineDown,
        PageUp,
        PageDown,
        LineStart,
        LineEnd,
        TextStart,
        TextEnd
    };
    enum class Erase { CharBack, CharForward, WordBack, WordForward };
    // What a press of the mouse selects, and what a drag then extends by.
    enum class Unit { Char, Word, Line };

    explicit TextEditor(const WordRule& words = editWordRule()) : words_(&words) {}
    void setWordRule(const WordRule& words) { words_ = &words; }
    void setLayout(TextLayout* layout) { layout_ = layout; }

    const LineText& text() const { return text_; }
    std::size_t caret() const { return text_.caret(); }
    std::size_t anchor() const { return text_.anchor(); }
    bool hasSelection() const { return text_.hasSelection(); }

    // ---- from code: not undo steps
    // The whole text anew; the history is emptied.
    void assign(TextView text);
    // Replaces the selection, caret behind the text (a listing's line).
    void write(TextView text);
    // Sets the selection (from code, a script or a screen reader).
    void select(std::size_t anchor, std::size_t caret);

    // ---- the user's commands
    void move(Move how, bool extend);
    void selectAll();
    // Typed text: what follows the last typed text merges with it into one
    // undo step.
    void type(TextView text);
    // Pasted or otherwise inserted text: an undo step of its own.
    void insert(TextView text);
    // Erases the selection, or else from the caret as `how` says.
    void erase(Erase how);
    // Erases the selection (Delete in the menu, WM_CLEAR, after a cut).
    void eraseSelection();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool undo();
    bool redo();
    void clearHistory() { history_.clear(); }
    // A press of the mouse at a position: a character, word or line there
    // is selected (Shift extends the selection from its anchor instead).
    void press(std::size_t position, Unit unit, bool extend);
    // The mouse held down and moved: the selection runs from what the
    // press selected to the unit at the position.
    void drag(std::size_t position);
    // The word (or run of blanks) around a position.
    std::pair<std::size_t, std::size_t> wordAt(std::size_t position) const;
    // Where Ctrl+Left and Ctrl+Right go from a position.
    std::size_t wordBack(std::size_t position) const;
    std::size_t wordForward(std::size_t position) const;

    // Changed by the user since assign or setModified(false) (EM_GETMODIFY).
    bool modified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }

    // The changes since the last call, oldest first, for the screen
    // readers: a front end announces them when it paints, so that a
    // running listing's lines go out once a frame. Lines added one after
    // the other come as one change.
    std::vector<TextChange> takeChanges();
    // Whether lines got shorter or went away since the last call: the
    // horizontal range then follows LineText::longestLine.
    bool takeShrunk();
    std::size_t longestLine() { return text_.longestLine(); }
    std::optional<std::size_t> takeLongerLine() { return text_.takeLongerLine(); }

    // ---- what both front ends draw
    // The part of a line the selection covers: columns [from, to), and
    // whether the line's end is selected too.
    struct Band {
        std::size_t from, to;
        bool lineEnd;
    };
    std::optional<Band> selectionOn(std::size_t line) const;
    // Moves a view's top line and left edge (pixels) as little as brings
    // the caret into sight, in a view of `lines` lines and `width` pixels.
    void bringCaretIntoSight(std::size_t& first, double& left, std::size_t lines, double width);
    // The widest line's width in the layout's pixels: it grows with every
    // line that comes in longer than any before and, after lines got
    // shorter or went away, follows the longest line still there. A front
    // end also notes the width of the lines it paints.
    double contentWidth();
    void noteWidth(double width) { widest_ = std::max(widest_, width); }
    // Units of removed text the history holds.
    std::size_t historyUnits() const { return history_.units(); }

private:
    // Who changes the text: the user (an undo step of the kind given),
    // code (the history's steps move with the text), or undo and redo.
    enum class Origin { User, Code, History };
    // Replaces [from, to) with the text.
    void change(std::size_t from, std::size_t to, TextView text, Origin origin, EditHistory::Kind kind);
    void note(std::size_t at, std::size_t removed, std::size_t inserted, Text removedText = {});
    void userEdit(TextView text, EditHistory::Kind kind);
    // Undoes (back) or redoes the last step.
    bool replay(bool back);
    std::size_t lineStep(std::size_t position, std::ptrdiff_t lines);
    std::pair<std::size_t, std::size_t> unitAt(std::size_t position, Unit unit) const;
    // The line around a position (a part of it around the position when
    // it is very long), which starts at `base`.
    TextView lineAround(std::size_t position, std::size_t& base) const;

    LineText text_;
    EditHistory history_;
    const WordRule* words_;
    TextLayout* layout_ = nullptr;
    double preferredX_ = -1;  // the column Up and Down keep, in pixels
    Unit dragUnit_ = Unit::Char;
    std::pair<std::size_t, std::size_t> pressed_{0, 0};  // what the press selected
    bool modified_ = false;
    bool shrunk_ = false;
    double widest_ = 0;
    std::vector<TextChange> changes_;
    mutable Text scratch_;
};

}  // namespace malvorn
