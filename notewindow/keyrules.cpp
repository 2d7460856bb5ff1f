#include "notewindow/keyrules.h"

#include <QKeyEvent>
#include <QKeySequence>

KeyRule classifyKey(const QKeyEvent& event) {
    const int key = event.key();
    const Qt::KeyboardModifiers mods =
        event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key == Qt::Key_Delete) {
        return {KeyKind::Delete, {}};
    }
    const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
    if (letter && mods.testFlag(Qt::AltModifier) && !mods.testFlag(Qt::ControlModifier)) {
        if (mods == Qt::AltModifier) {
            return {KeyKind::AltShortcut, QChar(u'A' + (key - Qt::Key_A))};
        }
        return {KeyKind::AltIgnored, {}};
    }
    if (event.matches(QKeySequence::SelectAll)) {
        return {KeyKind::SelectAll, {}};
    }
    if (event.matches(QKeySequence::Copy)) {
        return {KeyKind::Copy, {}};
    }
    if (event.matches(QKeySequence::Cut) || event.matches(QKeySequence::Paste) ||
        event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo)) {
        return {KeyKind::Typing, {}};
    }
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return {KeyKind::Typing, {}};
    default:
        break;
    }
    if (letter && mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier)) {
        return {KeyKind::Typing, {}};
    }
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        return {KeyKind::Typing, {}};
    }
    return {KeyKind::Other, {}};
}
