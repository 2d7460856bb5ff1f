#include "notewindow/notemenus.h"

#include <QMenu>

#include <utility>

NoteMenus::NoteMenus(QWidget* owner)
    : QObject(owner)
    , mnuNote(new QMenu(owner))
    , mnuImage(new QMenu(owner)) {
    mnuNote->setObjectName(QStringLiteral("mnuNote"));
    // While the note rings for its alarm, the menu offers to put the alarm off for a while.
    for (QAction*& snooze : mnuSnooze) {
        snooze = mnuNote->addAction(QString());
        snooze->setVisible(false);
    }
    mnuSnoozeSeparator = mnuNote->addSeparator();
    mnuSnoozeSeparator->setVisible(false);
    mnuShowImage = mnuNote->addAction(QStringLiteral("Show image"));
    mnuNote->addSeparator();
    mnuSelectAll = mnuNote->addAction(QStringLiteral("Select all"));
    mnuCopy = mnuNote->addAction(QStringLiteral("Copy"));
    mnuCut = mnuNote->addAction(QStringLiteral("Cut"));
    mnuPaste = mnuNote->addAction(QStringLiteral("Paste"));
    mnuUndo = mnuNote->addAction(QStringLiteral("Undo"));
    mnuNote->addSeparator();
    mnuNoteDelete = mnuNote->addAction(QStringLiteral("Delete note"));
    mnuNote->addSeparator();
    mnuNoteAsDefault = mnuNote->addAction(QStringLiteral("Set as default"));
    mnuNote->addSeparator();
    mnuSendTo = mnuNote->addAction(QStringLiteral("Send to..."));
    mnuPrint = mnuNote->addAction(QStringLiteral("Print"));
    mnuNote->addSeparator();
    mnuOpenInInternet = mnuNote->addAction(QStringLiteral("Open in Internet browser"));
    mnuSendMail = mnuNote->addAction(QStringLiteral("Send mail"));
    mnuOpenFile = mnuNote->addAction(QStringLiteral("Open file"));
    mnuOpenFolder = mnuNote->addAction(QStringLiteral("Open folder"));
    mnufil6 = mnuNote->addSeparator();
    mnuNoteProperties = mnuNote->addAction(QStringLiteral("Properties"));
    mnuNoteLocked = mnuNote->addAction(QStringLiteral("Locked"));
    mnuNoteLocked->setCheckable(true);
    mnuNoteShowTitle = mnuNote->addAction(QStringLiteral("Show title"));
    mnuNoteShowTitle->setCheckable(true);
    mnuNote->addSeparator();
    mnuNoteHide = mnuNote->addAction(QStringLiteral("Hide"));
    for (QAction* link : {mnuOpenInInternet, mnuSendMail, mnuOpenFile, mnuOpenFolder, mnufil6}) {
        link->setVisible(false);
    }
    // Sending needs the network switch (the menu checks it at each opening). Printing stays
    // possible without a printer: the print dialog then writes a PDF file.
    mnuSendTo->setEnabled(false);

    mnuImage->setObjectName(QStringLiteral("mnuImage"));
    mnuShowText = mnuImage->addAction(QStringLiteral("Show text"));
    mnuImage->addSeparator();
    mnuSelectImage = mnuImage->addAction(QStringLiteral("Select image..."));
    mnuImage->addSeparator();
    mnuImageProperties = mnuImage->addAction(QStringLiteral("Properties"));
    mnuImageShowTitle = mnuImage->addAction(QStringLiteral("Show title"));
    mnuImageShowTitle->setCheckable(true);
    mnuImage->addSeparator();
    mnuImageHide = mnuImage->addAction(QStringLiteral("Hide"));

    // The language files name the entries.
    const std::pair<QAction*, const char*> names[] = {
        {mnuShowImage, "mnuShowImage"},
        {mnuSelectAll, "mnuSelectAll"},
        {mnuCopy, "mnuCopy"},
        {mnuCut, "mnuCut"},
        {mnuPaste, "mnuPaste"},
        {mnuUndo, "mnuUndo"},
        {mnuNoteDelete, "mnuNoteDelete"},
        {mnuNoteAsDefault, "mnuNoteAsDefault"},
        {mnuSendTo, "mnuSendTo"},
        {mnuPrint, "mnuPrint"},
        {mnuOpenInInternet, "mnuOpenInInternet"},
        {mnuSendMail, "mnuSendMail"},
        {mnuOpenFile, "mnuOpenFile"},
        {mnuOpenFolder, "mnuOpenFolder"},
        {mnuNoteProperties, "mnuNoteProperties"},
        {mnuNoteLocked, "mnuNoteLocked"},
        {mnuNoteShowTitle, "mnuNoteShowTitle"},
        {mnuNoteHide, "mnuNoteHide"},
        {mnuShowText, "mnuShowText"},
        {mnuSelectImage, "mnuSelectImage"},
        {mnuImageProperties, "mnuImageProperties"},
        {mnuImageShowTitle, "mnuImageShowTitle"},
        {mnuImageHide, "mnuImageHide"},
    };
    for (const auto& [action, name] : names)
        action->setObjectName(QLatin1String(name));
}

NoteMenus::~NoteMenus() = default;
