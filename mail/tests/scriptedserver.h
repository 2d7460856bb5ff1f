#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

// A POP3 server that follows a script, for the faults a real server shows only by accident.
// Each connection gets the greeting, then every command line goes to the responder, whose
// answer is written back; with a piece size, everything leaves in pieces of that many bytes.
class ScriptedServer : public QObject {
public:
    using Responder = std::function<QByteArray(QTcpSocket*, const QByteArray& line)>;

    ScriptedServer(QByteArray greeting, Responder responder, int pieceSize = 0)
        : m_greeting(std::move(greeting))
        , m_responder(std::move(responder))
        , m_pieceSize(pieceSize) {
        m_server.listen(QHostAddress::LocalHost, 0);
        m_pacer.setInterval(2);
        connect(&m_pacer, &QTimer::timeout, this, [this] {
            if (!m_peer || m_queue.isEmpty()) {
                m_pacer.stop();
                return;
            }
            m_peer->write(m_queue.left(m_pieceSize));
            m_queue.remove(0, m_pieceSize);
        });
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                ++connections;
                m_peer = peer;
                m_buffer.clear();
                send(m_greeting);
                connect(peer, &QIODevice::readyRead, this, [this, peer] {
                    m_buffer += peer->readAll();
                    qsizetype eol;
                    while ((eol = m_buffer.indexOf("\r\n")) >= 0) {
                        const QByteArray line = m_buffer.left(eol);
                        m_buffer.remove(0, eol + 2);
                        commands << QString::fromLatin1(line);
                        send(m_responder(peer, line));
                        if (line == "QUIT" && m_queue.isEmpty())
                            peer->disconnectFromHost();
                    }
                });
            }
        });
    }
    [[nodiscard]] int port() const { return m_server.serverPort(); }

    int connections = 0;
    QStringList commands;

private:
    void send(const QByteArray& bytes) {
        if (bytes.isEmpty() || !m_peer)
            return;
        if (m_pieceSize <= 0) {
            m_peer->write(bytes);
            return;
        }
        m_queue += bytes;
        m_pacer.start();
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    QByteArray m_greeting;
    Responder m_responder;
    int m_pieceSize;
    QByteArray m_buffer;
    QByteArray m_queue;
    QTimer m_pacer;
};
