#pragma once

#include "noterecord.h"

#include <QObject>
#include <array>
#include <vector>

// The note tables: one slot per note, never reused during a run. A note is its slot index.
class NoteStore : public QObject {
    Q_OBJECT
public:
    explicit NoteStore(QObject* parent = nullptr);

    std::vector<NoteRecord> Notes;
    std::vector<NoteWindowState> Windows;
    std::vector<int> ListPos;
    // Per list: the slot shown at each line.
    std::array<std::vector<int>, 2> ListEntries;

    bool DataChanged = false;
    bool FullSaveNeeded = false;
    bool UpdatingLists = false;
    // Per list: the data file holds records the list does not show (skipped when loading), so
    // list positions do not match record numbers there and its next save rewrites it whole.
    std::array<bool, 2> RecordsOutOfStep{};
    // Per list: the slot held by each record of the data file, in record order (-1 for a record
    // the list does not show), as far as this run knows it. In-place writes go by it.
    std::array<std::vector<int>, 2> FileOrder;
    // Per list: the data file could not be read, so it is not written for the rest of the run.
    std::array<bool, 2> Unreadable{};
    // Per import file: the lists its notes went into that are not on file yet. The import
    // file is deleted once none is left.
    std::array<std::array<bool, 2>, 2> PendingImports{};

    [[nodiscard]] int LastNote() const { return static_cast<int>(Notes.size()) - 1; }
    [[nodiscard]] bool isValidSlot(int slot) const { return slot >= 0 && slot <= LastNote(); }
    [[nodiscard]] int lineCount(int list) const {
        return static_cast<int>(ListEntries.at(static_cast<size_t>(list)).size());
    }
    // The slot at a line of a list, or -1.
    [[nodiscard]] int slotAt(int list, int pos) const;

    // Empties every table (LastNote becomes -1).
    void clear();
    // Appends a slot at the end of `list`; returns its index.
    int addNote(int list, const NoteRecord& record, const NoteWindowState& window);

    // The one way to record a change of a note.
    void MarkChanged(int index, bool contentChanged);
    // Marks the note "deleted ", hides and switches its window off and asks for a full save;
    // it keeps its slot and line.
    void markDeleted(int index);

    // Exchanges two lines of a list and asks for a full save; the change marks stay.
    void swapLines(int list, int pos1, int pos2);
    // Moves the note at `pos` of `fromList` to the end of `toList`, closes the gap, marks the
    // note changed (layout) and asks for a full save; returns its new line, or -1 when nothing
    // moved.
    int moveToList(int pos, int fromList, int toList);

signals:
    // A note's change mark was set (the properties panel shows "Modified").
    void noteMarked(int index);
};
