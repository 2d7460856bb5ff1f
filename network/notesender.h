#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

class SocketControl;

// The sending side of the note transfer (WinsockCLT): connects to a peer, writes one message
// and closes, which ends the message.
class NoteSender : public QObject {
    Q_OBJECT
public:
    using LogLine = std::function<void(const QString&)>;
    // The message, built once the connection stands (the note may change until then).
    using MessageBuilder = std::function<QByteArray()>;

    explicit NoteSender(QObject* parent = nullptr);
    ~NoteSender() override;

    void setLog(LogLine log) { m_log = std::move(log); }
    [[nodiscard]] int State() const;
    [[nodiscard]] bool busy() const { return m_busy; }

    // Connects to `destination` (a name or a dotted IPv4 address) on `port`; connected, then
    // sent or failed, follow.
    void send(const QString& identity, const QString& destination, int port,
              MessageBuilder message);
    // Ends the connection; a send in progress is abandoned without a signal.
    void closeConnection();

signals:
    void connected();
    // Every byte was handed over and the connection closed.
    void sent();
    void failed(int number, const QString& description);

private:
    void WinsockCLT_Connect();
    void WinsockCLT_SendProgress(qint64 bytesSent, qint64 bytesRemaining);
    void WinsockCLT_SendComplete();
    void WinsockCLT_Close();
    void WinsockCLT_Error(int number, const QString& description);
    void log(const QString& line) const;

    SocketControl* m_socket;
    LogLine m_log;
    MessageBuilder m_message;
    QString m_identity;
    bool m_busy = false;
    bool m_sending = false;
};
