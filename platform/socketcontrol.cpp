#include "platform/socketcontrol.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

struct ErrorText {
    int number;
    const char* text;
};

// The descriptions the logs show for each number.
constexpr ErrorText kErrorTexts[] = {
    {SocketControl::sckBadState,
     "Wrong protocol or connection state for the requested transaction or request"},
    {SocketControl::sckInvalidArgument,
     "The requested address is a broadcast address, but flag is not set"},
    {SocketControl::sckAccessDenied, "Permission denied"},
    {SocketControl::sckMsgTooBig,
     "The datagram is too large to fit into the buffer and is truncated"},
    {SocketControl::sckAddressInUse, "Address in use"},
    {SocketControl::sckAddressNotAvailable, "Address not available from the local machine"},
    {SocketControl::sckNetworkSubsystemFailed, "Network subsystem failed"},
    {SocketControl::sckNetworkUnreachable,
     "The network cannot be reached from this host at this time"},
    {SocketControl::sckConnectAborted, "Connection is aborted due to timeout or other failure"},
    {SocketControl::sckConnectionReset, "The connection is reset by remote side"},
    {SocketControl::sckNoBufferSpace, "No buffer space is available"},
    {SocketControl::sckNotConnected, "Socket is not connected"},
    {SocketControl::sckTimedout, "Attempt to connect timed out"},
    {SocketControl::sckConnectionRefused, "Connection is forcefully rejected"},
    {SocketControl::sckHostNotFound, "Authoritative answer: Host not found"},
    {SocketControl::sckHostNotFoundTryAgain, "Non-Authoritative answer: Host not found"},
    {SocketControl::sckSecureChannelFailed, "Secure connection failed"},
};

QString describe(int number) {
    for (const ErrorText& entry : kErrorTexts)
        if (entry.number == number)
            return QString::fromLatin1(entry.text);
    return QStringLiteral("Socket error");
}

int numberFor(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return SocketControl::sckConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return SocketControl::sckHostNotFound;
    case QAbstractSocket::SocketAccessError:
        return SocketControl::sckAccessDenied;
    case QAbstractSocket::SocketResourceError:
        return SocketControl::sckNoBufferSpace;
    case QAbstractSocket::SocketTimeoutError:
        return SocketControl::sckTimedout;
    case QAbstractSocket::DatagramTooLargeError:
        return SocketControl::sckMsgTooBig;
    case QAbstractSocket::NetworkError:
        return SocketControl::sckNetworkUnreachable;
    case QAbstractSocket::AddressInUseError:
        return SocketControl::sckAddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return SocketControl::sckAddressNotAvailable;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return SocketControl::sckBadState;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return SocketControl::sckSecureChannelFailed;
    default:
        return SocketControl::sckConnectAborted;
    }
}

} // namespace

SocketControl::SocketControl(QObject* parent)
    : QObject(parent) {}

SocketControl::~SocketControl() {
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
}

int SocketControl::State() const {
    if (m_failed)
        return sckError;
    if (m_socket) {
        if (m_remoteClosed)
            return sckClosing;
        switch (m_socket->state()) {
        case QAbstractSocket::HostLookupState:
            return sckResolvingHost;
        case QAbstractSocket::ConnectingState:
            return sckConnecting;
        case QAbstractSocket::ConnectedState:
            return m_connectedSeen ? sckConnected : sckConnecting;
        case QAbstractSocket::ClosingState:
            return sckClosing;
        case QAbstractSocket::BoundState:
            return sckOpen;
        default:
            break;
        }
    }
    return IsListening() ? sckListening : sckClosed;
}

void SocketControl::dropSocket() {
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0) {
        // Let what was queued leave before the connection ends.
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(10000, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        socket->disconnectFromHost();
    } else {
        socket->abort();
        socket->deleteLater();
    }
}

void SocketControl::Close() {
    dropSocket();
    m_failed = false;
    m_remoteClosed = false;
    m_connectedSeen = false;
    m_sendTotal = 0;
    m_sendDone = 0;
}

void SocketControl::fail(int number, const QString& description) {
    m_failed = true;
    m_lastError = number;
    m_lastDescription = description;
    emit Error(number, description);
}

void SocketControl::Connect(const QString& host, int port) {
    Close();
    m_lastError = 0;
    m_lastDescription.clear();
    if (port < 1 || port > 65535 || host.trimmed().isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { fail(sckInvalidArgument, describe(sckInvalidArgument)); },
            Qt::QueuedConnection);
        return;
    }
    if (m_secure && !QSslSocket::supportsSsl()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                fail(sckSecureChannelFailed,
                     QStringLiteral("Secure connection failed: no TLS library is available"));
            },
            Qt::QueuedConnection);
        return;
    }
    if (m_secure) {
        auto* ssl = new QSslSocket(this);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        if (!m_extraCa.isEmpty())
            config.addCaCertificates(m_extraCa);
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
        ssl->setSslConfiguration(config);
        adopt(ssl, false);
        connect(ssl, &QSslSocket::encrypted, this, [this] {
            m_connectedSeen = true;
            emit Connected();
        });
        connect(ssl, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
            QStringList texts;
            for (const QSslError& error : errors)
                texts << error.errorString();
            m_lastDescription =
                QStringLiteral("Secure connection failed: ") + texts.join(QStringLiteral("; "));
        });
        ssl->connectToHostEncrypted(host.trimmed(), static_cast<quint16>(port));
    } else {
        auto* socket = new QTcpSocket(this);
        adopt(socket, false);
        connect(socket, &QAbstractSocket::connected, this, [this] {
            m_connectedSeen = true;
            emit Connected();
        });
        socket->connectToHost(host.trimmed(), static_cast<quint16>(port));
    }
}

void SocketControl::adopt(QTcpSocket* socket, bool accepted) {
    m_socket = socket;
    socket->setParent(this);
    m_connectedSeen = accepted;
    connect(socket, &QIODevice::readyRead, this, [this] {
        if (m_socket)
            emit DataArrival(m_socket->bytesAvailable());
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this] {
        if (m_failed || m_remoteClosed)
            return;
        if (m_secure && !m_connectedSeen) {
            fail(sckSecureChannelFailed,
                 QStringLiteral("Secure connection failed: the server closed the connection "
                                "during the handshake"));
            return;
        }
        m_remoteClosed = true;
        emit Closed();
    });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this] { onSocketError(); });
    connect(socket, &QIODevice::bytesWritten, this, [this](qint64 n) { onBytesWritten(n); });
}

void SocketControl::onSocketError() {
    if (!m_socket || m_failed)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError && m_connectedSeen)
        return; // reported as Closed
    const int number = numberFor(error);
    QString description = describe(number);
    if (number == sckSecureChannelFailed) {
        description = m_lastDescription.startsWith(QStringLiteral("Secure connection failed"))
                          ? m_lastDescription
                          : QStringLiteral("Secure connection failed: ") + m_socket->errorString();
    } else if (error == QAbstractSocket::RemoteHostClosedError) {
        description = describe(sckConnectionReset);
        fail(sckConnectionReset, description);
        return;
    }
    fail(number, description);
}

void SocketControl::onBytesWritten(qint64 written) {
    if (!m_socket)
        return;
    m_sendDone += written;
    const qint64 remaining = m_socket->bytesToWrite();
    emit SendProgress(m_sendDone, remaining);
    if (remaining == 0 && m_sendDone >= m_sendTotal) {
        m_sendDone = 0;
        m_sendTotal = 0;
        emit SendComplete();
    }
}

void SocketControl::SendData(const QByteArray& data) {
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        m_lastError = sckBadState;
        m_lastDescription = describe(sckBadState);
        QMetaObject::invokeMethod(
            this, [this] { emit Error(sckBadState, describe(sckBadState)); }, Qt::QueuedConnection);
        return;
    }
    if (data.isEmpty())
        return;
    m_sendTotal += data.size();
    m_socket->write(data);
}

QByteArray SocketControl::GetData() {
    return m_socket ? m_socket->readAll() : QByteArray();
}

qint64 SocketControl::BytesReceived() const {
    return m_socket ? m_socket->bytesAvailable() : 0;
}

bool SocketControl::Listen(int port) {
    return ListenOn(QString(), port);
}

bool SocketControl::ListenOn(const QString& address, int port) {
    m_lastError = 0;
    m_lastDescription.clear();
    if (port < 0 || port > 65535) {
        m_lastError = sckInvalidArgument;
        m_lastDescription = describe(sckInvalidArgument);
        return false;
    }
    const QHostAddress host =
        address.isEmpty() ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(address);
    if (m_server && m_server->isListening()) {
        if ((port == 0 || m_server->serverPort() == port) && m_server->serverAddress() == host)
            return true;
        StopListening();
    }
    if (!m_server) {
        m_server = new QTcpServer(this);
        m_server->setMaxPendingConnections(1000);
        // Peers that connect while a note is being made wait in the system's queue; a full
        // queue drops them for a second before they try again.
        m_server->setListenBacklogSize(1024);
        connect(m_server, &QTcpServer::newConnection, this, &SocketControl::onIncoming);
    }
    if (!m_server->listen(host, static_cast<quint16>(port))) {
        m_lastError = numberFor(m_server->serverError());
        m_lastDescription = describe(m_lastError);
        return false;
    }
    return true;
}

void SocketControl::StopListening() {
    if (!m_server)
        return;
    m_server->close();
    while (QTcpSocket* waiting = m_server->nextPendingConnection()) {
        waiting->abort();
        waiting->deleteLater();
    }
    m_pending = 0;
}

bool SocketControl::IsListening() const {
    return m_server && m_server->isListening();
}

void SocketControl::onIncoming() {
    ++m_pending;
    emit ConnectionRequest(++m_nextRequest);
}

int SocketControl::PendingConnections() const {
    return IsListening() || (m_server && m_server->hasPendingConnections()) ? m_pending : 0;
}

bool SocketControl::Accept() {
    if (!m_server || !m_server->hasPendingConnections()) {
        m_lastError = sckBadState;
        m_lastDescription = describe(sckBadState);
        return false;
    }
    Close();
    QTcpSocket* socket = m_server->nextPendingConnection();
    m_pending = std::max(0, m_pending - 1);
    adopt(socket, true);
    // The peer may have sent its data, and even closed, while it waited in the queue.
    QMetaObject::invokeMethod(
        this,
        [this, guard = QPointer<QTcpSocket>(socket)] {
            if (!guard || guard != m_socket)
                return;
            if (guard->bytesAvailable() > 0)
                emit DataArrival(guard->bytesAvailable());
            if (guard != m_socket)
                return;
            if (guard->state() == QAbstractSocket::UnconnectedState && !m_remoteClosed &&
                !m_failed) {
                m_remoteClosed = true;
                emit Closed();
            }
        },
        Qt::QueuedConnection);
    return true;
}

int SocketControl::LocalPort() const {
    if (IsListening())
        return m_server->serverPort();
    return m_socket ? m_socket->localPort() : 0;
}

QString SocketControl::LocalHostName() {
    return QHostInfo::localHostName();
}

QString SocketControl::LocalIP() {
    const QList<QHostAddress> addresses = QNetworkInterface::allAddresses();
    for (const QHostAddress& address : addresses)
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return address.toString();
    return QStringLiteral("127.0.0.1");
}

QString SocketControl::RemoteHostIP() const {
    return m_socket ? m_socket->peerAddress().toString() : QString();
}

int SocketControl::RemotePort() const {
    return m_socket ? m_socket->peerPort() : 0;
}

void SocketControl::setSecure(bool secure) {
    m_secure = secure;
}

bool SocketControl::isSecure() const {
    return m_secure;
}

void SocketControl::setExtraCaCertificates(const QList<QSslCertificate>& certificates) {
    m_extraCa = certificates;
}
