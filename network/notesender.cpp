#include "network/notesender.h"

#include "platform/socketcontrol.h"

NoteSender::NoteSender(QObject* parent)
    : QObject(parent)
    , m_socket(new SocketControl(this)) {
    connect(m_socket, &SocketControl::Connected, this, &NoteSender::WinsockCLT_Connect);
    connect(m_socket, &SocketControl::SendProgress, this, &NoteSender::WinsockCLT_SendProgress);
    connect(m_socket, &SocketControl::SendComplete, this, &NoteSender::WinsockCLT_SendComplete);
    connect(m_socket, &SocketControl::Closed, this, &NoteSender::WinsockCLT_Close);
    connect(m_socket, &SocketControl::Error, this, &NoteSender::WinsockCLT_Error);
}

NoteSender::~NoteSender() = default;

int NoteSender::State() const {
    return m_socket->State();
}

void NoteSender::log(const QString& line) const {
    if (m_log)
        m_log(line);
}

void NoteSender::send(const QString& identity, const QString& destination, int port,
                      MessageBuilder message) {
    m_identity = identity;
    m_message = std::move(message);
    m_busy = true;
    m_sending = false;
    log(QStringLiteral("++++++++ Client ") + identity +
        QStringLiteral(" try to connect to adress ") + destination + QStringLiteral(" on port ") +
        QString::number(port) + QStringLiteral(" ++++++++"));
    m_socket->Connect(destination, port);
    log(QStringLiteral("After client CONNECT command : Client state = ") +
        QString::number(State()));
}

void NoteSender::closeConnection() {
    m_busy = false;
    m_sending = false;
    if (m_socket->State() != SocketControl::sckClosed)
        m_socket->Close();
    log(QStringLiteral("After client CLOSE command : Client state = ") + QString::number(State()));
}

void NoteSender::WinsockCLT_Connect() {
    if (!m_busy)
        return;
    log(QStringLiteral("++++++++ Client connected. Try to send data. ++++++++"));
    emit connected();
    const QByteArray data = m_message ? m_message() : QByteArray();
    m_sending = true;
    m_socket->SendData(data);
    log(QStringLiteral("After client SENDDATA command : Client state = ") +
        QString::number(State()) + QStringLiteral("   Length of data sent = ") +
        QString::number(data.size()));
    // Nothing to write completes at once.
    if (data.isEmpty())
        WinsockCLT_SendComplete();
}

void NoteSender::WinsockCLT_SendProgress(qint64 bytesSent, qint64 bytesRemaining) {
    log(QStringLiteral("++++++++ Client sending data. Bytes sent=") + QString::number(bytesSent) +
        QStringLiteral("   remaining=") + QString::number(bytesRemaining));
}

void NoteSender::WinsockCLT_SendComplete() {
    if (!m_sending)
        return;
    log(QStringLiteral("++++++++ Client send complete. Closing connection. ++++++++"));
    closeConnection();
    emit sent();
}

void NoteSender::WinsockCLT_Close() {
    if (!m_busy)
        return;
    // The peer closed before the whole message left: it did not get the note.
    closeConnection();
    emit failed(SocketControl::sckConnectionReset,
                QStringLiteral("The connection was closed before the note was sent"));
}

void NoteSender::WinsockCLT_Error(int number, const QString& description) {
    log(QStringLiteral("++++++++ Client error ") + QString::number(number) + QLatin1Char(':') +
        description);
    if (!m_busy)
        return;
    closeConnection();
    emit failed(number, description);
}
