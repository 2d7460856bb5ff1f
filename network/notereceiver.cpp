#include "network/notereceiver.h"

#include "platform/socketcontrol.h"

NoteReceiver::NoteReceiver(int port, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_socket(new SocketControl(this)) {
    m_idle.setSingleShot(true);
    m_idle.setInterval(IdleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, &NoteReceiver::idleTimeout);
    connect(m_socket, &SocketControl::ConnectionRequest, this,
            &NoteReceiver::WinsockSRV_ConnectionRequest);
    connect(m_socket, &SocketControl::DataArrival, this, &NoteReceiver::WinsockSRV_DataArrival);
    connect(m_socket, &SocketControl::Closed, this, &NoteReceiver::WinsockSRV_Close);
    connect(m_socket, &SocketControl::Error, this, &NoteReceiver::WinsockSRV_Error);
}

NoteReceiver::~NoteReceiver() = default;

int NoteReceiver::State() const {
    return m_socket->State();
}

QString NoteReceiver::stateText() const {
    return QString::number(m_socket->State());
}

void NoteReceiver::log(const QString& line) const {
    if (m_log)
        m_log(line);
}

void NoteReceiver::setStatus(Status status) {
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged(status);
}

bool NoteReceiver::Start_Serveur() {
    log(QStringLiteral(" ======== Server is listening on port ") + QString::number(m_port) +
        QStringLiteral(" ============"));
    m_socket->Close();
    m_idle.stop();
    m_serving = false;
    m_BufferString.clear();
    if (!m_socket->Listen(m_port)) {
        log(QStringLiteral("======== Server error ") + QString::number(m_socket->LastError()) +
            QLatin1Char(':') + m_socket->LastErrorDescription());
        emit listenFailed(m_socket->LastError(), m_socket->LastErrorDescription());
        return false;
    }
    setStatus(Status::Listening);
    log(QStringLiteral("After server LISTEN command : Server state = ") + stateText());
    // Peers that came while the last one was served wait in the queue.
    if (m_socket->PendingConnections() > 0)
        acceptNext();
    return true;
}

void NoteReceiver::Stop_Serveur() {
    m_idle.stop();
    m_serving = false;
    m_BufferString.clear();
    m_socket->Close();
    m_socket->StopListening();
    setStatus(Status::Off);
}

void NoteReceiver::WinsockSRV_ConnectionRequest(int requestID) {
    log(QStringLiteral("======== Server connection request for ID ") + QString::number(requestID) +
        QStringLiteral(" ============"));
    // One peer at a time; the others wait in the queue until this message is done.
    if (!m_serving)
        acceptNext();
}

void NoteReceiver::acceptNext() {
    m_BufferString.clear();
    if (!m_socket->IsListening() || !m_socket->Accept())
        return;
    m_serving = true;
    m_idle.start();
    setStatus(Status::Connected);
    log(QStringLiteral("After server ACCEPT command : Server state = ") + stateText());
}

bool NoteReceiver::collect() {
    const QByteArray data = m_socket->GetData();
    if (m_BufferString.size() + data.size() > MaxMessageBytes) {
        drop(QStringLiteral("message longer than ") + QString::number(MaxMessageBytes) +
             QStringLiteral(" bytes"));
        return false;
    }
    m_BufferString += data;
    return true;
}

void NoteReceiver::drop(const QString& why) {
    log(QStringLiteral("======== Server dropped the connection: ") + why +
        QStringLiteral(" ============"));
    Start_Serveur();
}

void NoteReceiver::WinsockSRV_DataArrival(qint64 bytesTotal) {
    if (!m_serving)
        return;
    log(QStringLiteral("======== Server data arrival. Lenght of data = ") +
        QString::number(bytesTotal) + QStringLiteral(" ============"));
    if (bytesTotal <= 0)
        return;
    if (!collect())
        return;
    m_idle.start();
    setStatus(Status::Receiving);
    log(QStringLiteral("After server GETDATA command : Server state = ") + stateText() +
        QStringLiteral("   Length of BufferString = ") + QString::number(m_BufferString.size()));
}

void NoteReceiver::WinsockSRV_Close() {
    if (!m_serving)
        return;
    log(QStringLiteral("======== Server receive disconnection from client ============"));
    // What came with the close is part of the message.
    if (!collect())
        return;
    m_idle.stop();
    m_socket->Close();
    m_serving = false;
    log(QStringLiteral("After server CLOSE command : Server state = ") + stateText() +
        QStringLiteral("   Length of BufferString = ") + QString::number(m_BufferString.size()));
    if (!m_BufferString.isEmpty()) {
        setStatus(Status::Complete);
        const QByteArray message = std::exchange(m_BufferString, QByteArray());
        emit messageReceived(message);
        // Whoever took the message may have switched the receiver off.
        if (m_status == Status::Off)
            return;
    }
    Start_Serveur();
}

void NoteReceiver::WinsockSRV_Error(int number, const QString& description) {
    log(QStringLiteral("======== Server error ") + QString::number(number) + QLatin1Char(':') +
        description);
    if (m_status == Status::Off)
        return;
    Start_Serveur();
}

void NoteReceiver::idleTimeout() {
    drop(QStringLiteral("nothing received for ") + QString::number(m_idle.interval() / 1000) +
         QStringLiteral(" s"));
}
