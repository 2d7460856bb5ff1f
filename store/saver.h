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

// Full cycle: one backup generation, then a whole rewrite (FullSaveNeeded) or the changed
// records in place. Does nothing when neither flag is set.
void SaveNotes(NoteStore& store, const SaveContext& ctx);
// Periodic cycle: changed records in place, backups untouched. Does nothing unless DataChanged
// is set. Runs the full cycle while FullSaveNeeded is set, since list positions no longer match
// record numbers then.
void QuickSaveNotes(NoteStore& store, const SaveContext& ctx);
