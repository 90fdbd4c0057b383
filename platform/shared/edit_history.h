// SPDX-License-Identifier: MIT
// The result box's undo and redo. A step holds only what its edit took out
// of the text, and where: what the edit put in is still in the text, and is
// read from there when the step is undone (it then becomes the redo step's
// text). A box that lost its whole listing to Ctrl+A and a key thus holds
// the listing once, in the step, and Ctrl+Z puts it back byte for byte.
//
// The history is bounded: at most MaxSteps steps and MaxUnits units of
// removed text, the oldest dropped first; the newest step is always kept
// whole, however large, so that one Ctrl+Z always brings back the last
// edit, as the Windows EDIT control's one level of undo does.
#pragma once

#include <cstddef>
#include <deque>

#include "platform/text.h"

namespace malvorn {

class EditHistory {
public:
    static constexpr std::size_t MaxSteps = 100;
    static constexpr std::size_t MaxUnits = std::size_t{1} << 24;  // 32 MiB of removed text

    // How an edit came: steps of the same kind that follow each other
    // merge into one, as typing does in the platforms' text boxes.
    enum class Kind { Typing, EraseBack, EraseForward, Other };

    struct Step {
        std::size_t at;      // where the edit was
        std::size_t length;  // units the edit put in, now in the text
        Text removed;        // what the edit took out
        Kind kind;
    };

    // A new edit by the user: the redo steps go. It merges into the last
    // step when it continues it (typing on behind the last typed unit,
    // erasing on from where the last erase stopped).
    void record(std::size_t at, Text removed, std::size_t length, Kind kind);
    // Ends merging: the next edit is a step of its own (after a move, a
    // click, or a change the user did not make).
    void seal() { sealed_ = true; }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // The step to undo (or redo), taken off its list; the caller makes the
    // change and hands the reverse step to pushRedo (or pushUndo).
    Step takeUndo() { return take(undo_); }
    Step takeRedo() { return take(redo_); }
    void pushUndo(Step step);
    void pushRedo(Step step);

    // A change the user did not make, [from, to) replaced by `inserted`
    // units: steps behind it move with the text; a change that touches a
    // step's text leaves the history nothing it could undo right, so the
    // history is emptied.
    void textChanged(std::size_t from, std::size_t to, std::size_t inserted);
    void clear();

    // Units of removed text held (for the memory the history costs).
    std::size_t units() const { return units_; }

private:
    Step take(std::deque<Step>& list);
    void trim();
    void updateReach();

    std::deque<Step> undo_, redo_;
    std::size_t units_ = 0;
    std::size_t reach_ = 0;  // the end of the furthest step's text
    bool sealed_ = true;
};

}  // namespace malvorn
