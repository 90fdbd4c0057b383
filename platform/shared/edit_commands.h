// SPDX-License-Identifier: MIT
// The result box's keys and context menu, written once for both front
// ends: which key with which modifiers gives which of the editor's
// commands, the menu's items with the rule that enables each, and what
// each command does. A front end only names its native key codes as an
// EditKey, shows the menu, and gives the commands its clipboard.
#pragma once

#include <optional>

#include "platform/shared/text_editor.h"

namespace malvorn {

enum class EditCommand {
    // A move of the caret (EditAction::move); with Shift it extends the
    // selection.
    Move,
    // Erasing: the selection if there is one, else from the caret.
    EraseCharBack,
    EraseCharForward,
    EraseWordBack,
    EraseWordForward,
    NewLine,
    Undo,
    Redo,
    // The Windows EDIT control's one level of undo, which undoes itself:
    // undoes, or redoes the last undo when nothing is left to undo, so
    // that pressed twice it changes nothing (Alt+Backspace, EM_UNDO).
    UndoOrRedoWhenNothingLeft,
    Cut,
    Copy,
    Paste,
    EraseSelection,
    SelectAll
};

// The keys the box acts on, by what they are, whatever a platform's codes.
enum class EditKey {
    Left,
    Right,
    Up,
    Down,
    PageUp,
    PageDown,
    Home,
    End,
    Backspace,
    Delete,
    Insert,
    Enter,
    A,
    C,
    V,
    X,
    Y,
    Z
};

// Modifiers, as bits.
enum EditModifier : unsigned { ShiftKey = 1, CtrlKey = 2, AltKey = 4 };

struct EditAction {
    EditCommand command;
    TextEditor::Move move = TextEditor::Move::CharBack;  // for a Move
    bool extend = false;                                 // a move that extends the selection (Shift held)
    bool isMove(TextEditor::Move m) const { return command == EditCommand::Move && move == m; }
};

// The command of a key with its modifiers; none when the box leaves the
// key to the platform (or it types a character).
std::optional<EditAction> commandForKey(EditKey key, unsigned modifiers);

// What the commands need of a front end's platform.
class EditClipboard {
public:
    virtual ~EditClipboard() = default;
    virtual void putOnClipboard(const Text& text) = 0;
    virtual Text clipboardText() = 0;
    virtual bool clipboardHasText() = 0;
};

// Runs a command on the editor; returns whether it may have selected text
// (a front end keeping an X11 primary selection copies it then).
bool runCommand(TextEditor& editor, EditAction action, EditClipboard& clipboard);

// The context menu, in order, and when an item is enabled: only where it
// would do something.
struct MenuItem {
    EditCommand command;
    const char16_t* caption;
    bool separatorBefore;
};
inline constexpr MenuItem ContextMenu[] = {
    {EditCommand::Undo, u"撤销(&U)", false},     {EditCommand::Redo, u"重做(&R)", false},
    {EditCommand::Cut, u"剪切(&T)", true},       {EditCommand::Copy, u"复制(&C)", false},
    {EditCommand::Paste, u"粘贴(&P)", false},    {EditCommand::EraseSelection, u"删除(&D)", false},
    {EditCommand::SelectAll, u"全选(&A)", true},
};
bool menuItemEnabled(EditCommand command, const TextEditor& editor, EditClipboard& clipboard);

}  // namespace malvorn
