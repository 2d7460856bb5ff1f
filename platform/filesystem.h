#pragma once

#include "errors.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace fileio {

enum class OpenMode {
    ReadOnly,
    // Read and write; a missing file is created empty.
    ReadWrite,
    // Created empty, or emptied when it exists.
    CreateNew,
};

// A file open for record access.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    [[nodiscard]] virtual IoError writeAt(qint64 offset, const QByteArray& bytes) = 0;
    // Reads up to `size` bytes; fewer at the end of the file.
    [[nodiscard]] virtual IoError readAt(qint64 offset, qint64 size, QByteArray& out) = 0;
    [[nodiscard]] virtual qint64 size() const = 0;
    [[nodiscard]] virtual IoError sync() = 0;
    [[nodiscard]] virtual IoError truncate(qint64 size) = 0;
    // Gives the file exactly these permission bits.
    [[nodiscard]] virtual IoError setMode(int mode) = 0;
};

// The file operations the note store and the settings file build on. The program uses the
// POSIX one; tests put one in front that fails a chosen operation.
class FileSystem {
public:
    // The operations that can fail, by kind. Opening a folder to sync it counts as a sync.
    enum class Op { Open, Read, Write, Sync, Rename, Link, Remove, Truncate };

    virtual ~FileSystem() = default;
    // A file without any write bit is refused for writing with error 70, even for root.
    [[nodiscard]] virtual std::unique_ptr<OpenFile> open(const QString& path, OpenMode mode,
                                                         IoError& error) = 0;
    // Replaces `to` atomically.
    [[nodiscard]] virtual IoError rename(const QString& from, const QString& to) = 0;
    // A second name for the same file (a hard link).
    [[nodiscard]] virtual IoError link(const QString& from, const QString& to) = 0;
    [[nodiscard]] virtual IoError remove(const QString& path) = 0;
    // Flushes a folder's entries (after a rename) to disk.
    [[nodiscard]] virtual IoError syncFolder(const QString& folder) = 0;

    // Questions that do not change anything; they never fail on demand.
    // Size in bytes of the file a path leads to, -1 when there is none.
    [[nodiscard]] virtual qint64 fileSize(const QString& path) = 0;
    // Permission bits of the file a path leads to, -1 when there is none.
    [[nodiscard]] virtual int permissions(const QString& path) = 0;
    // The path with every symbolic link followed; the path itself when it is no link. A link
    // to a missing file gives the missing file's path.
    [[nodiscard]] virtual QString finalTarget(const QString& path) = 0;
};

// The POSIX file system.
[[nodiscard]] FileSystem& realFileSystem();

// Reads a whole file.
[[nodiscard]] IoError readAll(FileSystem& fs, const QString& path, QByteArray& out);
// Writes `bytes` as a new file `to` (emptied first when it exists), with mode `mode`, synced.
[[nodiscard]] IoError writeNew(FileSystem& fs, const QString& to, const QByteArray& bytes,
                               int mode);
// Replaces the content of the file `path` leads to (through symbolic links): the bytes go to a
// temporary file beside that target, are synced, take the old file's mode (`createMode` for a
// new file) and are renamed over the target; then the folder is synced. On failure the old
// file is untouched and the temporary file removed. A file with no write bits is refused with
// error 70.
[[nodiscard]] IoError replaceFile(FileSystem& fs, const QString& path, const QByteArray& bytes,
                                  int createMode = 0644);
// The temporary file such a replacement of `target` writes first.
[[nodiscard]] QString temporaryPath(const QString& target);
[[nodiscard]] QString folderOf(const QString& path);

} // namespace fileio
