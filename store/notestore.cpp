#include "notestore.h"

#include <utility>

NoteStore::NoteStore(QObject* parent)
    : QObject(parent) {}

int NoteStore::slotAt(int list, int pos) const {
    if (list < 0 || list > 1 || pos < 0 || pos >= lineCount(list))
        return -1;
    return ListEntries.at(static_cast<size_t>(list)).at(static_cast<size_t>(pos));
}

void NoteStore::clear() {
    Notes.clear();
    Windows.clear();
    ListPos.clear();
    for (auto& entries : ListEntries)
        entries.clear();
    RecordsOutOfStep = {};
    for (auto& order : FileOrder)
        order.clear();
    Unreadable = {};
    PendingImports = {};
}

int NoteStore::addNote(int list, const NoteRecord& record, const NoteWindowState& window) {
    const int slot = static_cast<int>(Notes.size());
    auto& entries = ListEntries.at(static_cast<size_t>(list));
    Notes.push_back(record);
    Notes.back().List = static_cast<std::int16_t>(list);
    Windows.push_back(window);
    ListPos.push_back(static_cast<int>(entries.size()));
    entries.push_back(slot);
    return slot;
}

void NoteStore::MarkChanged(int index, bool contentChanged) {
    if (UpdatingLists || !isValidSlot(index))
        return;
    QString& changeMark = Notes[static_cast<size_t>(index)].ChangeMark;
    if (changeMark != mark::Deleted && changeMark != mark::Created) {
        if (contentChanged)
            changeMark = mark::ModifiedContent;
        else if (changeMark != mark::ModifiedContent)
            changeMark = mark::Modified;
        emit noteMarked(index);
    }
    DataChanged = true;
}

void NoteStore::markDeleted(int index) {
    if (!isValidSlot(index))
        return;
    const auto i = static_cast<size_t>(index);
    Notes[i].ChangeMark = mark::Deleted;
    Windows[i].Visible = false;
    Windows[i].Live = false;
    FullSaveNeeded = true;
    MarkChanged(index, false);
}

void NoteStore::swapLines(int list, int pos1, int pos2) {
    const int slot1 = slotAt(list, pos1);
    const int slot2 = slotAt(list, pos2);
    if (slot1 < 0 || slot2 < 0)
        return;
    auto& entries = ListEntries.at(static_cast<size_t>(list));
    std::swap(entries[static_cast<size_t>(pos1)], entries[static_cast<size_t>(pos2)]);
    ListPos[static_cast<size_t>(slot1)] = pos2;
    ListPos[static_cast<size_t>(slot2)] = pos1;
    FullSaveNeeded = true;
}

int NoteStore::moveToList(int pos, int fromList, int toList) {
    if (fromList < 0 || fromList > 1 || toList < 0 || toList > 1 || fromList == toList)
        return -1;
    const int slot = slotAt(fromList, pos);
    if (slot < 0)
        return -1;
    auto& from = ListEntries.at(static_cast<size_t>(fromList));
    auto& to = ListEntries.at(static_cast<size_t>(toList));
    const int n = static_cast<int>(to.size());
    to.push_back(slot);
    Notes[static_cast<size_t>(slot)].List = static_cast<std::int16_t>(toList);
    ListPos[static_cast<size_t>(slot)] = n;
    from.erase(from.begin() + pos);
    for (size_t i = static_cast<size_t>(pos); i < from.size(); ++i)
        ListPos[static_cast<size_t>(from[i])] = static_cast<int>(i);
    MarkChanged(slot, false);
    FullSaveNeeded = true;
    return n;
}
