#pragma once

#include "platform/errors.h"
#include "platform/filesystem.h"

#include <QByteArray>
#include <QString>
#include <functional>

class MessageSink;
class Translator;

// Whole-file writes of a notes data file and the failure boxes of the save cycles.
namespace datafile {

// The step of a save that failed; each has its own box.
enum class Step { Open, Write, Kill, Rename, Filecopy };

struct Failure {
    Step step = Step::Open;
    IoError error;
    QString path;   // the file named in the box title (Open, Kill, Rename, Filecopy)
    int index = -1; // Write: the record (0-based) being written; -1 when the file as a whole
};

// The record at an index (0-based) of the new file, 32530 bytes.
using RecordSource = std::function<QByteArray(int index)>;
using FailureReport = std::function<void(const Failure&)>;

enum class Backup { Keep, Rotate };

enum class Outcome {
    Replaced,
    // The data file could not be opened for writing (a read-only file is respected); nothing
    // was touched.
    OpenFailed,
    // The temporary file could not be created (a read-only folder); nothing was touched.
    TempFailed,
    // The new content could not be written; data file and backup are as they were.
    WriteFailed,
    // The new file is complete but could not take the data file's name.
    RenameFailed,
};

// Replaces `dat` with `count` records, through a symbolic link to the file it leads to. The new
// content goes to a temporary file beside that file, is synced and takes the old file's mode.
// With Backup::Rotate the old data file then gets a second name beside the backup (a hard
// link, or a synced copy where links are not possible) that is renamed over the backup; then
// the temporary file is renamed over the data file and the folders are synced. There is a
// complete data file at every instant, and the backup is swapped only when its successor is
// complete.
[[nodiscard]] Outcome replaceWhole(fileio::FileSystem& fs, const QString& dat, const QString& bak,
                                   Backup backup, int count, const RecordSource& source,
                                   const FailureReport& report);

// Makes `bak` a copy of `dat` (the file as it is now), replacing the old backup only once the
// copy is complete. Reports Filecopy or Rename failures; false when the backup was not renewed.
bool renewBackup(fileio::FileSystem& fs, const QString& dat, const QString& bak, bool mayLink,
                 const FailureReport& report);

// "Open Error # " + number + CR LF + description, and so on for each step.
[[nodiscard]] QString failureText(Step step, const IoError& error);
// A box title naming a file: the message (which names "Quillaboard.dat") with the file's own
// name put in, then CR LF and the file's path.
[[nodiscard]] QString fileTitle(const QString& message, const QString& path);
// "Error # " + number + CR LF + trimmed description.
[[nodiscard]] QString errorText(const IoError& error);

} // namespace datafile
