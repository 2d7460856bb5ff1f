#pragma once

#include "notefiles.h"
#include "notestore.h"

class MessageSink;
class Translator;
class Clock;
class LinkedFiles;

struct SaveContext {
    const NoteFiles& files;
    MessageSink& messages;
    const Translator& tr;
    const Clock& clock;
    // The Version of the settings file: records written under a version below "3.1.0" store
    // the alarm display flag set and no desktop action.
    QString settingsVersion;
    // Writes a note's text to its linked file when it asks for it; may be null.
    LinkedFiles* linkedFiles = nullptr;
};

// Prepares the record of the note in slot `SaveIndex` for record number `RecordCounter`: stamps
// its dates from the change mark ("created " both, "MODIFIED" the modification date) with
// `now` (an OLE date), applies the old-version alarm rule, trims the picture and linked-file
// paths in memory and writes the linked file when the note asks for it. Returns the 32530
// bytes to write at that record.
[[nodiscard]] QByteArray WriteNoteRecord(NoteStore& store, int SaveIndex, int RecordCounter,
                                         const SaveContext& ctx, double now);

// How a full cycle treats each list.
struct SaveScope {
    // Per list: the backup already holds the file from before this start (LoadNotes rewrote
    // it whole); a whole rewrite leaves that backup as it is.
    std::array<bool, 2> keepBackup{};
    // Rewrite whole also a list whose file already holds exactly what it shows (the first
    // start of a new version). Otherwise such a list is left alone, backup included.
    bool rewriteUnchanged = false;
};

// Full cycle: a whole rewrite (FullSaveNeeded) or the changed records in place, each list
// with one backup generation renewed only when that list is written. Does nothing when
// neither flag is set. True when every list that needed writing was written.
bool SaveNotes(NoteStore& store, const SaveContext& ctx, const SaveScope& scope = {});
// Periodic cycle: changed records in place, backups untouched. Does nothing unless DataChanged
// is set. Runs the full cycle while FullSaveNeeded is set. True when every list that needed
// writing was written.
bool QuickSaveNotes(NoteStore& store, const SaveContext& ctx);

// Writes every note of both lists with an unsaved change ("created ", "modified", "MODIFIED")
// to `path` in the record format of the data files, synced, creating missing folders; a file
// that can be imported later (as "Quillaboard.new" for the notes of the normal list,
// "QuillaEvents.new" for those of the events list). The marks stay. Returns the number of
// notes written (0 writes nothing), or -1 when the file could not be written.
[[nodiscard]] int WriteRescueFile(NoteStore& store, const SaveContext& ctx, const QString& path);
