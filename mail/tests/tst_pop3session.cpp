#include "dovecot.h"
#include "localisation/translator.h"
#include "mail/pop3session.h"
#include "platform/socketcontrol.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "scriptedserver.h"
#include "store/settings.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// The session with everything it talks to, pointed at a server.
struct Rig {
    Settings settings;
    Translator tr;
    FakeDiagnosticLog log;
    FakeMessageSink messages;
    std::unique_ptr<Pop3Session> session;

    Rig(int port, const QString& user, const QString& password = QStringLiteral("secret")) {
        settings.txtServeurIP = QStringLiteral("127.0.0.1");
        settings.txtPort = QString::number(port);
        settings.txtUser = user;
        settings.txtPass = password;
        settings.chkMailWriteLog = 1;
        session = std::make_unique<Pop3Session>(settings, tr, &log, messages);
    }
    // The session ran to its end: QUIT answered, or given up.
    bool finished(int timeoutMs = 20000) {
        return QTest::qWaitFor([&] { return !session->sessionOpen() && session->Mailstade() == 0; },
                               timeoutMs);
    }
    [[nodiscard]] QString logText() const {
        QString all;
        for (const FakeDiagnosticLog::Line& line : log.lines)
            all += line.line + QLatin1Char('\n');
        return all;
    }
    [[nodiscard]] bool logged(const QString& part) const { return logText().contains(part); }
};

// The usual answers: +OK to everything, STAT finds `count` messages, TOP gives a header.
ScriptedServer::Responder usual(int count) {
    return [count](QTcpSocket*, const QByteArray& line) -> QByteArray {
        if (line.startsWith("STAT"))
            return "+OK " + QByteArray::number(count) + " 1000\r\n";
        if (line.startsWith("TOP"))
            return "+OK\r\nFrom: Zoe <z@x.org>\r\nSubject: part " + line.mid(4, 1) +
                   "\r\nMessage-ID: <" + line.mid(4, 1) + "@x>\r\n\r\n.\r\n";
        return "+OK\r\n";
    };
}

const QByteArray Greeting = "+OK ready\r\n";

} // namespace

class TestPop3Session : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void countAndList_data();
    void countAndList();
    void wrongPassword();
    void readDecodedAndRaw_data();
    void readDecodedAndRaw();
    void deleteChecksTheMessageId_data();
    void deleteChecksTheMessageId();
    void secureConnection_data();
    void secureConnection();

    void faults_data();
    void faults();
    void repliesSplitAnywhere();
    void countsThatChangeNothing_data();
    void countsThatChangeNothing();
    void timerIntervals_data();
    void timerIntervals();
    void silentTimerSessionIsReportedAndRestarted();
    void startersThatStartNothing_data();
    void startersThatStartNothing();

private:
    Dovecot m_dovecot;
    bool m_dovecotUp = false;
};

void TestPop3Session::initTestCase() {
    const QStringList users = {QStringLiteral("empty"),   QStringLiteral("one"),
                               QStringLiteral("thirty"),  QStringLiteral("reader"),
                               QStringLiteral("deleter"), QStringLiteral("keeper")};
    m_dovecotUp = m_dovecot.start(users);
    if (!m_dovecotUp)
        return;
    m_dovecot.addMessage(QStringLiteral("one"),
                         Dovecot::sample(QStringLiteral("Ann <ann@example.org>"),
                                         QStringLiteral("Lunch"), QStringLiteral("<one@x>")));
    for (int i = 1; i <= 30; ++i)
        m_dovecot.addMessage(QStringLiteral("thirty"),
                             Dovecot::sample(QStringLiteral("Sender %1 <s%1@example.org>").arg(i),
                                             QStringLiteral("=?UTF-8?Q?N=C2=B0_%1?=").arg(i),
                                             QStringLiteral("<%1@x>").arg(i)));
    m_dovecot.addMessage(QStringLiteral("reader"),
                         "From: Bob <bob@example.org>\r\nSubject: Menu\r\n"
                         "Message-ID: <menu@x>\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                         "Caf=E9 cr=E8me\r\n.leading dot\r\n");
    for (int i = 1; i <= 3; ++i) {
        for (const QString& user : {QStringLiteral("deleter"), QStringLiteral("keeper")})
            m_dovecot.addMessage(user, Dovecot::sample(QStringLiteral("D%1 <d@x>").arg(i),
                                                       QStringLiteral("s%1").arg(i),
                                                       QStringLiteral("<d%1@x>").arg(i)));
    }
}

void TestPop3Session::cleanupTestCase() {
    m_dovecot.stop();
}

#define REQUIRE_DOVECOT()                                                                          \
    if (!m_dovecotUp)                                                                              \
    QSKIP(qPrintable(QStringLiteral("no private Dovecot: ") + m_dovecot.whyNot()))

void TestPop3Session::countAndList_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("0 messages") << QStringLiteral("empty") << QStringList();
    QTest::newRow("1 message") << QStringLiteral("one")
                               << QStringList{QStringLiteral("Ann - Lunch")};
    QStringList thirty;
    for (int i = 1; i <= 30; ++i)
        thirty << QStringLiteral("Sender %1 - N° %1").arg(i);
    QTest::newRow("30 messages") << QStringLiteral("thirty") << thirty;
}

void TestPop3Session::countAndList() {
    REQUIRE_DOVECOT();
    QFETCH(QString, user);
    QFETCH(QStringList, entries);
    Rig rig(m_dovecot.plainPort(), user);
    QSignalSpy complete(rig.session.get(), &Pop3Session::listComplete);
    QSignalSpy cleared(rig.session.get(), &Pop3Session::listCleared);
    rig.session->cmdCheckMail_Click();
    QVERIFY(rig.finished());
    const QString count = QString::number(entries.size());
    QCOMPARE(rig.session->status(),
             QStringLiteral("You have ") + count + QStringLiteral(" message(s) waiting"));
    QCOMPARE(rig.session->trayTip(),
             QStringLiteral("Quillaboard. ") + count + QStringLiteral(" message(s) waiting"));
    QCOMPARE(rig.session->entries(), entries);
    QCOMPARE(rig.session->MailCount(), entries.size());
    QCOMPARE(complete.count(), entries.isEmpty() ? 0 : 1);
    if (!entries.isEmpty())
        QCOMPARE(complete.at(0).at(0).toString(), entries.last());
    // A manual check starts from a count of 0, so an empty mailbox changes no list.
    QCOMPARE(cleared.count(), entries.isEmpty() ? 0 : 1);
    QVERIFY(rig.logged(QStringLiteral(" DataArrival (result)       : ") + count +
                       QStringLiteral(" mail(s) waiting")));
    QVERIFY(rig.logged(QStringLiteral(" DataArrival (send data)    : PASS ********")));
    QVERIFY(!rig.logged(QStringLiteral("secret")));
}

void TestPop3Session::wrongPassword() {
    REQUIRE_DOVECOT();
    Rig rig(m_dovecot.plainPort(), QStringLiteral("one"), QStringLiteral("wrong-password"));
    rig.session->cmdCheckMail_Click();
    QVERIFY(rig.finished());
    QCOMPARE(rig.session->trayTip(), QStringLiteral("Quillaboard. Mail reading error"));
    QVERIFY(rig.session->status().startsWith(QStringLiteral("-ERR")));
    QVERIFY(rig.session->entries().isEmpty());
    QVERIFY(rig.logged(QStringLiteral(" DataArrival (send data)    : QUIT")));
    QVERIFY(!rig.logged(QStringLiteral("wrong-password")));
}

void TestPop3Session::readDecodedAndRaw_data() {
    QTest::addColumn<int>("starter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("normal view") << int(Pop3Session::Starter::ListClick)
                                 << QStringLiteral("Café crème\r\n.leading dot");
    QTest::newRow("raw source view")
        << int(Pop3Session::Starter::RawView) << QStringLiteral("Caf=E9 cr=E8me\r\n..leading dot");
}

void TestPop3Session::readDecodedAndRaw() {
    REQUIRE_DOVECOT();
    QFETCH(int, starter);
    QFETCH(QString, expected);
    Rig rig(m_dovecot.plainPort(), QStringLiteral("reader"));
    QSignalSpy read(rig.session.get(), &Pop3Session::messageRead);
    rig.session->readMessage(1, Pop3Session::Starter(starter));
    QVERIFY(rig.finished());
    QCOMPARE(read.count(), 1);
    const QString text = read.at(0).at(0).toString();
    QVERIFY2(text.contains(expected), qPrintable(text));
    QCOMPARE(read.at(0).at(1).toBool(), starter == int(Pop3Session::Starter::RawView));
    QCOMPARE(rig.session->displayedMessageId(), QStringLiteral("<menu@x>"));
    QVERIFY(rig.logged(QStringLiteral(" DataArrival (send data)    : TOP 1 100")));
}

void TestPop3Session::deleteChecksTheMessageId_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("removedMeanwhile");
    QTest::newRow("the message on display") << QStringLiteral("deleter") << false;
    QTest::newRow("another was deleted meanwhile") << QStringLiteral("keeper") << true;
}

void TestPop3Session::deleteChecksTheMessageId() {
    REQUIRE_DOVECOT();
    QFETCH(QString, user);
    QFETCH(bool, removedMeanwhile);
    Rig rig(m_dovecot.plainPort(), user);
    rig.session->cmdCheckMail_Click();
    QVERIFY(rig.finished());
    QCOMPARE(rig.session->entries().size(), 3);
    rig.session->readMessage(2, Pop3Session::Starter::ListClick);
    QVERIFY(rig.finished());
    QCOMPARE(rig.session->displayedMessageId(), QStringLiteral("<d2@x>"));

    if (removedMeanwhile) // message 2 on the server is now the former message 3
        m_dovecot.removeMessage(user, 1);
    QSignalSpy deleted(rig.session.get(), &Pop3Session::entryDeleted);
    QSignalSpy cleared(rig.session.get(), &Pop3Session::listCleared);
    rig.session->deleteDisplayed();
    QVERIFY(rig.finished());
    if (removedMeanwhile) {
        QCOMPARE(deleted.count(), 0);
        QCOMPARE(cleared.count(), 1); // the list was counted and built afresh
        QCOMPARE(m_dovecot.messageCount(user), 2);
        QCOMPARE(rig.session->entries(),
                 (QStringList{QStringLiteral("D2 - s2"), QStringLiteral("D3 - s3")}));
        QVERIFY(!rig.logged(QStringLiteral(": DELE")));
    } else {
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toInt(), 1);
        QCOMPARE(m_dovecot.messageCount(user), 2);
        QCOMPARE(rig.session->entries(),
                 (QStringList{QStringLiteral("D1 - s1"), QStringLiteral("D3 - s3")}));
        QCOMPARE(rig.session->MailCount(), 2);
        QCOMPARE(rig.session->selectedMessage(), Pop3Session::NoSelection);
        QVERIFY(rig.logged(QStringLiteral(" DataArrival (send data)    : DELE 2")));
    }
}

void TestPop3Session::secureConnection_data() {
    QTest::addColumn<bool>("trusted");
    QTest::newRow("trusted certificate") << true;
    QTest::newRow("untrusted certificate") << false;
}

void TestPop3Session::secureConnection() {
    REQUIRE_DOVECOT();
    QFETCH(bool, trusted);
    // The private server cannot have port 995: its TLS port stands in for it.
    Rig rig(m_dovecot.tlsPort(), QStringLiteral("one"));
    rig.settings.txtServeurIP = QStringLiteral("localhost");
    rig.session->setImplicitTlsPort(m_dovecot.tlsPort());
    QFile pem(m_dovecot.certificatePath());
    QVERIFY(pem.open(QIODevice::ReadOnly));
    if (trusted)
        rig.session->socket().setExtraCaCertificates(QSslCertificate::fromData(pem.readAll()));
    rig.session->cmdCheckMail_Click();
    QVERIFY(rig.finished());
    if (trusted) {
        QCOMPARE(rig.session->entries(), QStringList{QStringLiteral("Ann - Lunch")});
    } else {
        QVERIFY2(rig.session->status().startsWith(
                     QStringLiteral("Error # 10500 Secure connection failed: ")),
                 qPrintable(rig.session->status()));
        QVERIFY(rig.logged(QStringLiteral(" Error                      : 10500")));
        QVERIFY(!rig.logged(QStringLiteral("USER")));
        QVERIFY(rig.session->entries().isEmpty());
    }
}

void TestPop3Session::faults_data() {
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("starter");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("trayTip");
    QTest::addColumn<QString>("logLine");
    QTest::addColumn<QString>("lastCommand");
    const int check = int(Pop3Session::Starter::CheckButton);
    const int read = int(Pop3Session::Starter::ListClick);
    const QString readError = QStringLiteral("Quillaboard. Mail reading error");
    QTest::newRow("stalls after the greeting")
        << Greeting << QStringLiteral("stall") << check << QStringLiteral("Error : Timeout")
        << QStringLiteral("Quillaboard. (server not responding)")
        << QStringLiteral(" Timeout                    : Winsock1.state=7  Mailstade=1")
        << QStringLiteral("USER ann");
    QTest::newRow("-ERR to PASS") << Greeting << QStringLiteral("refuse password") << check
                                  << QStringLiteral("-ERR no") << readError
                                  << QStringLiteral(" DataArrival (send data)    : QUIT")
                                  << QStringLiteral("QUIT");
    QTest::newRow("closes in the middle of a reply")
        << Greeting << QStringLiteral("close in TOP") << check << readError << readError
        << QStringLiteral(" Closed by the server       : Winsock1.state=8  Mailstade=4")
        << QStringLiteral("TOP 1 0");
    QTest::newRow("-ERR to a reading: a fresh count")
        << Greeting << QStringLiteral("refuse TOP") << read
        << QStringLiteral("You have 2 message(s) waiting")
        << QStringLiteral("Quillaboard. 2 message(s) waiting")
        << QStringLiteral(" DataArrival (send data)    : STAT") << QStringLiteral("QUIT");
    QTest::newRow("10 MB line") << QByteArray() << QStringLiteral("endless line") << check
                                << readError << readError
                                << QStringLiteral("reply longer than 65536 bytes") << QString();
    QTest::newRow("endless TOP reply")
        << Greeting << QStringLiteral("endless TOP") << check << readError << readError
        << QStringLiteral("reply longer than 1048576 bytes") << QStringLiteral("TOP 1 0");
    QTest::newRow("no count in the STAT answer")
        << Greeting << QStringLiteral("bad STAT") << check << readError << readError
        << QStringLiteral(" DataArrival (error)        : Winsock1.state=7  Mailstade=3")
        << QStringLiteral("STAT");
}

void TestPop3Session::faults() {
    QFETCH(QByteArray, greeting);
    QFETCH(QString, fault);
    QFETCH(int, starter);
    QFETCH(QString, status);
    QFETCH(QString, trayTip);
    QFETCH(QString, logLine);
    QFETCH(QString, lastCommand);
    ScriptedServer server(greeting, [&](QTcpSocket* peer, const QByteArray& line) -> QByteArray {
        if (fault == u"stall" && line.startsWith("USER"))
            return {};
        if (fault == u"refuse password" && line.startsWith("PASS"))
            return "-ERR no\r\n";
        if (fault == u"close in TOP" && line.startsWith("TOP")) {
            peer->write("+OK\r\nFrom: half");
            peer->flush();
            peer->disconnectFromHost();
            return {};
        }
        if (fault == u"refuse TOP" && line.endsWith(" 100"))
            return "-ERR no such message\r\n";
        if (fault == u"endless TOP" && line.startsWith("TOP")) {
            const QByteArray chunk = QByteArray(64 * 1024, 'x') + "\r\n";
            return "+OK\r\n" + chunk.repeated(40);
        }
        if (fault == u"bad STAT" && line.startsWith("STAT"))
            return "+OK many\r\n";
        return usual(2)(peer, line);
    });
    Rig rig(server.port(), QStringLiteral("ann"));
    rig.session->setReplyTimeoutMs(fault == u"stall" ? 300 : 20000);
    std::unique_ptr<QTcpServer> flood;
    if (fault == u"endless line") {
        flood = std::make_unique<QTcpServer>();
        QVERIFY(flood->listen(QHostAddress::LocalHost, 0));
        connect(flood.get(), &QTcpServer::newConnection, this, [&] {
            QTcpSocket* peer = flood->nextPendingConnection();
            peer->write(QByteArray(10 * 1024 * 1024, 'y'));
        });
        rig.settings.txtPort = QString::number(flood->serverPort());
    }
    if (starter == int(Pop3Session::Starter::ListClick))
        rig.session->readMessage(1, Pop3Session::Starter::ListClick);
    else
        rig.session->cmdCheckMail_Click();
    QVERIFY(rig.finished());
    QCOMPARE(rig.session->status(), status);
    QCOMPARE(rig.session->trayTip(), trayTip);
    QVERIFY2(rig.logged(logLine), qPrintable(rig.logText().right(2000)));
    if (!lastCommand.isEmpty())
        QCOMPARE(server.commands.last(), lastCommand);
    QVERIFY(!rig.logged(QStringLiteral("PASS secret")));
    if (fault == u"bad STAT")
        QCOMPARE(rig.messages.count(), 1);
    else
        QCOMPARE(rig.messages.count(), 0);
}

void TestPop3Session::repliesSplitAnywhere() {
    // Every reply, the greeting included, arrives in pieces of three bytes.
    ScriptedServer server(Greeting, usual(2), 3);
    Rig rig(server.port(), QStringLiteral("zoe"));
    rig.session->cmdCheckMail_Click();
    QVERIFY(rig.finished());
    QCOMPARE(rig.session->entries(),
             (QStringList{QStringLiteral("Zoe - part 1"), QStringLiteral("Zoe - part 2")}));
    QCOMPARE(server.commands.last(), QStringLiteral("QUIT"));
}

void TestPop3Session::countsThatChangeNothing_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("manual");
    QTest::addColumn<int>("headerRequests");
    QTest::addColumn<int>("notifications");
    // The timer counts twice: the same count leaves the list alone.
    QTest::newRow("same count by the timer") << false << false << 2 << 1;
    // The check button starts from 0 and lists again.
    QTest::newRow("same count by the button") << false << true << 4 << 2;
    QTest::newRow("silent") << true << true << 0 << 0;
}

void TestPop3Session::countsThatChangeNothing() {
    QFETCH(bool, silent);
    QFETCH(bool, manual);
    QFETCH(int, headerRequests);
    QFETCH(int, notifications);
    ScriptedServer server(Greeting, usual(2));
    Rig rig(server.port(), QStringLiteral("ann"));
    rig.settings.chkMailSilent = silent ? 1 : 0;
    rig.settings.txtMailInterval = QStringLiteral("30");
    QSignalSpy complete(rig.session.get(), &Pop3Session::listComplete);
    for (int round = 0; round < 2; ++round) {
        if (manual)
            rig.session->cmdCheckMail_Click();
        else
            rig.session->timCheckMail_Timer();
        QVERIFY(rig.finished());
        QTRY_COMPARE(server.connections, round + 1);
    }
    QCOMPARE(server.commands.filter(QStringLiteral("TOP")).size(), headerRequests);
    QCOMPARE(complete.count(), notifications);
    QCOMPARE(rig.session->MailCount(), 2);
}

void TestPop3Session::timerIntervals_data() {
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QList<int>>("intervals"); // the interval after each tick
    QTest::newRow("30 s") << QStringLiteral("30") << QList<int>{30000, 30000};
    QTest::newRow("150 s: 30 s, then minutes")
        << QStringLiteral("150") << QList<int>{30000, 60000, 60000, 30000};
    QTest::newRow("2 min exactly") << QStringLiteral("120") << QList<int>{1000, 60000, 60000, 1000};
}

void TestPop3Session::timerIntervals() {
    QFETCH(QString, seconds);
    QFETCH(QList<int>, intervals);
    Rig rig(0, QStringLiteral("ann"));
    rig.settings.txtServeurIP.clear(); // ticks without a check
    rig.settings.txtMailInterval = seconds;
    QList<int> seen;
    for (int i = 0; i < intervals.size(); ++i) {
        rig.session->timCheckMail_Timer();
        seen << rig.session->timerInterval();
    }
    QCOMPARE(seen, intervals);
}

void TestPop3Session::silentTimerSessionIsReportedAndRestarted() {
    // The server accepts but never greets: the next tick says so and connects again.
    ScriptedServer server(QByteArray(), usual(0));
    Rig rig(server.port(), QStringLiteral("ann"));
    rig.settings.txtMailInterval = QStringLiteral("30");
    rig.session->timCheckMail_Timer();
    QTRY_COMPARE(server.connections, 1);
    QCOMPARE(rig.session->Mailstade(), 8);
    rig.session->timCheckMail_Timer();
    QCOMPARE(rig.session->status(), QStringLiteral("Error : Timeout"));
    QCOMPARE(rig.session->trayTip(), QStringLiteral("Quillaboard. (server not responding)"));
    QTRY_COMPARE(server.connections, 2);
    QCOMPARE(rig.session->Mailstade(), 8);
    QVERIFY(rig.logged(QStringLiteral("Déclenchement timer (close) : Winsock1.state=")));
}

void TestPop3Session::startersThatStartNothing_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("networkUp");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("trayTip");
    QTest::newRow("no server") << QString() << QStringLiteral("110") << true << QString()
                               << QString();
    QTest::newRow("no port") << QStringLiteral("127.0.0.1") << QString() << true << QString()
                             << QString();
    QTest::newRow("no network") << QStringLiteral("127.0.0.1") << QStringLiteral("110") << false
                                << QStringLiteral("No network")
                                << QStringLiteral("Quillaboard (no network)");
}

void TestPop3Session::startersThatStartNothing() {
    QFETCH(QString, server);
    QFETCH(QString, port);
    QFETCH(bool, networkUp);
    QFETCH(QString, status);
    QFETCH(QString, trayTip);
    Rig rig(0, QStringLiteral("ann"));
    rig.settings.txtServeurIP = server;
    rig.settings.txtPort = port;
    rig.settings.chkCheckConnection = 1;
    rig.session->setNetworkCheck([networkUp] { return networkUp; });
    rig.session->cmdCheckMail_Click();
    rig.session->timCheckMail_Timer();
    QCOMPARE(rig.session->socket().State(), SocketControl::sckClosed);
    QCOMPARE(rig.session->status(), status);
    QCOMPARE(rig.session->trayTip(), trayTip);
    QCOMPARE(rig.session->progress(), QString());
    QCOMPARE(rig.logged(QStringLiteral("No Internet connection      : Winsock1.state=0")),
             !networkUp);
}

QB_TEST_CLASS(TestPop3Session)

#include "tst_pop3session.moc"
