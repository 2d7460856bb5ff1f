#pragma once

#include "store/loader.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <memory>
#include <vector>

class frmBlocNote;
class NoteStore;
class NoteHost;
class NoteCommands;
struct Settings;
struct ProgramState;
class ProgramFolder;
class MessageSink;
class Translator;
class Dialogs;
class DesktopShell;
class Clock;
class QWidget;
class QPlainTextEdit;

// Everything a note window needs, handed over once.
struct NoteContext {
    NoteStore& store;
    Settings& settings;
    ProgramState& state;
    const ProgramFolder& folder;
    MessageSink& messages;
    const Translator& tr;
    Dialogs& dialogs;
    DesktopShell& shell;
    const Clock& clock;
};

// The note windows, one per slot (NoteWindows). Builds windows from loaded notes, shows and
// hides them, and holds the layout constants measured at start-up.
class NoteWindowSet : public QObject, public NoteBuilder {
    Q_OBJECT
public:
    explicit NoteWindowSet(const NoteContext& ctx, QObject* parent = nullptr);
    ~NoteWindowSet() override;

    void setHost(NoteHost* host);
    [[nodiscard]] NoteHost* host() const { return m_host; }
    // The manager window, put below the file dialogs with the notes.
    void setManagerWindow(QWidget* manager) { m_manager = manager; }
    [[nodiscard]] QWidget* managerWindow() const { return m_manager; }
    [[nodiscard]] NoteCommands& commands();

    // ChromeHeight, ChromeWidth and ToolbarHeight from a note window in its design state.
    void measureLayout();
    [[nodiscard]] int ChromeHeight() const { return m_chromeHeight; }
    [[nodiscard]] int ChromeWidth() const { return m_chromeWidth; }
    [[nodiscard]] int ToolbarHeight() const { return m_toolbarHeight; }

    // The window of a slot, created when missing.
    frmBlocNote* window(int slot);
    [[nodiscard]] frmBlocNote* existingWindow(int slot) const;
    void buildNote(int slot) override;
    // A note made by the new-note command: window built from the tables, not shown yet.
    void createNewNoteWindow(int slot);

    // Shows or hides a note's window (with the 200 ms animation when asked) and keeps its
    // state's Visible current.
    void showNote(int slot, bool animate);
    void hideNote(int slot, bool animate);
    // Switches a removed note's window off.
    void retireNote(int slot);
    // Closes and releases every window (shutdown and reload).
    void destroyAll();

    // Active or inactive look for the current note (the focus check).
    void applyLook(int slot, bool active);
    // Puts every visible always-on-top note on top again (auto refresh).
    void refreshTopmost();
    // Around a file dialog: takes every shown window that is on top (notes and the manager)
    // off the top, and puts exactly those back afterwards.
    void RemoveAlwaysOnTop(QWidget* manager);
    void ResetAlwaysOnTop(QWidget* manager);
    // Applies a new dimming level to every visible auto-dim note.
    void applyDimLevel(int level);
    // Gives the note's text the keyboard focus.
    void focusText(int slot);
    // Starts the note's flashing (alarm, received note).
    void flashNote(int slot);
    // A note rings while its alarm runs: its menu then offers to snooze it.
    void setRinging(int slot, bool ringing);
    // A new text for the note, in its window too when it has one.
    void setNoteText(int slot, const QString& text);
    [[nodiscard]] bool isRinging(int slot) const { return m_ringing.contains(slot); }
    // A text box without scroll bars that is never shown, which draws the text of notes that
    // have no text box yet: style it as the note's box would be, then draw with drawText.
    [[nodiscard]] QPlainTextEdit& textRenderer();
    void drawText(QWidget* target, const QString& text);

signals:
    // The user put the note's alarm off for this many minutes.
    void snoozeRequested(int slot, int minutes);
    // "Send to..." on a note: the network service opens its send window.
    void sendRequested(int slot, QWidget* noteWindow);

private:
    QSet<int> m_ringing;
    NoteContext m_ctx;
    NoteHost* m_host = nullptr;
    QWidget* m_manager = nullptr;
    std::unique_ptr<NoteCommands> m_commands;
    std::vector<std::unique_ptr<frmBlocNote>> m_windows;
    // The windows RemoveAlwaysOnTop took off the top.
    std::vector<QPointer<QWidget>> m_takenOnTop;
    std::unique_ptr<QPlainTextEdit> m_renderer;
    // The text last put into the renderer, and the image it was drawn into.
    QString m_rendered;
    QImage m_drawn;
    int m_chromeHeight = 0;
    int m_chromeWidth = 0;
    int m_toolbarHeight = 0;
};
