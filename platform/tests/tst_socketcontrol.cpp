#include "platform/socketcontrol.h"
#include "platform/testing/testcertificate.h"
#include "platform/testing/testmain.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A port nobody listens on: bound once, then released.
int closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

using qbtest::makeCertificate;

} // namespace

class TestSocketControl : public QObject {
    Q_OBJECT
private slots:
    void connectFailures_data();
    void connectFailures();
    void listenOnTakenPortFailsAtOnce();
    void roundTripInOrderAndClose();
    void burstOfPeersIsServedOneByOne();
    void secureConnect_data();
    void secureConnect();
};

void TestSocketControl::connectFailures_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("number");
    QTest::newRow("refused") << QStringLiteral("127.0.0.1") << closedPort()
                             << SocketControl::sckConnectionRefused;
    QTest::newRow("unknown host") << QStringLiteral("no-such-host.invalid") << 110
                                  << SocketControl::sckHostNotFound;
    QTest::newRow("port out of range")
        << QStringLiteral("127.0.0.1") << 70000 << SocketControl::sckInvalidArgument;
}

void TestSocketControl::connectFailures() {
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(int, number);
    SocketControl control;
    QSignalSpy errors(&control, &SocketControl::Error);
    QSignalSpy connected(&control, &SocketControl::Connected);
    control.Connect(host, port);
    QCOMPARE(errors.count(), 0); // never raised from inside the call
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 20000);
    QCOMPARE(errors.at(0).at(0).toInt(), number);
    QVERIFY(!errors.at(0).at(1).toString().isEmpty());
    QCOMPARE(control.State(), SocketControl::sckError);
    QCOMPARE(connected.count(), 0);
    control.Close();
    QCOMPARE(control.State(), SocketControl::sckClosed);
}

void TestSocketControl::listenOnTakenPortFailsAtOnce() {
    SocketControl first;
    QVERIFY(first.ListenOn(QStringLiteral("127.0.0.1"), 0));
    const int port = first.LocalPort();
    QVERIFY(port > 0);
    QCOMPARE(first.State(), SocketControl::sckListening);
    QVERIFY(first.ListenOn(QStringLiteral("127.0.0.1"), port)); // again: nothing changes

    SocketControl second;
    QSignalSpy errors(&second, &SocketControl::Error);
    QVERIFY(!second.Listen(port));
    QCOMPARE(second.LastError(), SocketControl::sckAddressInUse);
    QCOMPARE(second.State(), SocketControl::sckClosed);
    QCoreApplication::processEvents();
    QCOMPARE(errors.count(), 0);

    first.StopListening();
    QVERIFY(second.Listen(port));
}

void TestSocketControl::roundTripInOrderAndClose() {
    SocketControl server;
    QVERIFY(server.ListenOn(QStringLiteral("127.0.0.1"), 0));
    QSignalSpy requests(&server, &SocketControl::ConnectionRequest);
    QByteArray received;
    connect(&server, &SocketControl::DataArrival, this, [&] { received += server.GetData(); });

    SocketControl client;
    QSignalSpy connected(&client, &SocketControl::Connected);
    QSignalSpy complete(&client, &SocketControl::SendComplete);
    QSignalSpy progress(&client, &SocketControl::SendProgress);
    client.Connect(QStringLiteral("127.0.0.1"), server.LocalPort());
    QTRY_COMPARE(connected.count(), 1);
    QCOMPARE(client.State(), SocketControl::sckConnected);
    QTRY_COMPARE(requests.count(), 1);
    QVERIFY(server.Accept());
    QCOMPARE(server.State(), SocketControl::sckConnected);

    QByteArray payload;
    for (int i = 0; i < 200000; ++i)
        payload += QByteArray::number(i) + ',';
    client.SendData(payload.left(1000));
    client.SendData(payload.mid(1000));
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), payload.size(), 20000);
    QCOMPARE(received, payload);
    QTRY_VERIFY(complete.count() >= 1);
    QCOMPARE(progress.last().at(1).toLongLong(), 0);

    QSignalSpy closed(&server, &SocketControl::Closed);
    client.Close();
    QCOMPARE(client.State(), SocketControl::sckClosed);
    QTRY_COMPARE(closed.count(), 1);
    QCOMPARE(server.State(), SocketControl::sckClosing);
    server.Close();
    QCOMPARE(server.State(), SocketControl::sckListening);
    server.StopListening();
    QCOMPARE(server.State(), SocketControl::sckClosed);

    QSignalSpy errors(&client, &SocketControl::Error);
    client.SendData("late");
    QTRY_COMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), SocketControl::sckBadState);
}

void TestSocketControl::burstOfPeersIsServedOneByOne() {
    // Twenty peers connect, send and close at once while the server serves one at a time:
    // the others wait in the queue and nobody is lost.
    SocketControl server;
    QVERIFY(server.ListenOn(QStringLiteral("127.0.0.1"), 0));
    QStringList messages;
    QByteArray buffer;
    bool serving = false;
    auto acceptNext = [&] {
        if (!serving && server.PendingConnections() > 0) {
            serving = server.Accept();
            buffer.clear();
        }
    };
    connect(&server, &SocketControl::ConnectionRequest, this, acceptNext);
    connect(&server, &SocketControl::DataArrival, this, [&] { buffer += server.GetData(); });
    connect(&server, &SocketControl::Closed, this, [&] {
        buffer += server.GetData();
        messages << QString::fromLatin1(buffer);
        server.Close();
        serving = false;
        acceptNext();
    });

    std::vector<std::unique_ptr<QTcpSocket>> peers;
    for (int i = 0; i < 20; ++i) {
        auto peer = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = peer.get();
        connect(raw, &QTcpSocket::connected, raw, [raw, i] {
            raw->write(QByteArray("peer ") + QByteArray::number(i));
            raw->disconnectFromHost();
        });
        raw->connectToHost(QHostAddress::LocalHost, server.LocalPort());
        peers.push_back(std::move(peer));
    }
    QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 20, 20000);
    messages.sort();
    QStringList expected;
    for (int i = 0; i < 20; ++i)
        expected << QStringLiteral("peer %1").arg(i);
    expected.sort();
    QCOMPARE(messages, expected);
}

void TestSocketControl::secureConnect_data() {
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("connects");
    QTest::newRow("trusted certificate") << true << QStringLiteral("localhost") << true;
    QTest::newRow("untrusted certificate") << false << QStringLiteral("localhost") << false;
    QTest::newRow("wrong host name") << true << QStringLiteral("127.0.0.1") << false;
}

void TestSocketControl::secureConnect() {
    QFETCH(bool, trusted);
    QFETCH(QString, host);
    QFETCH(bool, connects);
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS library available to Qt");
    QTemporaryDir dir;
    QString certPath;
    QString keyPath;
    if (!makeCertificate(dir.path(), &certPath, &keyPath))
        QSKIP("openssl could not make a test certificate");
    QFile certFile(certPath);
    QFile keyFile(keyPath);
    QVERIFY(certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate certificate(&certFile, QSsl::Pem);
    const QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem);

    QSslServer tlsServer;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(certificate);
    config.setPrivateKey(key);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    tlsServer.setSslConfiguration(config);
    QVERIFY(tlsServer.listen(QHostAddress::LocalHost, 0));
    QByteArray serverReceived;
    connect(&tlsServer, &QTcpServer::pendingConnectionAvailable, this, [&] {
        QTcpSocket* peer = tlsServer.nextPendingConnection();
        connect(peer, &QIODevice::readyRead, this,
                [&, peer] { serverReceived += peer->readAll(); });
    });

    SocketControl client;
    client.setSecure(true);
    if (trusted)
        client.setExtraCaCertificates({certificate});
    QSignalSpy connected(&client, &SocketControl::Connected);
    QSignalSpy errors(&client, &SocketControl::Error);
    client.Connect(host, tlsServer.serverPort());
    QTRY_COMPARE_WITH_TIMEOUT(connected.count() + errors.count(), 1, 20000);
    if (connects) {
        QCOMPARE(client.State(), SocketControl::sckConnected);
        client.SendData("USER someone\r\n");
        QTRY_COMPARE(serverReceived, QByteArray("USER someone\r\n"));
    } else {
        QCOMPARE(errors.at(0).at(0).toInt(), SocketControl::sckSecureChannelFailed);
        QVERIFY2(
            errors.at(0).at(1).toString().startsWith(QStringLiteral("Secure connection failed: ")),
            qPrintable(errors.at(0).at(1).toString()));
        QVERIFY(client.State() != SocketControl::sckConnected);
        QVERIFY(serverReceived.isEmpty());
    }
}

QB_TEST_CLASS(TestSocketControl)

#include "tst_socketcontrol.moc"
