#include "notefiles.h"

NoteFiles::NoteFiles(const ProgramFolder& folder)
    : ini(folder.file(QStringLiteral("Quillaboard.ini")))
    , dat{folder.file(QStringLiteral("Quillaboard.dat")),
          folder.file(QStringLiteral("QuillaEvents.dat"))}
    , bak{folder.file(QStringLiteral("Quillaboard.bak")),
          folder.file(QStringLiteral("QuillaEvents.bak"))}
    , imp{folder.file(QStringLiteral("Quillaboard.new")),
          folder.file(QStringLiteral("QuillaEvents.new"))} {}
