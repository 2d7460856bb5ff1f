#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class LinkedFileStore;
class NoteWindowSet;

// Follows the linked files on disk. Editors and file-sync programs replace a file by renaming
// another over it, which ends the watch on the file itself, so the folders are watched as well
// and the files are watched again after each change. A burst of changes is looked at once.
class LinkWatcher : public QObject {
    Q_OBJECT
public:
    // Quiet time after the last change before the files are looked at.
    static constexpr int SettleMs = 150;

    LinkWatcher(LinkedFileStore& files, NoteWindowSet& windows, QObject* parent = nullptr);

    // Shows a note's text anew after it was replaced from its file.
    void showText(int slot);

private:
    void rewatch();

    LinkedFileStore& m_files;
    NoteWindowSet& m_windows;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
