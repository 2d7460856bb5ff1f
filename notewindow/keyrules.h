#pragma once

#include <QChar>

class QKeyEvent;

// What a key pressed in a note's text means to the note.
enum class KeyKind {
    Other,       // moves the cursor or nothing: passes, marks nothing
    Delete,      // the Delete key: blocked on a locked note, else marks "MODIFIED"
    AltShortcut, // Alt+letter: the note's shortcut table
    AltIgnored,  // Alt with Shift and a letter: does nothing
    SelectAll,   // Ctrl+A: selects the whole text
    Copy,        // Ctrl+C: passes unmarked, also on a locked note
    Typing,      // characters, Backspace, Enter, Ctrl+X, Ctrl+V, Ctrl+Z...: blocked when locked
};

struct KeyRule {
    KeyKind kind = KeyKind::Other;
    // The upper-case letter of an Alt shortcut.
    QChar letter;
};

[[nodiscard]] KeyRule classifyKey(const QKeyEvent& event);
