#include "filesystem.h"

#include <QFileInfo>

namespace fileio {

QString temporaryPath(const QString& target) {
    return target + QStringLiteral(".tmp");
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

IoError readAll(FileSystem& fs, const QString& path, QByteArray& out) {
    out.clear();
    IoError error;
    std::unique_ptr<OpenFile> file = fs.open(path, OpenMode::ReadOnly, error);
    if (!file)
        return error;
    const qint64 size = file->size();
    if (size < 0)
        return IoError{errnum::PathFileAccess, errorDescription(errnum::PathFileAccess)};
    return file->readAt(0, size, out);
}

IoError writeNew(FileSystem& fs, const QString& to, const QByteArray& bytes, int mode) {
    IoError error;
    std::unique_ptr<OpenFile> file = fs.open(to, OpenMode::CreateNew, error);
    if (!file)
        return error;
    error = file->setMode(mode);
    if (!error)
        error = file->writeAt(0, bytes);
    if (!error)
        error = file->sync();
    return error;
}

IoError replaceFile(FileSystem& fs, const QString& path, const QByteArray& bytes, int createMode) {
    const QString target = fs.finalTarget(path);
    const int mode = fs.permissions(target);
    if (mode >= 0 && (mode & 0222) == 0)
        return IoError{errnum::PermissionDenied, errorDescription(errnum::PermissionDenied)};
    const QString tmp = temporaryPath(target);
    IoError error = writeNew(fs, tmp, bytes, mode >= 0 ? mode : createMode);
    if (!error)
        error = fs.rename(tmp, target);
    if (error) {
        (void)fs.remove(tmp);
        return error;
    }
    (void)fs.syncFolder(folderOf(target));
    return {};
}

} // namespace fileio
