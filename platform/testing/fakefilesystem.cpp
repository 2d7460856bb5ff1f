#include "fakefilesystem.h"

namespace {

class FakeFile final : public fileio::OpenFile {
public:
    FakeFile(FakeFileSystem& fs, std::unique_ptr<fileio::OpenFile> real, QString path)
        : m_fs(fs)
        , m_real(std::move(real))
        , m_path(std::move(path)) {}

    IoError writeAt(qint64 offset, const QByteArray& bytes) override {
        IoError e;
        if (!m_fs.begin(FakeFileSystem::Op::Write, m_path, e) || !m_real) {
            // A full disk takes what fits before it fails.
            if (e && m_real)
                (void)m_real->writeAt(offset, bytes.left(bytes.size() / 2));
            return e;
        }
        return m_real->writeAt(offset, bytes);
    }
    IoError readAt(qint64 offset, qint64 size, QByteArray& out) override {
        out.clear();
        IoError e;
        if (!m_fs.begin(FakeFileSystem::Op::Read, m_path, e) || !m_real)
            return e;
        return m_real->readAt(offset, size, out);
    }
    qint64 size() const override { return m_real ? m_real->size() : 0; }
    IoError sync() override {
        IoError e;
        if (!m_fs.begin(FakeFileSystem::Op::Sync, m_path, e) || !m_real)
            return e;
        return m_real->sync();
    }
    IoError truncate(qint64 size) override {
        IoError e;
        if (!m_fs.begin(FakeFileSystem::Op::Truncate, m_path, e) || !m_real)
            return e;
        return m_real->truncate(size);
    }
    IoError setMode(int mode) override {
        if (m_fs.crashed() || !m_real)
            return {};
        return m_real->setMode(mode);
    }

private:
    FakeFileSystem& m_fs;
    std::unique_ptr<fileio::OpenFile> m_real;
    QString m_path;
};

} // namespace

QString FakeFileSystem::name(Op op) {
    static const QStringList names{QStringLiteral("open"),   QStringLiteral("read"),
                                   QStringLiteral("write"),  QStringLiteral("sync"),
                                   QStringLiteral("rename"), QStringLiteral("link"),
                                   QStringLiteral("remove"), QStringLiteral("truncate")};
    return names.at(static_cast<int>(op));
}

bool FakeFileSystem::begin(Op op, const QString& path, IoError& error) {
    error = {};
    ++m_operations;
    if (crashed())
        return false;
    log.append(name(op) + QLatin1Char(' ') + path);
    for (const Fault& f : faults) {
        if (f.op != op || (!f.pathPart.isEmpty() && !path.contains(f.pathPart)))
            continue;
        const int n = ++m_counts[static_cast<int>(op)];
        if (f.occurrence == 0 || f.occurrence == n) {
            error = IoError{f.error, errorDescription(f.error)};
            return false;
        }
    }
    return true;
}

std::unique_ptr<fileio::OpenFile> FakeFileSystem::open(const QString& path, fileio::OpenMode mode,
                                                       IoError& error) {
    if (!begin(Op::Open, path, error)) {
        if (error)
            return nullptr;
        // After a crash the file "opens" and nothing it is asked reaches the disk.
        return std::make_unique<FakeFile>(*this, nullptr, path);
    }
    std::unique_ptr<fileio::OpenFile> real = m_real.open(path, mode, error);
    if (!real)
        return nullptr;
    return std::make_unique<FakeFile>(*this, std::move(real), path);
}

IoError FakeFileSystem::rename(const QString& from, const QString& to) {
    IoError e;
    if (!begin(Op::Rename, from + QStringLiteral(" > ") + to, e))
        return e;
    return m_real.rename(from, to);
}

IoError FakeFileSystem::link(const QString& from, const QString& to) {
    IoError e;
    if (!begin(Op::Link, from + QStringLiteral(" > ") + to, e))
        return e;
    return m_real.link(from, to);
}

IoError FakeFileSystem::remove(const QString& path) {
    IoError e;
    if (!begin(Op::Remove, path, e))
        return e;
    return m_real.remove(path);
}

IoError FakeFileSystem::syncFolder(const QString& folder) {
    IoError e;
    if (!begin(Op::Sync, folder, e))
        return e;
    return m_real.syncFolder(folder);
}
