#include "notewindowadapter.h"

#include "notewindow/frmblocnote.h"
#include "notewindow/notecommands.h"
#include "notewindow/notewindowset.h"

#include <QPlainTextEdit>
#include <QTextCursor>

NoteWindowAdapter::NoteWindowAdapter(NoteWindowSet& windows)
    : m_windows(windows) {}

void NoteWindowAdapter::createNewNoteWindow(int slot) {
    m_windows.createNewNoteWindow(slot);
}

void NoteWindowAdapter::showNote(int slot, bool animate) {
    m_windows.showNote(slot, animate);
}

void NoteWindowAdapter::hideNote(int slot, bool animate) {
    m_windows.hideNote(slot, animate);
}

void NoteWindowAdapter::retireNote(int slot) {
    m_windows.retireNote(slot);
}

void NoteWindowAdapter::focusText(int slot) {
    m_windows.focusText(slot);
}

void NoteWindowAdapter::placeTextCursor(int slot, int position) {
    frmBlocNote* window = m_windows.window(slot);
    QPlainTextEdit* box = window != nullptr ? window->textBox() : nullptr;
    if (box == nullptr) {
        return;
    }
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(std::clamp(position, 0, box->document()->characterCount() - 1));
    box->setTextCursor(cursor);
}

std::optional<bool> NoteWindowAdapter::savedOnTop(int slot) const {
    const frmBlocNote* window = m_windows.existingWindow(slot);
    if (window != nullptr && window->menuShowing()) {
        return window->savedOnTop();
    }
    return std::nullopt;
}

void NoteWindowAdapter::setAlwaysOnTop(int slot, bool onTop) {
    m_windows.commands().setAlwaysOnTop(slot, onTop);
}

void NoteWindowAdapter::setLocked(int slot, bool locked) {
    m_windows.commands().setLocked(slot, locked);
}

void NoteWindowAdapter::setAutoRoll(int slot, bool autoRoll) {
    m_windows.commands().setAutoRoll(slot, autoRoll);
}

void NoteWindowAdapter::setAutoDim(int slot, bool autoDim) {
    m_windows.commands().setAutoDim(slot, autoDim);
}

void NoteWindowAdapter::setShowTitle(int slot, bool showTitle) {
    m_windows.commands().setShowTitle(slot, showTitle);
}

void NoteWindowAdapter::setShowScrollBar(int slot, bool showScrollBar) {
    m_windows.commands().setShowScrollBar(slot, showScrollBar);
}

void NoteWindowAdapter::setTitle(int slot, const QString& title) {
    m_windows.commands().setTitle(slot, title);
}

bool NoteWindowAdapter::chooseColor(int slot, bool background, QWidget* owner) {
    return m_windows.commands().chooseColor(slot, background, owner);
}

bool NoteWindowAdapter::chooseFont(int slot, QWidget* owner) {
    return m_windows.commands().chooseFont(slot, owner);
}

void NoteWindowAdapter::toggleStretch(int slot) {
    m_windows.commands().toggleStretch(slot);
}

void NoteWindowAdapter::toggleKeepRatio(int slot) {
    m_windows.commands().toggleKeepRatio(slot);
}

void NoteWindowAdapter::setTypedPicturePath(int slot, const QString& text) {
    m_windows.commands().setTypedPicturePath(slot, text);
}

void NoteWindowAdapter::browsePicture(int slot, QWidget* owner) {
    m_windows.commands().browsePicture(slot, owner);
}
