// SPDX-License-Identifier: MIT
#include "platform/shared/edit_commands.h"

namespace malvorn {

namespace {

using C = EditCommand;
using K = EditKey;

bool isMove(EditCommand c) { return c <= C::TextEnd; }

struct KeyBinding {
    EditKey key;
    unsigned modifiers;  // for a move, without the Shift that extends it
    EditCommand command;
};

// The keys of the Windows EDIT control and of QPlainTextEdit, which agree
// but for Alt+Backspace: the box has EDIT's on every desktop.
constexpr KeyBinding Keys[] = {
    {K::Left, 0, C::CharBack},
    {K::Left, CtrlKey, C::WordBack},
    {K::Right, 0, C::CharForward},
    {K::Right, CtrlKey, C::WordForward},
    {K::Up, 0, C::LineUp},
    {K::Up, CtrlKey, C::LineUp},
    {K::Down, 0, C::LineDown},
    {K::Down, CtrlKey, C::LineDown},
    {K::PageUp, 0, C::PageUp},
    {K::PageDown, 0, C::PageDown},
    {K::Home, 0, C::LineStart},
    {K::Home, CtrlKey, C::TextStart},
    {K::End, 0, C::LineEnd},
    {K::End, CtrlKey, C::TextEnd},
    {K::Backspace, 0, C::EraseCharBack},
    {K::Backspace, ShiftKey, C::EraseCharBack},
    {K::Backspace, CtrlKey, C::EraseWordBack},
    {K::Backspace, AltKey, C::UndoOrRedoWhenNothingLeft},
    {K::Delete, 0, C::EraseCharForward},
    {K::Delete, CtrlKey, C::EraseWordForward},
    {K::Delete, ShiftKey, C::Cut},
    {K::Insert, CtrlKey, C::Copy},
    {K::Insert, ShiftKey, C::Paste},
    {K::Enter, 0, C::NewLine},
    {K::Enter, ShiftKey, C::NewLine},
    {K::A, CtrlKey, C::SelectAll},
    {K::C, CtrlKey, C::Copy},
    {K::X, CtrlKey, C::Cut},
    {K::V, CtrlKey, C::Paste},
    {K::Z, CtrlKey, C::Undo},
    {K::Z, CtrlKey | ShiftKey, C::Redo},
    {K::Y, CtrlKey, C::Redo},
};

TextEditor::Move moveOf(EditCommand c) {
    return static_cast<TextEditor::Move>(static_cast<int>(c) - static_cast<int>(C::CharBack));
}

static_assert(static_cast<int>(C::TextEnd) - static_cast<int>(C::CharBack) ==
                  static_cast<int>(TextEditor::Move::TextEnd) - static_cast<int>(TextEditor::Move::CharBack),
              "the moves in the order of TextEditor::Move");

}  // namespace

std::optional<EditAction> commandForKey(EditKey key, unsigned modifiers) {
    for (const KeyBinding& b : Keys) {
        if (b.key != key) continue;
        const bool move = isMove(b.command);
        if ((move ? modifiers & ~ShiftKey : modifiers) == b.modifiers)
            return EditAction{b.command, move && (modifiers & ShiftKey) != 0};
    }
    return std::nullopt;
}

bool runCommand(TextEditor& editor, EditAction action, EditClipboard& clipboard) {
    if (isMove(action.command)) {
        editor.move(moveOf(action.command), action.extend);
        return action.extend;
    }
    switch (action.command) {
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
        default:
            break;
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
