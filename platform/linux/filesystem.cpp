#include "platform/filesystem.h"
#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace fileio {
namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

class PosixFile final : public OpenFile {
public:
    RecordFile file;

    IoError writeAt(qint64 offset, const QByteArray& bytes) override {
        return file.writeAt(offset, bytes);
    }
    IoError readAt(qint64 offset, qint64 size, QByteArray& out) override {
        return file.readAt(offset, size, out);
    }
    qint64 size() const override { return file.size(); }
    IoError sync() override { return file.sync(); }
    IoError truncate(qint64 size) override { return file.truncate(size); }
    IoError setMode(int mode) override { return file.setMode(mode); }
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<OpenFile> open(const QString& path, OpenMode mode, IoError& error) override {
        auto f = std::make_unique<PosixFile>();
        RecordFile::Mode m = RecordFile::Mode::ReadOnly;
        if (mode == OpenMode::ReadWrite)
            m = RecordFile::Mode::ReadWrite;
        else if (mode == OpenMode::CreateNew)
            m = RecordFile::Mode::CreateNew;
        error = f->file.open(path, m);
        if (error)
            return nullptr;
        return f;
    }

    IoError rename(const QString& from, const QString& to) override { return renameFile(from, to); }

    IoError link(const QString& from, const QString& to) override {
        if (::link(native(from).constData(), native(to).constData()) != 0)
            return ioErrorFromErrno(errno);
        return {};
    }

    IoError remove(const QString& path) override { return removeFile(path); }

    IoError syncFolder(const QString& folder) override {
        fileio::syncFolder(folder);
        return {};
    }

    qint64 fileSize(const QString& path) override { return fileio::fileSize(path); }

    int permissions(const QString& path) override {
        struct stat st {};
        if (::stat(native(path).constData(), &st) != 0)
            return -1;
        return static_cast<int>(st.st_mode & 07777);
    }

    QString finalTarget(const QString& path) override {
        QString current = path;
        // A loop of links ends somewhere; the path as it stands is used then.
        for (int depth = 0; depth < 40; ++depth) {
            const QFileInfo info(current);
            if (!info.isSymLink())
                return current;
            // An absolute path, also for a link to a missing file.
            const QString next = info.symLinkTarget();
            if (next.isEmpty())
                return current;
            current = QDir::cleanPath(next);
        }
        return path;
    }
};

} // namespace

FileSystem& realFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

} // namespace fileio
