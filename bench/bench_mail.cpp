// The mail checker: listing a mailbox of 200 messages on a private Dovecot against a minimal
// client sending the same commands (the floor), and decoding 10 MB of mixed mail.
#include "localisation/translator.h"
#include "mail/mailentete.h"
#include "mail/pop3session.h"
#include "mail/tests/dovecot.h"
#include "platform/testing/fakes.h"
#include "store/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Messages = 200;
constexpr int Runs = 5;

double bestMs(const std::function<bool()>& work, int runs = Runs) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!work())
            return -1;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

QByteArray headerOf(int i) {
    return "Return-Path: <sender" + QByteArray::number(i) +
           "@example.org>\r\nReceived: from mx.example.org by pop.example.org; Mon, 7 Dec 2026\r\n"
           "From: =?UTF-8?Q?S=C3=A9nder_" +
           QByteArray::number(i) +
           "?= <sender@example.org>\r\nTo: reader@example.org\r\n"
           "Subject: =?ISO-8859-1?Q?R=E9union_n=B0_" +
           QByteArray::number(i) + "?=\r\nMessage-ID: <" + QByteArray::number(i) +
           "@example.org>\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\nMIME-Version: 1.0\r\n";
}

// The floor: blocking system calls on one socket, no event loop, no decoding.
class RawClient {
public:
    explicit RawClient(int port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_ok = m_fd >= 0 &&
               ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool command(const QByteArray& text, bool multiLine) {
        if (!text.isEmpty() &&
            ::send(m_fd, text.constData(), size_t(text.size()), 0) != text.size())
            return false;
        m_buffer.clear();
        char chunk[65536];
        while (true) {
            const char* end = multiLine && !m_buffer.startsWith("-ERR") ? "\r\n.\r\n" : "\r\n";
            if (memmem(m_buffer.constData(), size_t(m_buffer.size()), end, strlen(end)))
                return true;
            const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (got <= 0)
                return false;
            m_buffer.append(chunk, got);
        }
    }
    [[nodiscard]] bool ok() const { return m_ok; }

private:
    int m_fd = -1;
    bool m_ok = false;
    QByteArray m_buffer;
};

bool minimalClient(int port) {
    RawClient client(port);
    if (!client.ok() || !client.command({}, false))
        return false;
    for (const char* command : {"USER bench\r\n", "PASS secret\r\n", "STAT\r\n"})
        if (!client.command(command, false))
            return false;
    for (int i = 1; i <= Messages; ++i)
        if (!client.command("TOP " + QByteArray::number(i) + " 0\r\n", true))
            return false;
    return client.command("QUIT\r\n", false);
}

QByteArray mixedMail(int i) {
    switch (i % 5) {
    case 0:
        return headerOf(i) + "Content-Type: text/plain; charset=us-ascii\r\n\r\n" +
               QByteArray("Plain text line of an ordinary message.\r\n").repeated(60);
    case 1:
        return headerOf(i) +
               "Content-Type: text/plain; charset=iso-8859-1\r\n"
               "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
               QByteArray("Caf=E9 cr=E8me et g=E2teau, ligne cod=E9e en quoted-printable =\r\n"
                          "suite.\r\n")
                   .repeated(40);
    case 2:
        return headerOf(i) +
               "Content-Type: text/plain; charset=utf-8\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n" +
               QByteArray("R3LDvMOfZSBhdXMgS8O2bG4sIGVpbmUgWmVpbGUgaW4gQmFzZTY0IGtvZGllcnQu\r\n")
                   .repeated(50);
    case 3:
        return headerOf(i) + "Content-Type: text/html; charset=utf-8\r\n\r\n" +
               "<html><head><style>p{}</style></head><body>" +
               QByteArray("<p>Hello <b>world</b> &eacute;t&eacute; <a href=\"http://x.org\">x</a>"
                          "<br>\r\n")
                   .repeated(40) +
               "</body></html>";
    default:
        return headerOf(i) +
               "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
               "Content-Type: text/plain; charset=koi8-r\r\n\r\n" +
               QByteArray("\xf0\xd2\xc9\xd7\xc5\xd4 \xcd\xc9\xd2\r\n").repeated(40) +
               "--b\r\nContent-Type: text/plain; charset=gb2312\r\n\r\n" +
               QByteArray("\xd6\xd0\xce\xc4\xd6\xd0\xce\xc4\r\n").repeated(40) +
               "--b\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
               QByteArray("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk\r\n")
                   .repeated(20) +
               "--b--\r\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    // Decoding: 10 MB of mixed mail, as replies.
    QList<QByteArray> replies;
    qint64 bytes = 0;
    for (int i = 0; bytes < 10 * 1024 * 1024; ++i) {
        replies << "+OK\r\n" + mixedMail(i) + "\r\n.\r\n";
        bytes += replies.last().size();
    }
    qint64 sink = 0;
    const double decodeMs = bestMs([&] {
        for (const QByteArray& reply : std::as_const(replies)) {
            sink += MailEntete::HeaderValue(reply, u"Body").size();
            sink += MailEntete::HeaderValue(reply, u"From").size();
            sink += MailEntete::HeaderValue(reply, u"Subject").size();
        }
        return true;
    });
    const double mbPerSecond = double(bytes) / (1024.0 * 1024.0) / (decodeMs / 1000.0);
    out << QStringLiteral(
               "decoding %1 MB of mixed mail (%2 messages): %3 ms, %4 MB/s (target >= 50)\n")
               .arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1)
               .arg(replies.size())
               .arg(decodeMs, 0, 'f', 1)
               .arg(mbPerSecond, 0, 'f', 1);
    out.flush();

    if (app.arguments().contains(QStringLiteral("--decode-only")))
        return sink > 0 ? 0 : 1;
    Dovecot dovecot;
    if (!dovecot.start({QStringLiteral("bench")})) {
        out << QStringLiteral("listing: skipped, %1\n").arg(dovecot.whyNot());
        return 0;
    }
    for (int i = 1; i <= Messages; ++i)
        dovecot.addMessage(QStringLiteral("bench"),
                           headerOf(i) + "\r\nBody " + QByteArray::number(i));

    // Once so that Dovecot has indexed the mailbox before anything is timed.
    if (!minimalClient(dovecot.plainPort())) {
        out << QStringLiteral("listing: the minimal client failed\n");
        return 1;
    }
    Settings settings;
    settings.txtServeurIP = QStringLiteral("127.0.0.1");
    settings.txtPort = QString::number(dovecot.plainPort());
    settings.txtUser = QStringLiteral("bench");
    settings.txtPass = QStringLiteral("secret");
    Translator tr;
    FakeMessageSink messages;
    Pop3Session session(settings, tr, nullptr, messages);
    auto listOnce = [&] {
        QEventLoop loop;
        QObject::connect(&session, &Pop3Session::sessionFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        session.cmdCheckMail_Click();
        loop.exec();
        return session.entries().size() == Messages;
    };
    // The two alternate, so that both see the same load of the machine; the best run counts.
    double floorMs = 1e300;
    double sessionMs = 1e300;
    for (int run = 0; run < 3 * Runs; ++run) {
        const double floorRun = bestMs([&] { return minimalClient(dovecot.plainPort()); }, 1);
        const double sessionRun = bestMs(listOnce, 1);
        if (floorRun < 0 || sessionRun < 0) {
            out << QStringLiteral("listing: a run failed\n");
            return 1;
        }
        floorMs = std::min(floorMs, floorRun);
        sessionMs = std::min(sessionMs, sessionRun);
    }
    out << QStringLiteral("listing %1 messages: session %2 ms, minimal client %3 ms, ratio %4 "
                          "(target <= 1.5)\n")
               .arg(Messages)
               .arg(sessionMs, 0, 'f', 1)
               .arg(floorMs, 0, 'f', 1)
               .arg(sessionMs / floorMs, 0, 'f', 2);
    return sink > 0 ? 0 : 1;
}
