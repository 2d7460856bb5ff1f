#include "datafile.h"
#include "recordlayout.h"

#include <QFileInfo>

namespace datafile {

QString fileTitle(const QString& message, const QString& path) {
    QString title = message;
    title.replace(QStringLiteral("Quillaboard.dat"), QFileInfo(path).fileName());
    return title + QStringLiteral("\r\n") + path;
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

bool renewBackup(fileio::FileSystem& fs, const QString& dat, const QString& bak, bool mayLink,
                 const FailureReport& report) {
    const QString target = fs.finalTarget(dat);
    const QString fresh = fileio::temporaryPath(bak);
    (void)fs.remove(fresh);
    IoError e;
    if (!mayLink || fs.link(target, fresh)) {
        QByteArray bytes;
        e = fileio::readAll(fs, target, bytes);
        if (!e) {
            const int mode = fs.permissions(target);
            e = fileio::writeNew(fs, fresh, bytes, mode >= 0 ? mode : 0644);
        }
        if (e) {
            report({Step::Filecopy, e, dat, -1});
            (void)fs.remove(fresh);
            return false;
        }
    }
    if (IoError renamed = fs.rename(fresh, bak)) {
        report({Step::Rename, renamed, bak, -1});
        (void)fs.remove(fresh);
        return false;
    }
    return true;
}

Outcome replaceWhole(fileio::FileSystem& fs, const QString& dat, const QString& bak, Backup backup,
                     int count, const RecordSource& source, const FailureReport& report) {
    const QString target = fs.finalTarget(dat);
    const int mode = fs.permissions(target);
    const bool datExists = mode >= 0;
    if (datExists) {
        // A data file the user made read-only is left alone.
        IoError e;
        if (!fs.open(target, fileio::OpenMode::ReadWrite, e)) {
            report({Step::Open, e, dat, -1});
            return Outcome::OpenFailed;
        }
    }

    const QString tmp = fileio::temporaryPath(target);
    {
        IoError e;
        std::unique_ptr<fileio::OpenFile> out = fs.open(tmp, fileio::OpenMode::CreateNew, e);
        if (!out) {
            report({Step::Open, e, tmp, -1});
            return Outcome::TempFailed;
        }
        e = out->setMode(datExists ? mode : 0644);
        for (int i = 0; i < count && !e; ++i)
            e = out->writeAt(static_cast<qint64>(i) * layout::RecordSize, source(i));
        if (!e)
            e = out->sync();
        if (e) {
            // A full disk or a failed flush fails the file, not one note.
            report({Step::Write, e, dat, -1});
            out.reset();
            (void)fs.remove(tmp);
            return Outcome::WriteFailed;
        }
    }

    // Without a data file there is nothing to back up, and the backup is kept.
    if (backup == Backup::Rotate && datExists)
        (void)renewBackup(fs, dat, bak, true, report);
    if (IoError e = fs.rename(tmp, target)) {
        report({Step::Rename, e, dat, -1});
        (void)fs.remove(tmp);
        return Outcome::RenameFailed;
    }
    (void)fs.syncFolder(fileio::folderOf(target));
    if (backup == Backup::Rotate && fileio::folderOf(target) != fileio::folderOf(bak))
        (void)fs.syncFolder(fileio::folderOf(bak));
    return Outcome::Replaced;
}

} // namespace datafile
