#pragma once

#include "platform/filesystem.h"
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
    // Every file operation of the loader and the savers goes through it.
    fileio::FileSystem* fs = &fileio::realFileSystem();
    [[nodiscard]] fileio::FileSystem& fileSystem() const { return *fs; }
};
