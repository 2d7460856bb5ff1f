#pragma once

// What a note window asks of the manager window. The manager implements it; tests fake it.
class NoteHost {
public:
    virtual ~NoteHost() = default;
    // A visible note window was activated: select its list and line (which makes it the
    // current note), refill the properties or alarm panel when in front, start the focus check.
    virtual void noteActivated(int slot) = 0;
    // A note window lost activation: stop the focus check.
    virtual void noteDeactivated(int slot) = 0;
    // Clear the tick of the note's line; the list hides the window and records the change.
    virtual void hideNoteFromList(int slot) = 0;
    // Alt+P and "Properties": show the manager when hidden (ShownForProperties) and open the
    // properties panel for the note.
    virtual void openProperties(int slot) = 0;
    // "Delete note": the manager's remove command for this note (with its confirmation).
    virtual void removeNote(int slot) = 0;
    // A property of the note changed outside the panel: refresh the panel when it shows it.
    virtual void notePropertiesChanged(int slot) = 0;
    // The automatic-refresh timer, stopped while a note menu or file dialog is open.
    virtual void stopAutoRefresh() = 0;
    virtual void restartAutoRefresh() = 0;
    [[nodiscard]] virtual bool managerVisible() const = 0;
};
