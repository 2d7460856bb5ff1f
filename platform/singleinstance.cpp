#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray ShowRequest = QByteArrayLiteral("show\n");
// A peer that sends more than this is not one of ours.
constexpr qint64 MaxRequestBytes = 64;
constexpr int ConnectTimeoutMs = 2000;

QString runtimeFolder() {
    // Per user, so two users of one installation never meet.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent)
    , m_folder(programFolder)
    , m_key(keyFor(programFolder)) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SingleInstance::keyFor(const QString& programFolder) {
    QString canonical = QFileInfo(programFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QDir(programFolder).absolutePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QString::fromLatin1(hash.left(24));
}

QString SingleInstance::serverName(const QString& key) {
    return runtimeFolder() + QStringLiteral("/quillaboard-") + key + QStringLiteral(".sock");
}

SingleInstance::Acquire SingleInstance::tryAcquire() {
    if (m_fd >= 0)
        return Acquire::Acquired;
    m_error = {};
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_error = ioErrorFromErrno(errno);
        return Acquire::Failed;
    }
    int locked = -1;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Acquire::HeldByAnother;
        m_error = ioErrorFromErrno(err);
        return Acquire::Failed;
    }
    m_fd = fd;
    listen();
    return Acquire::Acquired;
}

void SingleInstance::listen() {
    // Holding the folder, any socket left at the name belongs to a crashed run.
    const QString name = serverName(m_key);
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    // Without the server the instance still runs alone; it only cannot be asked to show.
    (void)m_server->listen(name);
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto readRequest = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxRequestBytes)
                    socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(MaxRequestBytes);
            socket->disconnectFromServer();
            if (line == ShowRequest)
                emit showRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequest);
        // The request may have arrived with the connection.
        readRequest();
    }
}

bool SingleInstance::askRunningToShow(const QString& key) {
    QLocalSocket socket;
    socket.connectToServer(serverName(key));
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.write(ShowRequest);
    const bool written = socket.waitForBytesWritten(ConnectTimeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return written;
}
