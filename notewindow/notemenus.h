#pragma once

#include "alarms/alarmchecker.h"

#include <QObject>
#include <array>

class QAction;
class QMenu;
class QWidget;

// The note's popup menus: `mnuNote` on the text and `mnuImage` on the picture.
class NoteMenus : public QObject {
    Q_OBJECT
public:
    explicit NoteMenus(QWidget* owner);
    ~NoteMenus() override;

    QMenu* mnuNote;
    // "Snooze 5 minutes", "15 minutes", "1 hour" (AlarmChecker::SnoozeMinutes), shown while the
    // note rings.
    std::array<QAction*, AlarmChecker::SnoozeMinutes.size()> mnuSnooze{};
    QAction* mnuSnoozeSeparator;
    QAction* mnuShowImage;
    QAction* mnuSelectAll;
    QAction* mnuCopy;
    QAction* mnuCut;
    QAction* mnuPaste;
    QAction* mnuUndo;
    QAction* mnuNoteDelete;
    QAction* mnuNoteAsDefault;
    QAction* mnuSendTo;
    QAction* mnuPrint;
    QAction* mnuOpenInInternet;
    QAction* mnuSendMail;
    QAction* mnuOpenFile;
    QAction* mnuOpenFolder;
    QAction* mnufil6;
    QAction* mnuNoteProperties;
    QAction* mnuNoteLocked;
    QAction* mnuNoteShowTitle;
    QAction* mnuNoteHide;

    QMenu* mnuImage;
    QAction* mnuShowText;
    QAction* mnuSelectImage;
    QAction* mnuImageProperties;
    QAction* mnuImageShowTitle;
    QAction* mnuImageHide;
};
