#pragma once

#include "managercontext.h"
#include "store/noterecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QListWidget;
class QListWidgetItem;
struct NoteWindowState;

// Background and text colour of a new note (RGB, red in the low byte).
struct NoteColors {
    std::int32_t back = 0;
    std::int32_t fore = 0;
};

// Random colours for a new note: each component is `random()` (0 <= x < 1) times 256; every
// text component is drawn again until it differs from the background's by more than 64.
[[nodiscard]] NoteColors drawRandomColors(const std::function<double()>& random);

// The title of a new note: prefix, date and time, trimmed and cut to the title width.
[[nodiscard]] QString newNoteTitle(const QString& prefix, const QDateTime& now);

// A stored date as the panels and tooltips show it; the zero date (never set) is empty.
[[nodiscard]] QString oleDateTimeText(double ole);

// The two note lists of the manager and their commands. Works on the note tables and on the
// two check-box list widgets the manager window owns; the lines' ticks are the visibility of
// the notes' windows.
class NoteLists : public QObject {
    Q_OBJECT
public:
    // How far a new note steps down and right from a note at its place: a title bar, in twips.
    static constexpr float NewNoteOffset = 195.0F;

    NoteLists(const ManagerContext& ctx, std::array<QListWidget*, 2> lists,
              QObject* parent = nullptr);

    [[nodiscard]] QListWidget* list(int index) const;
    // The list in front (the option buttons' choice).
    [[nodiscard]] int frontList() const { return m_front; }
    // optSelectList Click: brings a list to the front.
    void optSelectList_Click(int index);

    [[nodiscard]] int selectedLine(int list) const;
    void selectLine(int list, int pos);
    // The note of the selected line of the list in front, or -1.
    [[nodiscard]] int selectedNote() const;
    [[nodiscard]] bool isTicked(int list, int pos) const;
    // A program-made tick change: shows or hides the note through the click handler.
    void setTicked(int list, int pos, bool ticked);
    // Selects a note's line in its list and brings that list to the front.
    void selectNote(int slot);

    // Rebuilds both lists from the tables (after loading); clearLists empties them.
    void fill();
    void clearLists();
    // The line text of a note: its title, or "---Deleted---" for a removed note.
    [[nodiscard]] QString lineText(int slot) const;
    // Shows a note's current title on its line.
    void updateLineText(int slot);

    // lstNotes Click: the tick of a line changed.
    void lstNotes_Click(int list, int pos);
    // The tooltip of a note's line for its alarm state; nothing when it stays as it was.
    [[nodiscard]] std::optional<QString> lineToolTip(int slot) const;

    // Returns the new note's slot.
    int cmdNewNote_Click();
    // The same, with the new note's fields changed by `fill` before its window is made and
    // shown, so that a note that arrives whole is built once.
    using NoteFill = std::function<void(NoteRecord&, NoteWindowState&)>;
    int newNote(const NoteFill& fill);
    void cmdRemove_Click();
    void cmdMoveUp_Click();
    void cmdMoveDown_Click();
    void cmdMoveRight_Click();
    void cmdMoveLeft_Click();
    void cmdShowAll_Click();
    void cmdHideAll_Click();
    void cmdSearch_Click(const QString& searchText);
    // Inverts the tick of the selected line of the list in front (middle click on the icon).
    void invertSelectedTick();

    void SwapLines(int pos1, int pos2, int list);
    void MoveToList(int pos, int fromList, int toList);

    // Test seams and later work: the random source and the next alarm moment.
    void setRandomSource(std::function<double()> random);
    void setNextOccurrence(std::function<QDateTime(int)> nextOccurrence);

signals:
    void frontListChanged(int list);
    // The remove command brings the list panel to the front.
    void listPanelRequested();

private:
    void onItemChanged(int list, QListWidgetItem* item);
    void addLine(int list, const QString& text, bool ticked);
    [[nodiscard]] bool isLive(int slot) const;
    // A removed note's line: cleared and no longer tickable.
    void makeInert(QListWidgetItem* item);
    // Reordered, moved or removed notes: the next auto-save rewrites the data files.
    void requestFullSave();
    [[nodiscard]] bool isShown(int slot) const;
    void showAllOrHide(bool show);
    void placeClearOfOtherNotes(NoteWindowState& window) const;

    ManagerContext m_ctx;
    std::array<QListWidget*, 2> m_lists;
    int m_front = 0;
    std::function<double()> m_random;
    std::function<QDateTime(int)> m_nextOccurrence;
};
