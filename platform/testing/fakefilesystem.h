#pragma once

#include "platform/filesystem.h"

#include <QList>
#include <QStringList>

// The real file system behind a switch: it fails a chosen operation with a chosen error (a
// failing write writes half its bytes first, as a full disk does), or
// stops doing anything after a number of operations, as if the process had died there. Every
// operation is logged as "<op> <path>" in the order it was asked for.
class FakeFileSystem final : public fileio::FileSystem {
public:
    using Op = fileio::FileSystem::Op;

    struct Fault {
        Op op = Op::Write;
        // The occurrence of that kind of operation that fails (1 the first); 0 every one.
        int occurrence = 1;
        int error = 61;
        // Only operations on a path containing this text count; empty for every path.
        QString pathPart;
    };

    explicit FakeFileSystem(fileio::FileSystem& real = fileio::realFileSystem())
        : m_real(real) {}

    QList<Fault> faults;
    // After this many operations every further one does nothing and reports success; -1 never.
    int crashAfter = -1;
    QStringList log;
    [[nodiscard]] int operations() const { return m_operations; }
    [[nodiscard]] bool crashed() const { return crashAfter >= 0 && m_operations > crashAfter; }
    [[nodiscard]] static QString name(Op op);

    std::unique_ptr<fileio::OpenFile> open(const QString& path, fileio::OpenMode mode,
                                           IoError& error) override;
    IoError rename(const QString& from, const QString& to) override;
    IoError link(const QString& from, const QString& to) override;
    IoError remove(const QString& path) override;
    IoError syncFolder(const QString& folder) override;
    qint64 fileSize(const QString& path) override { return m_real.fileSize(path); }
    int permissions(const QString& path) override { return m_real.permissions(path); }
    QString finalTarget(const QString& path) override { return m_real.finalTarget(path); }

    // Counts an operation; true when it is to go ahead, false with `error` set (or clear, after
    // a crash) when not.
    bool begin(Op op, const QString& path, IoError& error);

private:
    fileio::FileSystem& m_real;
    int m_operations = 0;
    QList<int> m_counts = QList<int>(8, 0);
};
