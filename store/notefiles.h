#pragma once

#include "platform/programfolder.h"

#include <QString>
#include <array>

// The seven files of the note store and settings in the program folder.
struct NoteFiles {
    explicit NoteFiles(const ProgramFolder& folder);

    QString ini;
    std::array<QString, 2> dat; // per list
    std::array<QString, 2> bak;
    std::array<QString, 2> imp; // ".new" import files
};
