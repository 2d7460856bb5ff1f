#include "platform/fileio.h"
#include "platform/filesystem.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

IoError lastError() {
    return ioErrorFromErrno(errno);
}

// A file without any write permission bit is read-only for the program, even when the
// process could override it (root): the user asked for it not to be written.
bool hasNoWriteBits(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    return S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

IoError permissionDenied() {
    return IoError{errnum::PermissionDenied, errorDescription(errnum::PermissionDenied)};
}

IoError writeFully(int fd, const char* data, qint64 size, qint64 offset) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = offset >= 0 ? ::pwrite(fd, data + done, static_cast<size_t>(size - done),
                                                 static_cast<off_t>(offset + done))
                                      : ::write(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        done += n;
    }
    return {};
}

int openRetry(const QByteArray& path, int flags, mode_t mode = 0644) {
    int fd = -1;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

namespace fileio {

bool exists(const QString& path) {
    struct stat st {};
    return ::stat(native(path).constData(), &st) == 0;
}

bool isWritable(const QString& path) {
    const QByteArray p = native(path);
    return !hasNoWriteBits(p) && ::access(p.constData(), W_OK) == 0;
}

qint64 fileSize(const QString& path) {
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0)
        return -1;
    return st.st_size;
}

IoError removeFile(const QString& path) {
    if (::unlink(native(path).constData()) != 0)
        return lastError();
    return {};
}

IoError renameFile(const QString& from, const QString& to) {
    if (::rename(native(from).constData(), native(to).constData()) != 0)
        return lastError();
    return {};
}

IoError copyFile(const QString& from, const QString& to) {
    QByteArray bytes;
    if (IoError e = readAll(from, bytes))
        return e;
    return writeAll(to, bytes);
}

IoError touch(const QString& path) {
    const int fd = openRetry(native(path), O_WRONLY | O_CREAT);
    if (fd < 0)
        return lastError();
    ::close(fd);
    return {};
}

IoError readAll(const QString& path, QByteArray& out, qint64 maxBytes) {
    out.clear();
    const int fd = openRetry(native(path), O_RDONLY);
    if (fd < 0)
        return lastError();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const IoError e = lastError();
        ::close(fd);
        return e;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return IoError{errnum::PathFileAccess, errorDescription(errnum::PathFileAccess)};
    }
    qint64 want = st.st_size;
    if (maxBytes >= 0 && want > maxBytes)
        want = maxBytes;
    out.resize(want);
    qint64 done = 0;
    while (done < want) {
        const ssize_t n = ::read(fd, out.data() + done, static_cast<size_t>(want - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const IoError e = lastError();
            ::close(fd);
            out.clear();
            return e;
        }
        if (n == 0)
            break;
        done += n;
    }
    out.truncate(done);
    ::close(fd);
    return {};
}

IoError writeAll(const QString& path, const QByteArray& bytes) {
    const QByteArray p = native(path);
    if (hasNoWriteBits(p))
        return permissionDenied();
    const int fd = openRetry(p, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return lastError();
    IoError e = writeFully(fd, bytes.constData(), bytes.size(), -1);
    if (!e && ::fsync(fd) != 0)
        e = lastError();
    if (::close(fd) != 0 && !e)
        e = lastError();
    return e;
}

IoError appendBytes(const QString& path, const QByteArray& bytes) {
    const QByteArray p = native(path);
    if (hasNoWriteBits(p))
        return permissionDenied();
    const int fd = openRetry(p, O_WRONLY | O_CREAT | O_APPEND);
    if (fd < 0)
        return lastError();
    IoError e = writeFully(fd, bytes.constData(), bytes.size(), -1);
    if (::close(fd) != 0 && !e)
        e = lastError();
    return e;
}

void syncFolder(const QString& folder) {
    const int fd = openRetry(native(folder), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

IoError replaceFile(const QString& path, const QByteArray& bytes, int createMode) {
    return replaceFile(realFileSystem(), path, bytes, createMode);
}

RecordFile::~RecordFile() {
    close();
}

IoError RecordFile::open(const QString& path, Mode mode) {
    close();
    const QByteArray p = native(path);
    int flags = O_RDONLY;
    if (mode != Mode::ReadOnly) {
        if (hasNoWriteBits(p))
            return permissionDenied();
        flags = mode == Mode::CreateNew ? (O_RDWR | O_CREAT | O_TRUNC) : (O_RDWR | O_CREAT);
    }
    m_fd = openRetry(p, flags);
    if (m_fd < 0)
        return lastError();
    return {};
}

IoError RecordFile::writeAt(qint64 offset, const QByteArray& bytes) {
    if (m_fd < 0)
        return IoError{errnum::BadFileName, errorDescription(errnum::BadFileName)};
    return writeFully(m_fd, bytes.constData(), bytes.size(), offset);
}

IoError RecordFile::readAt(qint64 offset, qint64 size, QByteArray& out) {
    out.clear();
    if (m_fd < 0)
        return IoError{errnum::BadFileName, errorDescription(errnum::BadFileName)};
    out.resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, out.data() + done, static_cast<size_t>(size - done),
                                  static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.clear();
            return lastError();
        }
        if (n == 0)
            break;
        done += n;
    }
    out.truncate(done);
    return {};
}

qint64 RecordFile::size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return -1;
    return st.st_size;
}

IoError RecordFile::sync() {
    if (m_fd >= 0 && ::fsync(m_fd) != 0)
        return lastError();
    return {};
}

IoError RecordFile::truncate(qint64 size) {
    if (m_fd < 0)
        return IoError{errnum::BadFileName, errorDescription(errnum::BadFileName)};
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0)
        return lastError();
    return {};
}

IoError RecordFile::setMode(int mode) {
    if (m_fd < 0)
        return IoError{errnum::BadFileName, errorDescription(errnum::BadFileName)};
    if (::fchmod(m_fd, static_cast<mode_t>(mode & 07777)) != 0)
        return lastError();
    return {};
}

void RecordFile::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace fileio
