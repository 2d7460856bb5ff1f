#include "fuzzsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzzsupport {

namespace {

// Lives for the whole process; libFuzzer ends it with exit(), which removes the folder. The
// application is never destroyed: at exit the toolkit's own statics may already be gone.
std::unique_ptr<QTemporaryDir> g_root;
QCoreApplication* g_app = nullptr;

} // namespace

void initialise(int* argc, char*** argv) {
    g_app = new QCoreApplication(*argc, *argv);
    g_root = std::make_unique<QTemporaryDir>();
    if (!g_root->isValid())
        fail("no temporary folder");
    const QByteArray home = g_root->path().toUtf8() + "/home";
    QDir().mkpath(QString::fromUtf8(home));
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_DATA_HOME", home + "/data");
    qputenv("XDG_CACHE_HOME", home + "/cache");
}

QString freshFolder() {
    const QString path = g_root->path() + QStringLiteral("/folder");
    QDir dir(path);
    if (dir.exists())
        dir.removeRecursively();
    QDir().mkpath(path);
    return path + QLatin1Char('/');
}

QByteArray bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        fail("cannot write", path);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "fuzz property failed: %s %s\n", what, qPrintable(detail));
    std::abort();
}

} // namespace fuzzsupport
