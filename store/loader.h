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

class Clock;
class LinkedFiles;

struct LoadOptions {
    bool multiScreens = false;
    // Primary screen in twips, for the record checks and the position correction.
    int screenWidth = 0;
    int screenHeight = 0;
    // Dates the copy of a damaged data file; the system clock when null.
    const Clock* clock = nullptr;
    // Reads the linked file of each note that shows one; may be null.
    LinkedFiles* linkedFiles = nullptr;
};

struct LoadResult {
    // Per list: the data file was rewritten whole (to take in an import file), so its backup
    // already holds the file as it was before this start.
    std::array<bool, 2> rewrittenWhole{};
};

// Reads both data files and their import files into the tables. A missing or empty data file
// beside a backup (or a complete temporary file) that holds notes is restored from it, with a
// box; otherwise it is created empty. A data file with records that cannot be taken is kept as
// "<name>.damaged-<date>" first, with a box. A list whose file cannot be read is not written
// for the rest of the run. Each import file is deleted once the notes it brought are on file.
LoadResult LoadNotes(NoteStore& store, const NoteFiles& files, const LoadOptions& options,
                     MessageSink& messages, const Translator& tr, NoteBuilder* builder);
