// SPDX-License-Identifier: MIT
#include "platform/shared/edit_commands.h"

namespace malvorn {

namespace {

using C = EditCommand;
using K = EditKey;
using M = TextEditor::Move;

struct KeyBinding {
    EditKey key;
    unsigned modifiers;  // for a move, without the Shift that extends it
    EditAction action;
};

// The keys of the Windows EDIT control and of QPlainTextEdit, which agree
// but for Alt+Backspace: the box has EDIT's on every desktop.
constexpr KeyBinding Keys[] = {
    {K::Left, 0, {C::Move, M::CharBack}},
    {K::Left, CtrlKey, {C::Move, M::WordBack}},
    {K::Right, 0, {C::Move, M::CharForward}},
    {K::Right, CtrlKey, {C::Move, M::WordForward}},
    {K::Up, 0, {C::Move, M::LineUp}},
    {K::Up, CtrlKey, {C::Move, M::LineUp}},
    {K::Down, 0, {C::Move, M::LineDown}},
    {K::Down, CtrlKey, {C::Move, M::LineDown}},
    {K::PageUp, 0, {C::Move, M::PageUp}},
    {K::PageDown, 0, {C::Move, M::PageDown}},
    {K::Home, 0, {C::Move, M::LineStart}},
    {K::Home, CtrlKey, {C::Move, M::TextStart}},
    {K::End, 0, {C::Move, M::LineEnd}},
    {K::End, CtrlKey, {C::Move, M::TextEnd}},
    {K::Backspace, 0, {C::EraseCharBack}},
    {K::Backspace, ShiftKey, {C::EraseCharBack}},
    {K::Backspace, CtrlKey, {C::EraseWordBack}},
    {K::Backspace, AltKey, {C::UndoOrRedoWhenNothingLeft}},
    {K::Delete, 0, {C::EraseCharForward}},
    {K::Delete, CtrlKey, {C::EraseWordForward}},
    {K::Delete, ShiftKey, {C::Cut}},
    {K::Insert, CtrlKey, {C::Copy}},
    {K::Insert, ShiftKey, {C::Paste}},
    {K::Enter, 0, {C::NewLine}},
    {K::Enter, ShiftKey, {C::NewLine}},
    {K::A, CtrlKey, {C::SelectAll}},
    {K::C, CtrlKey, {C::Copy}},
    {K::X, CtrlKey, {C::Cut}},
    {K::V, CtrlKey, {C::Paste}},
    {K::Z, CtrlKey, {C::Undo}},
    {K::Z, CtrlKey | ShiftKey, {C::Redo}},
    {K::Y, CtrlKey, {C::Redo}},
};

}  // namespace

std::optional<EditAction> commandForKey(EditKey key, unsigned modifiers) {
    for (const KeyBinding& b : Keys) {
        if (b.key != key) continue;
        const bool move = b.action.command == C::Move;
        if ((move ? modifiers & ~ShiftKey : modifiers) != b.modifiers) continue;
        EditAction action = b.action;
        action.extend = move && (modifiers & ShiftKey) != 0;
        return action;
    }
    return std::nullopt;
}

bool runCommand(TextEditor& editor, EditAction action, EditClipboard& clipboard) {
    switch (action.command) {
        case C::Move:
            editor.move(action.move, action.extend);
            return action.extend;
        case C::EraseCharBack:
            editor.erase(TextEditor::Erase::CharBack);
            break;
        case C::EraseCharForward:
            editor.erase(TextEditor::Erase::CharForward);
            break;
        case C::EraseWordBack:
            editor.erase(TextEditor::Erase::WordBack);
            break;
        case C::EraseWordForward:
            editor.erase(TextEditor::Erase::WordForward);
            break;
        case C::NewLine:
            editor.type(u"\r\n");
            break;
        case C::Undo:
            editor.undo();
            break;
        case C::Redo:
            editor.redo();
            break;
        case C::UndoOrRedoWhenNothingLeft:
            if (editor.canUndo())
                editor.undo();
            else
                editor.redo();
            break;
        case C::Cut:
            if (!editor.hasSelection()) break;
            clipboard.putOnClipboard(editor.text().selectedText());
            editor.eraseSelection();
            break;
        case C::Copy:
            if (editor.hasSelection()) clipboard.putOnClipboard(editor.text().selectedText());
            break;
        case C::Paste:
            if (const Text pasted = clipboard.clipboardText(); !pasted.empty()) editor.insert(pasted);
            break;
        case C::EraseSelection:
            editor.eraseSelection();
            break;
        case C::SelectAll:
            editor.selectAll();
            return true;
    }
    return false;
}

bool menuItemEnabled(EditCommand command, const TextEditor& editor, EditClipboard& clipboard) {
    switch (command) {
        case C::Undo:
            return editor.canUndo();
        case C::Redo:
            return editor.canRedo();
        case C::Cut:
        case C::Copy:
        case C::EraseSelection:
            return editor.hasSelection();
        case C::Paste:
            return clipboard.clipboardHasText();
        case C::SelectAll:
            return !editor.text().empty();
        default:
            return true;
    }
}

}  // namespace malvorn
