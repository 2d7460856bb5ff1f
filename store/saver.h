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

// Full cycle: one backup generation, then a whole rewrite (FullSaveNeeded) or the changed
// records in place. Does nothing when neither flag is set.
void SaveNotes(NoteStore& store, const SaveContext& ctx);
// Periodic cycle: changed records in place, backups untouched. Runs the full cycle while
// FullSaveNeeded is set, since list positions no longer match record numbers then.
void QuickSaveNotes(NoteStore& store, const SaveContext& ctx);
