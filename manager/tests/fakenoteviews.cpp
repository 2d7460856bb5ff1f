#include "fakenoteviews.h"

#include "store/notestore.h"

FakeNoteViews::FakeNoteViews(NoteStore& store)
    : m_store(store) {}

void FakeNoteViews::showNote(int slot, bool) {
    shown.append(slot);
    m_store.Windows.at(static_cast<size_t>(slot)).Visible = true;
}

void FakeNoteViews::hideNote(int slot, bool) {
    hidden.append(slot);
    m_store.Windows.at(static_cast<size_t>(slot)).Visible = false;
}

void FakeNoteViews::retireNote(int slot) {
    retired.append(slot);
    m_store.Windows.at(static_cast<size_t>(slot)).Visible = false;
    m_store.Windows.at(static_cast<size_t>(slot)).Live = false;
}

void FakeNoteViews::placeTextCursor(int slot, int position) {
    cursors.append({slot, position});
}

void FakeNoteViews::record(const QString& call, int slot, bool value) {
    calls.append(QStringLiteral("%1(%2,%3)").arg(call).arg(slot).arg(value ? 1 : 0));
}

void FakeNoteViews::setAlwaysOnTop(int slot, bool onTop) {
    record(QStringLiteral("setAlwaysOnTop"), slot, onTop);
    m_store.Windows.at(static_cast<size_t>(slot)).AlwaysOnTop = onTop;
    m_store.MarkChanged(slot, false);
}

void FakeNoteViews::setTitle(int slot, const QString& title) {
    calls.append(QStringLiteral("setTitle(%1,%2)").arg(slot).arg(title));
    m_store.Notes.at(static_cast<size_t>(slot)).setTitle(title);
    m_store.MarkChanged(slot, true);
}

bool FakeNoteViews::chooseColor(int slot, bool background, QWidget*) {
    record(QStringLiteral("chooseColor"), slot, background);
    return false;
}

bool FakeNoteViews::chooseFont(int slot, QWidget*) {
    record(QStringLiteral("chooseFont"), slot, true);
    return false;
}

void FakeNoteViews::setTypedPicturePath(int slot, const QString& text) {
    // As the note window does: the picture is read, the path stored, the note marked.
    calls.append(QStringLiteral("setTypedPicturePath(%1,%2)").arg(slot).arg(text));
    m_store.Notes.at(static_cast<size_t>(slot)).ImagePath = text.trimmed();
    m_store.MarkChanged(slot, true);
}

void FakeNoteViews::browsePicture(int slot, QWidget*) {
    record(QStringLiteral("browsePicture"), slot, true);
}
