#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

struct NoteFiles;

// Notes that could not be saved when the program had to end without anyone to ask (the
// session ended, a termination signal) are written to a rescue file in the notes' own record
// format, under $XDG_DATA_HOME/Quillaboard/rescue/. The next start offers them for import.
namespace rescue {

// The folder of the rescue files.
[[nodiscard]] QString folder();
// A new rescue file's path, named by the moment it is written.
[[nodiscard]] QString newFilePath(const QDateTime& now);
// Rescue files not yet imported or declined, oldest first.
[[nodiscard]] QStringList pendingFiles();

// Appends the records of a rescue file to the import files of their lists, where the next
// load merges them as new notes. The rescue file is removed once both import files are
// written; false (and nothing removed) when a file could not be read or written.
[[nodiscard]] bool importInto(const QString& rescueFile, const NoteFiles& files);
// The user did not want the notes now: the file stays, but is not offered again.
void decline(const QString& rescueFile);

} // namespace rescue
