#pragma once

#include "errors.h"

#include <QByteArray>
#include <QString>

// File operations that report classic error numbers. Each opens, works and closes.
namespace fileio {

[[nodiscard]] bool exists(const QString& path);
[[nodiscard]] bool isWritable(const QString& path);
[[nodiscard]] qint64 fileSize(const QString& path); // -1 when missing
[[nodiscard]] IoError removeFile(const QString& path);
[[nodiscard]] IoError renameFile(const QString& from, const QString& to);
// Copies and flushes to disk.
[[nodiscard]] IoError copyFile(const QString& from, const QString& to);
// Creates an empty file when missing.
[[nodiscard]] IoError touch(const QString& path);
[[nodiscard]] IoError readAll(const QString& path, QByteArray& out, qint64 maxBytes = -1);
// Replaces the file's content, flushed to disk before it returns.
[[nodiscard]] IoError writeAll(const QString& path, const QByteArray& bytes);
[[nodiscard]] IoError appendBytes(const QString& path, const QByteArray& bytes);
// Flushes a folder's entries (after a rename) to disk.
void syncFolder(const QString& folder);
// Replaces the content of the file `path` leads to (through symbolic links) with `bytes`: they
// are written to a temporary file beside that target, synced, given the old file's mode
// (`createMode` when the file is new) and renamed over the target, then the folder is synced.
// On any failure the old file is untouched and the temporary file removed. A file with no
// write bits is refused with error 70.
[[nodiscard]] IoError replaceFile(const QString& path, const QByteArray& bytes,
                                  int createMode = 0644);

// A file opened for record access: read or write at byte offsets.
class RecordFile {
public:
    enum class Mode { ReadOnly, ReadWrite, CreateNew };
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    [[nodiscard]] IoError open(const QString& path, Mode mode);
    [[nodiscard]] IoError writeAt(qint64 offset, const QByteArray& bytes);
    [[nodiscard]] IoError readAt(qint64 offset, qint64 size, QByteArray& out);
    [[nodiscard]] qint64 size() const;
    [[nodiscard]] IoError sync();
    [[nodiscard]] IoError truncate(qint64 size);
    [[nodiscard]] IoError setMode(int mode);
    void close();
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace fileio
