#pragma once

#include "store/snapshots.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

// "Restore...": the daily snapshots with their dates and note counts, the notes of the one
// chosen, and the notes the user ticks brought back as new notes.
class frmRestore : public QWidget {
    Q_OBJECT
public:
    explicit frmRestore(const QString& snapshotFolder, QWidget* parent = nullptr);

    // Reads the snapshots again and shows the newest.
    void reload();
    [[nodiscard]] QList<snapshots::StoredNote> tickedNotes() const;
    void setStatus(const QString& text);

    QListWidget* lstSnapshots;
    QListWidget* lstSnapshotNotes;
    QPushButton* cmdRestore;
    QPushButton* cmdClose;
    QLabel* lblStatus;

signals:
    void restoreRequested(const QList<snapshots::StoredNote>& notes);

private:
    void showSnapshot(int row);
    void updateRestoreButton();

    QString m_folder;
    QList<snapshots::Snapshot> m_snapshots;
    QList<snapshots::StoredNote> m_notes;
};
