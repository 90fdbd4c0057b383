// SPDX-License-Identifier: MIT
#include "platform/shared/edit_history.h"

#include <algorithm>

namespace malvorn {

void EditHistory::record(std::size_t at, Text removed, std::size_t length, Kind kind) {
    for (const Step& s : redo_) units_ -= s.removed.size();
    redo_.clear();
    if (!sealed_ && !undo_.empty() && kind != Kind::Other && undo_.back().kind == kind) {
        Step& last = undo_.back();
        bool merged = false;
        if (kind == Kind::Typing && removed.empty() && at == last.at + last.length) {
            last.length += length;
            merged = true;
        } else if (kind == Kind::EraseBack && length == 0 && last.length == 0 && at + removed.size() == last.at) {
            last.removed.insert(0, removed);
            last.at = at;
            merged = true;
        } else if (kind == Kind::EraseForward && length == 0 && last.length == 0 && at == last.at) {
            last.removed += removed;
            merged = true;
        }
        if (merged) {
            units_ += removed.size();
            trim();
            updateReach();
            return;
        }
    }
    units_ += removed.size();
    undo_.push_back({at, length, std::move(removed), kind});
    sealed_ = false;
    trim();
    updateReach();
}

EditHistory::Step EditHistory::take(std::deque<Step>& list) {
    Step s = std::move(list.back());
    list.pop_back();
    units_ -= s.removed.size();
    sealed_ = true;
    return s;
}

void EditHistory::pushUndo(Step step) {
    units_ += step.removed.size();
    undo_.push_back(std::move(step));
    trim();
    updateReach();
}

void EditHistory::pushRedo(Step step) {
    units_ += step.removed.size();
    redo_.push_back(std::move(step));
    trim();
    updateReach();
}

void EditHistory::textChanged(std::size_t from, std::size_t to, std::size_t inserted) {
    sealed_ = true;
    if (from >= reach_) return;  // behind every step: a listing's lines
    for (auto* list : {&undo_, &redo_}) {
        for (Step& s : *list) {
            if (from >= s.at + s.length && !(from == s.at && to == from)) continue;
            if (to <= s.at) {
                s.at = s.at + inserted - (to - from);
                continue;
            }
            clear();
            return;
        }
    }
    updateReach();
}

void EditHistory::clear() {
    undo_.clear();
    redo_.clear();
    units_ = 0;
    reach_ = 0;
    sealed_ = true;
}

void EditHistory::trim() {
    // The oldest steps go first, redo steps before undo steps; the newest
    // undo step stays.
    while (undo_.size() + redo_.size() > MaxSteps || units_ > MaxUnits) {
        if (!redo_.empty()) {
            units_ -= redo_.front().removed.size();
            redo_.pop_front();
        } else if (undo_.size() > 1) {
            units_ -= undo_.front().removed.size();
            undo_.pop_front();
        } else {
            break;
        }
    }
}

void EditHistory::updateReach() {
    reach_ = 0;
    for (const auto* list : {&undo_, &redo_})
        for (const Step& s : *list) reach_ = std::max(reach_, s.at + s.length + 1);
}

}  // namespace malvorn
