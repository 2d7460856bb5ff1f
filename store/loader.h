#pragma once

#include "notefiles.h"
#include "notestore.h"

class MessageSink;
class Translator;

// Builds (or rebuilds) the window of a loaded note. The note window implements it; without
// windows the loader fills the tables only.
class NoteBuilder {
public:
    virtual ~NoteBuilder() = default;
    virtual void buildNote(int slot) = 0;
};

struct LoadOptions {
    bool multiScreens = false;
    // Primary screen in twips, for the record checks and the position correction.
    int screenWidth = 0;
    int screenHeight = 0;
};

// Reads both data files and their import files into the tables, then deletes the import
// files. A missing data file is created empty.
void LoadNotes(NoteStore& store, const NoteFiles& files, const LoadOptions& options,
               MessageSink& messages, const Translator& tr, NoteBuilder* builder);
