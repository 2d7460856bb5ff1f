#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <array>

struct NoteFiles;

// Daily copies of both data files, so that a note lost days ago can still be brought back:
// "<date> <data file name>" in $XDG_DATA_HOME/Quillaboard/snapshots/, at most one per day,
// only when the data files differ from the newest copy, the newest `Kept` days kept.
namespace snapshots {

inline constexpr int Kept = 14;

// $XDG_DATA_HOME/Quillaboard/snapshots, read from the environment at every call.
[[nodiscard]] QString folder();

// The snapshot of one day: a file per list (empty path when that list had none).
struct Snapshot {
    QDate date;
    std::array<QString, 2> files;
    std::array<int, 2> noteCounts{};
};

// The snapshots in `dir`, newest first, with the notes each list holds.
[[nodiscard]] QList<Snapshot> list(const QString& dir);

enum class Outcome { Written, AlreadyToday, Unchanged, Failed };
// Copies both data files (the safe rewrite of the data files, mode 0600) as the snapshot of
// `today`, unless one of today exists or the files hold what the newest snapshot holds; then
// removes all but the newest `Kept` days.
[[nodiscard]] Outcome takeDaily(const std::array<QString, 2>& dataFiles, const QString& dir,
                                const QDate& today);

// One note of a snapshot: its record as stored, and what the Restore window shows of it.
struct StoredNote {
    int list = 0;
    QString title;
    QString text;
    double modified = 0;
    QByteArray record;
};
[[nodiscard]] QList<StoredNote> notesOf(const Snapshot& snapshot);

// Appends the notes to the import files of their lists, where the next load takes them as new
// notes. A title that would make the load replace a note of the same title ("Quick help ...")
// is given the prefix "Restored " so that no current note is ever overwritten. False when an
// import file could not be written.
[[nodiscard]] bool addToImport(const QList<StoredNote>& notes, const NoteFiles& files);

} // namespace snapshots
