#pragma once

// What the note lists need of the note windows: one window per slot, created on first use.
// The windows keep the slot's NoteWindowState (Visible, Live, Text) current.
class NoteViews {
public:
    virtual ~NoteViews() = default;
    // The window of a note made by the new-note command, built from the tables, not shown.
    virtual void createNewNoteWindow(int slot) = 0;
    virtual void showNote(int slot, bool animate) = 0;
    virtual void hideNote(int slot, bool animate) = 0;
    // Hides a removed note's window and switches it off.
    virtual void retireNote(int slot) = 0;
    virtual void focusText(int slot) = 0;
    // Puts the text cursor of the note's text at `position` (0-based).
    virtual void placeTextCursor(int slot, int position) = 0;
};
