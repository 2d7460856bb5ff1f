#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class SocketControl;

// The receiving side of the note transfer (WinsockSRV): listens on its port, takes one peer
// at a time, collects what it sends until it closes and hands the message on, then listens
// again. Peers that connect meanwhile wait in the listener's queue and are taken in turn.
// The receiver is open to the whole local network, so it bounds what one peer can do: a
// message above MaxMessageBytes, or a connection silent for the idle timeout, is dropped.
class NoteReceiver : public QObject {
    Q_OBJECT
public:
    // A note's text is at most 32000 characters; no real message comes near this.
    static constexpr qsizetype MaxMessageBytes = 64 * 1024;
    static constexpr int IdleTimeoutMs = 30000;

    // What the status label shows.
    enum class Status { Off, Listening, Connected, Receiving, Complete };
    Q_ENUM(Status)

    // Writes one line to the network log; it checks the log switch itself.
    using LogLine = std::function<void(const QString&)>;

    explicit NoteReceiver(int port, QObject* parent = nullptr);
    ~NoteReceiver() override;

    void setLog(LogLine log) { m_log = std::move(log); }
    void setIdleTimeout(int ms) { m_idle.setInterval(ms); }
    // Takes effect at the next Start_Serveur.
    void setPort(int port) { m_port = port; }
    [[nodiscard]] int port() const { return m_port; }
    [[nodiscard]] Status status() const { return m_status; }
    [[nodiscard]] int State() const;
    [[nodiscard]] SocketControl& socket() { return *m_socket; }

    // Starts or restarts listening. False when the port cannot be opened (10048 when another
    // program holds it); listenFailed says why.
    bool Start_Serveur();
    // Ends the connection and the listening.
    void Stop_Serveur();

signals:
    void statusChanged(NoteReceiver::Status status);
    // A whole message: everything one peer sent before it closed.
    void messageReceived(const QByteArray& message);
    void listenFailed(int number, const QString& description);

private:
    void WinsockSRV_ConnectionRequest(int requestID);
    void WinsockSRV_DataArrival(qint64 bytesTotal);
    void WinsockSRV_Close();
    void WinsockSRV_Error(int number, const QString& description);
    void idleTimeout();
    void acceptNext();
    // Takes what arrived into the buffer; false (and the connection dropped) past the bound.
    bool collect();
    void drop(const QString& why);
    void setStatus(Status status);
    void log(const QString& line) const;
    [[nodiscard]] QString stateText() const;

    int m_port;
    SocketControl* m_socket;
    QTimer m_idle;
    LogLine m_log;
    QByteArray m_BufferString;
    bool m_serving = false;
    Status m_status = Status::Off;
};
