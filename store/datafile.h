#pragma once

#include "platform/errors.h"

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
    int index = -1; // Write: the record (0-based) being written
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
    // The new content could not be written; data file and backup are as they were.
    WriteFailed,
    // The new file is complete but could not take the data file's name.
    RenameFailed,
};

// Replaces `dat` with `count` records. The new content goes to a temporary file in the same
// folder and is synced; only then is the backup deleted and the data file renamed to it (with
// Backup::Rotate), the temporary file renamed to the data file and the folder synced. So a
// failure at any point leaves a loadable data file or backup.
[[nodiscard]] Outcome replaceWhole(const QString& dat, const QString& bak, Backup backup, int count,
                                   const RecordSource& source, const FailureReport& report);

// The temporary file a whole rewrite of `dat` writes first.
[[nodiscard]] QString temporaryPath(const QString& dat);

// "Open Error # " + number + CR LF + description, and so on for each step.
[[nodiscard]] QString failureText(Step step, const IoError& error);
// "Error # " + number + CR LF + trimmed description.
[[nodiscard]] QString errorText(const IoError& error);

} // namespace datafile
