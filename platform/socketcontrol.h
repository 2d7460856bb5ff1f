#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>

class QTcpServer;
class QTcpSocket;

// Event-driven TCP socket on the GUI thread: one connection at a time (made with Connect or
// taken with Accept) and, independently, one listener. All events arrive through the event
// loop, never from inside a call of the caller's.
//
// Listening and serving: Listen(port) keeps a listener open until StopListening; peers that
// connect while a connection is being served wait in the listener's queue (never refused) and
// each raises one ConnectionRequest. Accept takes the oldest waiting peer. Close ends the
// connection only, so the queue survives it; PendingConnections says whether peers still wait.
class SocketControl : public QObject {
    Q_OBJECT
public:
    // State numbers as written to the logs; callers test only sckClosed and sckConnected.
    static constexpr int sckClosed = 0;
    static constexpr int sckOpen = 1;
    static constexpr int sckListening = 2;
    static constexpr int sckConnectionPending = 3;
    static constexpr int sckResolvingHost = 4;
    static constexpr int sckHostResolved = 5;
    static constexpr int sckConnecting = 6;
    static constexpr int sckConnected = 7;
    static constexpr int sckClosing = 8;
    static constexpr int sckError = 9;

    // Error numbers.
    static constexpr int sckBadState = 40006;
    static constexpr int sckInvalidArgument = 10014;
    static constexpr int sckAccessDenied = 10013;
    static constexpr int sckMsgTooBig = 10040;
    static constexpr int sckAddressInUse = 10048;
    static constexpr int sckAddressNotAvailable = 10049;
    static constexpr int sckNetworkSubsystemFailed = 10050;
    static constexpr int sckNetworkUnreachable = 10051;
    static constexpr int sckConnectAborted = 10053;
    static constexpr int sckConnectionReset = 10054;
    static constexpr int sckNoBufferSpace = 10055;
    static constexpr int sckNotConnected = 10057;
    static constexpr int sckTimedout = 10060;
    static constexpr int sckConnectionRefused = 10061;
    static constexpr int sckHostNotFound = 11001;
    static constexpr int sckHostNotFoundTryAgain = 11002;
    // A secure connection could not be set up (certificate not trusted, wrong host name,
    // handshake refused). Never followed by a plain connection.
    static constexpr int sckSecureChannelFailed = 10500;

    explicit SocketControl(QObject* parent = nullptr);
    ~SocketControl() override;

    int State() const;

    // Ends the connection (or the connect in progress); the listener and its queue stay.
    // The state becomes sckClosed, or sckListening while a listener is open.
    void Close();

    // Asynchronous; Connected or Error follows. host is a name or a dotted address.
    void Connect(const QString& host, int port);

    // Opens the listener on every IPv4 address (port 0: any free port, see LocalPort). Fails at
    // once, returning false with LastError() 10048, when the port is taken; no Error event is
    // raised for it. Listening again on the port already open succeeds and changes nothing.
    bool Listen(int port);
    bool ListenOn(const QString& address, int port);
    void StopListening();
    bool IsListening() const;

    // Takes the oldest waiting peer as the connection, closing any previous one. Data the peer
    // sent (and its close) before it was taken arrive afterwards as DataArrival and Closed.
    bool Accept();
    int PendingConnections() const;

    // Queues the whole text, sent in order; SendProgress and SendComplete report it.
    void SendData(const QByteArray& data);
    // Everything that arrived since the last call.
    QByteArray GetData();
    qint64 BytesReceived() const;

    int LocalPort() const;
    static QString LocalHostName();
    static QString LocalIP();
    QString RemoteHostIP() const;
    int RemotePort() const;

    // Implicit TLS for Connect: the system's certificates plus the extra ones given, the host
    // name checked. A failure is an Error with sckSecureChannelFailed.
    void setSecure(bool secure);
    bool isSecure() const;
    void setExtraCaCertificates(const QList<QSslCertificate>& certificates);

    int LastError() const { return m_lastError; }
    QString LastErrorDescription() const { return m_lastDescription; }

signals:
    void DataArrival(qint64 bytesTotal);
    void ConnectionRequest(int requestID);
    void Connected();
    void SendProgress(qint64 bytesSent, qint64 bytesRemaining);
    void SendComplete();
    void Closed();
    void Error(int number, const QString& description);

private:
    void adopt(QTcpSocket* socket, bool accepted);
    void dropSocket();
    void onIncoming();
    void onSocketError();
    void onBytesWritten(qint64 written);
    void fail(int number, const QString& description);

    QTcpSocket* m_socket = nullptr;
    QTcpServer* m_server = nullptr;
    bool m_secure = false;
    bool m_failed = false;
    bool m_remoteClosed = false;
    bool m_connectedSeen = false;
    qint64 m_sendTotal = 0;
    qint64 m_sendDone = 0;
    int m_nextRequest = 0;
    int m_pending = 0;
    int m_lastError = 0;
    QString m_lastDescription;
    QList<QSslCertificate> m_extraCa;
};
