#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

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

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
    , m_key(key) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
    if (m_lock)
        m_lock->unlock();
}

QString SingleInstance::keyFor(const QString& programFolder) {
    QString canonical = QFileInfo(programFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QDir(programFolder).absolutePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QString::fromLatin1(hash.left(24));
}

QString SingleInstance::lockFilePath(const QString& key) {
    return runtimeFolder() + QStringLiteral("/quillaboard-") + key + QStringLiteral(".lock");
}

QString SingleInstance::serverName(const QString& key) {
    return runtimeFolder() + QStringLiteral("/quillaboard-") + key + QStringLiteral(".sock");
}

bool SingleInstance::tryAcquire() {
    if (m_acquired)
        return true;
    if (!m_lock) {
        m_lock = std::make_unique<QLockFile>(lockFilePath(m_key));
        // The lock lasts the whole run: only a dead owner makes it stale, never its age.
        m_lock->setStaleLockTime(0);
    }
    if (!m_lock->tryLock(0))
        return false;

    // Holding the lock, any socket left at the name belongs to a crashed run.
    const QString name = serverName(m_key);
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    // Without the server the instance still runs alone; it only cannot be asked to show.
    (void)m_server->listen(name);
    m_acquired = true;
    return true;
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
