// The POP3 reply handling on a server transcript of any content. A server on 127.0.0.1 sends
// the transcript's pieces (split at the byte 0x1E): the first as its greeting, each next one
// as the answer to the next command, and closes the connection when none is left. The first
// byte of the input picks what the session does: a mail check, reading a message in the
// normal or the raw view, or reading the second message. Every session must come to its end.
#include "fuzzsupport.h"

#include "localisation/translator.h"
#include "mail/pop3session.h"
#include "platform/testing/fakes.h"
#include "store/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

class TranscriptServer : public QObject {
public:
    explicit TranscriptServer(QList<QByteArray> pieces)
        : m_pieces(std::move(pieces)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                m_peer = peer;
                next();
                connect(peer, &QIODevice::readyRead, this, [this, peer] {
                    m_buffer += peer->readAll();
                    qsizetype eol;
                    while ((eol = m_buffer.indexOf("\r\n")) >= 0) {
                        m_buffer.remove(0, eol + 2);
                        next();
                    }
                });
            }
        });
    }
    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }

private:
    void next() {
        if (!m_peer)
            return;
        if (m_pieces.isEmpty()) {
            m_peer->disconnectFromHost();
            return;
        }
        m_peer->write(m_pieces.takeFirst());
    }

    QTcpServer m_server;
    QPointer<QTcpSocket> m_peer;
    QList<QByteArray> m_pieces;
    QByteArray m_buffer;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t action = data[0];
    TranscriptServer server(fuzzsupport::bytes(data + 1, size - 1).split('\x1e'));

    static const Translator tr;
    Settings settings;
    settings.txtServeurIP = QStringLiteral("127.0.0.1");
    settings.txtPort = QString::number(server.port());
    settings.txtUser = QStringLiteral("anna");
    settings.txtPass = QStringLiteral("secret");
    settings.chkMailWriteLog = 1;
    FakeDiagnosticLog log;
    FakeMessageSink messages;
    Pop3Session session(settings, tr, &log, messages);
    session.setReplyTimeoutMs(300);
    switch (action % 4) {
    case 0:
        session.cmdCheckMail_Click();
        break;
    case 1:
        session.readMessage(1, Pop3Session::Starter::NormalView);
        break;
    case 2:
        session.readMessage(1, Pop3Session::Starter::RawView);
        break;
    default:
        session.readMessage(2, Pop3Session::Starter::ListClick);
        break;
    }
    QElapsedTimer timer;
    timer.start();
    while (session.sessionOpen() || session.Mailstade() != 0) {
        if (timer.elapsed() > 5000)
            fuzzsupport::fail("the session did not end");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    session.stopChecking(true);
    return 0;
}
