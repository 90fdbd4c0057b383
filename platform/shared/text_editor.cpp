// SPDX-License-Identifier: MIT
#include "platform/shared/text_editor.h"

#include <algorithm>

namespace malvorn {

namespace {

// A line longer than this is split into words only around the position
// asked about: a pasted line of megabytes must not cost a word rule's run
// over all of it at every Ctrl+arrow.
constexpr std::size_t WordWindow = 4096;
// Changes kept for the screen readers before they are told "all changed".
constexpr std::size_t MaxChanges = 256;
// Units of erased text handed to the screen readers with a change; more is
// told by its length alone.
constexpr std::size_t MaxSaidRemoval = 4096;

}  // namespace

void TextEditor::assign(TextView text) {
    const std::size_t before = text_.size();
    text_.assign(text);
    history_.clear();
    modified_ = false;
    shrunk_ = true;
    preferredX_ = -1;
    note(0, before, text_.size());
}

void TextEditor::write(TextView text) {
    change(text_.selectionStart(), text_.selectionEnd(), text, Origin::Code, EditHistory::Kind::Other);
}

void TextEditor::select(std::size_t anchor, std::size_t caret) {
    text_.select(anchor, caret);
    preferredX_ = -1;
    history_.seal();
}

void TextEditor::change(std::size_t from, std::size_t to, TextView text, Origin origin, EditHistory::Kind kind) {
    Text removed;
    if (origin == Origin::User) removed = text_.slice(from, to);
    // What a screen reader is told was erased: a copy only of what a person
    // could listen to; the history keeps the text itself.
    Text said;
    if (origin != Origin::Code && to - from <= MaxSaidRemoval)
        said = origin == Origin::User ? removed : text_.slice(from, to);
    // A listing's next line replaces the selection there already is.
    if (from != text_.selectionStart() || to != text_.selectionEnd()) text_.select(from, to);
    text_.replaceSelection(text);
    const std::size_t inserted = text_.caret() - from;
    if (origin == Origin::User) {
        history_.record(from, std::move(removed), inserted, kind);
        modified_ = true;
    } else if (origin == Origin::Code) {
        history_.textChanged(from, to, inserted);
    }
    if (to > from) shrunk_ = true;
    preferredX_ = -1;
    note(from, to - from, inserted, std::move(said));
}

void TextEditor::note(std::size_t at, std::size_t removed, std::size_t inserted, Text removedText) {
    if (removed == 0 && inserted == 0) return;
    if (!changes_.empty()) {
        TextChange& last = changes_.back();
        if (removed == 0 && last.removed == 0 && at == last.at + last.inserted) {  // the next line of a listing
            last.inserted += inserted;
            return;
        }
    }
    if (changes_.size() >= MaxChanges) {
        // Too many to tell one by one: the whole text, before and now.
        std::size_t before = text_.size() + removed - inserted;
        for (const TextChange& c : changes_) before = before + c.removed - c.inserted;
        changes_.assign(1, {0, before, text_.size()});
        return;
    }
    changes_.push_back({at, removed, inserted, std::move(removedText)});
}

std::vector<TextChange> TextEditor::takeChanges() { return std::exchange(changes_, {}); }

bool TextEditor::takeShrunk() { return std::exchange(shrunk_, false); }

void TextEditor::userEdit(TextView text, EditHistory::Kind kind) {
    change(text_.selectionStart(), text_.selectionEnd(), text, Origin::User, kind);
}

void TextEditor::type(TextView text) { userEdit(text, EditHistory::Kind::Typing); }

void TextEditor::insert(TextView text) {
    userEdit(text, EditHistory::Kind::Other);
    history_.seal();
}

void TextEditor::eraseSelection() {
    if (text_.hasSelection()) insert(TextView());
}

void TextEditor::erase(Erase how) {
    if (text_.hasSelection()) return eraseSelection();
    const std::size_t c = text_.caret();
    std::size_t from = c, to = c;
    EditHistory::Kind kind = EditHistory::Kind::Other;
    switch (how) {
        case Erase::CharBack:
            from = text_.previous(c);
            kind = EditHistory::Kind::EraseBack;
            break;
        case Erase::CharForward:
            to = text_.next(c);
            kind = EditHistory::Kind::EraseForward;
            break;
        case Erase::WordBack:
            from = wordBack(c);
            break;
        case Erase::WordForward:
            to = wordForward(c);
            break;
    }
    if (from == to) return;
    change(from, to, TextView(), Origin::User, kind);
}

bool TextEditor::undo() { return replay(true); }

bool TextEditor::redo() { return replay(false); }

bool TextEditor::replay(bool back) {
    if (back ? !history_.canUndo() : !history_.canRedo()) return false;
    EditHistory::Step step = back ? history_.takeUndo() : history_.takeRedo();
    Text current = text_.slice(step.at, step.at + step.length);
    change(step.at, step.at + step.length, step.removed, Origin::History, EditHistory::Kind::Other);
    // The reverse step: what was put back, to take out again.
    EditHistory::Step reverse{step.at, text_.caret() - step.at, std::move(current), EditHistory::Kind::Other};
    if (back)
        history_.pushRedo(std::move(reverse));
    else
        history_.pushUndo(std::move(reverse));
    modified_ = true;
    return true;
}

void TextEditor::selectAll() { select(0, text_.size()); }

void TextEditor::move(Move how, bool extend) {
    const std::size_t c = text_.caret();
    const bool vertical = how == Move::LineUp || how == Move::LineDown || how == Move::PageUp || how == Move::PageDown;
    std::size_t to = c;
    const std::size_t line = text_.lineOf(c);
    const auto page = static_cast<std::ptrdiff_t>(std::max<std::size_t>(1, layout_ ? layout_->pageLines() : 1));
    switch (how) {
        case Move::CharBack:
            to = !extend && text_.hasSelection() ? text_.selectionStart() : text_.previous(c);
            break;
        case Move::CharForward:
            to = !extend && text_.hasSelection() ? text_.selectionEnd() : text_.next(c);
            break;
        case Move::WordBack:
            to = wordBack(c);
            break;
        case Move::WordForward:
            to = wordForward(c);
            break;
        case Move::LineUp:
            to = line == 0 ? 0 : lineStep(c, -1);
            break;
        case Move::LineDown:
            to = line + 1 >= text_.lineCount() ? text_.size() : lineStep(c, 1);
            break;
        case Move::PageUp:
            to = lineStep(c, -page);
            break;
        case Move::PageDown:
            to = lineStep(c, page);
            break;
        case Move::LineStart:
            to = text_.lineStart(line);
            break;
        case Move::LineEnd:
            to = text_.lineEnd(line);
            break;
        case Move::TextStart:
            to = 0;
            break;
        case Move::TextEnd:
            to = text_.size();
            break;
    }
    const double x = vertical ? preferredX_ : -1;
    text_.moveCaret(to, extend);
    preferredX_ = x;
    history_.seal();
}

std::size_t TextEditor::lineStep(std::size_t position, std::ptrdiff_t lines) {
    const std::size_t line = text_.lineOf(position);
    const std::size_t column = position - text_.lineStart(line);
    if (preferredX_ < 0) preferredX_ = layout_ ? layout_->xOf(line, column) : static_cast<double>(column);
    const auto last = static_cast<std::ptrdiff_t>(text_.lineCount()) - 1;
    const auto target =
        static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(line) + lines, 0, last));
    const std::size_t length = text_.lineEnd(target) - text_.lineStart(target);
    const std::size_t wanted = layout_ ? layout_->columnAt(target, preferredX_) : static_cast<std::size_t>(preferredX_);
    return text_.lineStart(target) + std::min(wanted, length);
}

// ---------------------------------------------------------------- the picture

std::optional<TextEditor::Band> TextEditor::selectionOn(std::size_t line) const {
    const std::size_t from = text_.selectionStart(), to = text_.selectionEnd();
    const std::size_t start = text_.lineStart(line), end = text_.lineEnd(line);
    if (from == to || to < start || from > end || (to == start && from < start)) return std::nullopt;
    return Band{std::max(from, start) - start, std::min(to, end) - start, to > end};
}

void TextEditor::bringCaretIntoSight(std::size_t& first, double& left, std::size_t lines, double width) {
    const std::size_t line = text_.lineOf(text_.caret());
    lines = std::max<std::size_t>(1, lines);
    if (line < first)
        first = line;
    else if (line >= first + lines)
        first = line - lines + 1;
    if (!layout_) return;
    const double x = layout_->xOf(line, text_.caret() - text_.lineStart(line));
    if (x < left)
        left = x;
    else if (x > left + width)
        left = x - width;
}

double TextEditor::contentWidth() {
    auto widthOf = [this](std::size_t line) {
        return layout_ ? layout_->xOf(line, text_.lineEnd(line) - text_.lineStart(line)) : 0.0;
    };
    if (takeShrunk()) widest_ = widthOf(text_.longestLine());
    if (const auto longer = text_.takeLongerLine()) widest_ = std::max(widest_, widthOf(*longer));
    return widest_;
}

// ---------------------------------------------------------------- words

TextView TextEditor::lineAround(std::size_t position, std::size_t& base) const {
    const std::size_t line = text_.lineOf(position);
    const std::size_t start = text_.lineStart(line), end = text_.lineEnd(line);
    std::size_t from = start, to = end;
    if (end - start > WordWindow) {
        from = std::max(start, position >= WordWindow / 2 ? position - WordWindow / 2 : 0);
        to = std::min(end, from + WordWindow);
    }
    base = from;
    scratch_ = text_.slice(from, to);
    return scratch_;
}

std::size_t TextEditor::wordForward(std::size_t p) const {
    if (p >= text_.lineEnd(text_.lineOf(p))) return text_.next(p);
    std::size_t base = 0;
    const TextView line = lineAround(p, base);
    return base + std::min(words_->nextStop(line, p - base), line.size());
}

std::size_t TextEditor::wordBack(std::size_t p) const {
    if (p == text_.lineStart(text_.lineOf(p))) return text_.previous(p);
    std::size_t base = 0;
    const TextView line = lineAround(p, base);
    return base + std::min(words_->previousStop(line, p - base), p - base);
}

std::pair<std::size_t, std::size_t> TextEditor::wordAt(std::size_t p) const {
    std::size_t base = 0;
    const TextView line = lineAround(p, base);
    if (line.empty()) return {p, p};
    const auto [from, to] = words_->wordAt(line, p - base);
    return {base + std::min(from, line.size()), base + std::min(to, line.size())};
}

// ---------------------------------------------------------------- the mouse

std::pair<std::size_t, std::size_t> TextEditor::unitAt(std::size_t p, Unit unit) const {
    switch (unit) {
        case Unit::Word:
            return wordAt(p);
        case Unit::Line: {
            const std::size_t line = text_.lineOf(p);
            return {text_.lineStart(line), line + 1 < text_.lineCount() ? text_.lineStart(line + 1) : text_.size()};
        }
        case Unit::Char:
            break;
    }
    return {p, p};
}

void TextEditor::press(std::size_t position, Unit unit, bool extend) {
    if (extend) {
        dragUnit_ = Unit::Char;
        pressed_ = {text_.anchor(), text_.anchor()};
        text_.moveCaret(position, true);
    } else {
        dragUnit_ = unit;
        pressed_ = unitAt(position, unit);
        text_.select(pressed_.first, pressed_.second);
    }
    preferredX_ = -1;
    history_.seal();
}

void TextEditor::drag(std::size_t position) {
    const auto [from, to] = unitAt(position, dragUnit_);
    if (from < pressed_.first)
        text_.select(pressed_.second, from);
    else
        text_.select(pressed_.first, std::max(to, pressed_.second));
    preferredX_ = -1;
}

}  // namespace malvorn
