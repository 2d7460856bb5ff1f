#include "datafile.h"
#include "recordlayout.h"

#include "platform/fileio.h"

#include <QFileInfo>

namespace datafile {

QString temporaryPath(const QString& dat) {
    return dat + QStringLiteral(".tmp");
}

QString errorText(const IoError& error) {
    return QStringLiteral("Error # ") + formatErrorNumber(error.number) + QStringLiteral("\r\n") +
           error.description.trimmed();
}

QString failureText(Step step, const IoError& error) {
    QString prefix;
    switch (step) {
    case Step::Open:
        prefix = QStringLiteral("Open ");
        break;
    case Step::Write:
        prefix = QStringLiteral("Save ");
        break;
    case Step::Kill:
        prefix = QStringLiteral("Kill ");
        break;
    case Step::Rename:
        prefix = QStringLiteral("Rename ");
        break;
    case Step::Filecopy:
        prefix = QStringLiteral("Filecopy ");
        break;
    }
    return prefix + errorText(error);
}

Outcome replaceWhole(const QString& dat, const QString& bak, Backup backup, int count,
                     const RecordSource& source, const FailureReport& report) {
    const bool datExists = fileio::exists(dat);
    if (datExists) {
        // A data file the user made read-only is left alone.
        fileio::RecordFile probe;
        if (IoError e = probe.open(dat, fileio::RecordFile::Mode::ReadWrite)) {
            report({Step::Open, e, dat, -1});
            return Outcome::OpenFailed;
        }
    }

    const QString tmp = temporaryPath(dat);
    (void)fileio::removeFile(tmp);
    {
        fileio::RecordFile out;
        if (IoError e = out.open(tmp, fileio::RecordFile::Mode::CreateNew)) {
            report({Step::Open, e, dat, -1});
            return Outcome::OpenFailed;
        }
        for (int i = 0; i < count; ++i) {
            const QByteArray record = source(i);
            if (IoError e = out.writeAt(static_cast<qint64>(i) * layout::RecordSize, record)) {
                report({Step::Write, e, dat, i});
                out.close();
                (void)fileio::removeFile(tmp);
                return Outcome::WriteFailed;
            }
        }
        if (IoError e = out.sync()) {
            report({Step::Write, e, dat, count - 1});
            out.close();
            (void)fileio::removeFile(tmp);
            return Outcome::WriteFailed;
        }
        out.close();
    }

    bool movedToBackup = false;
    // Without a data file there is nothing to back up, and the backup is kept.
    if (backup == Backup::Rotate && datExists) {
        const IoError killed = fileio::removeFile(bak);
        if (killed && killed.number != errnum::FileNotFound)
            report({Step::Kill, killed, bak, -1});
        if (IoError e = fileio::renameFile(dat, bak))
            report({Step::Rename, e, dat, -1});
        else
            movedToBackup = true;
    }
    if (IoError e = fileio::renameFile(tmp, dat)) {
        report({Step::Rename, e, dat, -1});
        // Put the old data file back under its name rather than leave only the backup.
        if (movedToBackup)
            (void)fileio::renameFile(bak, dat);
        (void)fileio::removeFile(tmp);
        return Outcome::RenameFailed;
    }
    fileio::syncFolder(QFileInfo(dat).absolutePath());
    return Outcome::Replaced;
}

} // namespace datafile
