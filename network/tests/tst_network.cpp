#include "network/addressbook.h"
#include "network/notemessage.h"
#include "network/notereceiver.h"
#include "network/notesender.h"
#include "platform/testing/testmain.h"
#include "store/noterecord.h"

#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A port nobody listens on: bound once, then released.
int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A peer written here: connects, writes its bytes and, when asked, closes, all from the event
// loop so the receiver in the same thread keeps running.
QTcpSocket* peer(QObject* owner, int port, const QByteArray& bytes, bool close = true) {
    auto* socket = new QTcpSocket(owner);
    QObject::connect(socket, &QTcpSocket::connected, socket, [socket, bytes, close] {
        socket->write(bytes);
        if (close)
            socket->disconnectFromHost();
    });
    socket->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket;
}

QByteArray cp1252(const char* text) {
    return QByteArray(text);
}

} // namespace

class TestNoteMessage : public QObject {
    Q_OBJECT
private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void windowRules_data();
    void windowRules();
};

void TestNoteMessage::encode_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<float>("width");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Western text as single bytes, lines as CR LF")
        << u"en_GB"_s << u"10.0.0.5 (Ann)"_s << 2880.0F
        << QStringLiteral("caf\u00e9 = 5 \u20ac\nok")
        << cp1252("10.0.0.5 (Ann)=1500=3000=2880=1500=65535=255=caf\xe9 = 5 \x80\r\nok");
    QTest::newRow("decimal comma of the locale")
        << u"fr_FR"_s << u"pc (Ann)"_s << 2880.5F << QStringLiteral("x")
        << cp1252("pc (Ann)=1500=3000=2880,5=1500=65535=255=x");
    QTest::newRow("text beyond the code page: mark and UTF-8")
        << u"en_US"_s << u"pc (Ann)"_s << 2880.0F << QStringLiteral("\u65e5\u672c")
        << QByteArray(
               "\xEF\xBB\xBFpc (Ann)=1500=3000=2880=1500=65535=255=\xE6\x97\xA5\xE6\x9C\xAC");
    QTest::newRow("the mark's characters in Western text: UTF-8")
        << u"en_US"_s << u"pc (Ann)"_s << 2880.0F << QStringLiteral("a \u00ef\u00bb\u00bf b")
        << QByteArray("\xEF\xBB\xBFpc (Ann)=1500=3000=2880=1500=65535=255=a "
                      "\xC3\xAF\xC2\xBB\xC2\xBF b");
    QTest::newRow("an = in the identity would shift the fields")
        << u"en_US"_s << u"pc (a=b)"_s << 2880.0F << QStringLiteral("x")
        << cp1252("pc (a-b)=1500=3000=2880=1500=65535=255=x");
}

void TestNoteMessage::encode() {
    QFETCH(QString, locale);
    QFETCH(QString, sender);
    QFETCH(float, width);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    notemessage::Outgoing note{sender, 1500, 3000, width, 1500, 0xFFFF, 0xFF, text};
    const QByteArray wire = notemessage::encode(note, QLocale(locale));
    QCOMPARE(wire, bytes);
    // And a receiver in the same locale reads back what was sent.
    const notemessage::Incoming in = notemessage::decode(wire, QLocale(locale));
    QCOMPARE(in.fields, 7);
    QCOMPARE(in.sender.value_or(QString()), sender.replace(QLatin1Char('='), QLatin1Char('-')));
    QCOMPARE(in.width.value_or(-1), double(width));
    QCOMPARE(in.text, text);
}

void TestNoteMessage::decode_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("fields");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<double>("top");
    QTest::addColumn<QStringList>("unreadable");
    QTest::addColumn<QString>("text");
    const QStringList none;
    QTest::newRow("blanks around fields and text go, inner lines stay")
        << QByteArray(" ann (A) = 120 =1=2=3=4=5=  a = b\r\n\r\nc  ") << 7 << u"ann (A)"_s << 120.0
        << none << u"a = b\n\nc"_s;
    QTest::newRow("fewer than seven =: the rest is the text")
        << QByteArray("ann=300=hello") << 2 << u"ann"_s << 300.0 << none << u"hello"_s;
    QTest::newRow("no = at all: all text, no sender")
        << QByteArray("just text") << 0 << QString() << -1.0 << none << u"just text"_s;
    QTest::newRow("numbers of another locale and garbage")
        << QByteArray("a=1,5=x=1e999=nan= =0x10=t") << 7 << u"a"_s << 1.5
        << QStringList{u"Left"_s, u"Width"_s, u"Height"_s, u"BackColor"_s, u"ForeColor"_s}
        << u"t"_s;
    QTest::newRow("UTF-8 without the mark is read as Windows-1252")
        << QByteArray("a=1=1=1=1=1=1=\xC3\xA9") << 7 << u"a"_s << 1.0 << none
        << QStringLiteral("\u00c3\u00a9");
    QTest::newRow("lone CR from other programs")
        << QByteArray("a=1=1=1=1=1=1=x\ry") << 7 << u"a"_s << 1.0 << none << u"x\ny"_s;
}

void TestNoteMessage::decode() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, fields);
    QFETCH(QString, sender);
    QFETCH(double, top);
    QFETCH(QStringList, unreadable);
    QFETCH(QString, text);
    const notemessage::Incoming in = notemessage::decode(bytes, QLocale(QLocale::English));
    QCOMPARE(in.fields, fields);
    QCOMPARE(in.sender.value_or(QString()), sender);
    QCOMPARE(in.top.value_or(-1), top);
    QCOMPARE(in.unreadable, unreadable);
    QCOMPARE(in.text, text);
}

void TestNoteMessage::windowRules_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QRectF>("geometry"); // left, top, width, height after
    QTest::addColumn<int>("back");
    QTest::addColumn<int>("corrections");
    // Screen 15000 x 9000 twips; the new note sits at 600, 900, 3000 x 2000.
    QTest::newRow("inside the screen: taken as sent") << QByteArray("a=1200=2400=4000=3000=255=0=t")
                                                      << QRectF(2400, 1200, 4000, 3000) << 255 << 0;
    QTest::newRow("top 0, left negative: the new note's place")
        << QByteArray("a=0=-500=4000=3000=255=0=t") << QRectF(600, 900, 4000, 3000) << 255 << 2;
    QTest::newRow("left and top beyond the screen")
        << QByteArray("a=9000=15000=4000=3000=255=0=t") << QRectF(600, 900, 4000, 3000) << 255 << 2;
    QTest::newRow("sizes negative, zero, larger than the screen")
        << QByteArray("a=1=1=-4000=90000=255=0=t") << QRectF(1, 1, 3000, 2000) << 255 << 2;
    QTest::newRow("below the smallest note")
        << QByteArray("a=1=1=10=0.5=255=0=t") << QRectF(1, 1, 950, 500) << 255 << 2;
    QTest::newRow("colour beyond 32 bits, numbers that don't parse")
        << QByteArray("a=x=1=y=2000=99999999999=0=t") << QRectF(1, 900, 3000, 2000) << 0x00FFFF
        << 3;
}

void TestNoteMessage::windowRules() {
    QFETCH(QByteArray, bytes);
    QFETCH(QRectF, geometry);
    QFETCH(int, back);
    QFETCH(int, corrections);
    NoteRecord record;
    record.setTitle(QStringLiteral("New note"));
    NoteWindowState window;
    window.Left = 600;
    window.Top = 900;
    window.Width = 3000;
    window.Height = 2000;
    const notemessage::Placement placement{QSize(15000, 9000), 950, 500, QStringLiteral("From"),
                                           QStringLiteral("15/03/2024 10:30:00")};
    const QStringList corrected =
        notemessage::applyToNote(notemessage::decode(bytes), placement, record, window);
    QCOMPARE(QRectF(window.Left, window.Top, window.Width, window.Height), geometry);
    QCOMPARE(window.BackColor, back);
    QCOMPARE(corrected.size(), corrections);
    QCOMPARE(record.Title, QStringLiteral("From a 15/03/2024 10:30:00"));
}

class TestAddressBook : public QObject {
    Q_OBJECT
private slots:
    void identity_data();
    void identity();
    void fileKeepsEveryCharacter();
};

void TestAddressBook::identity_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("identity");
    QTest::newRow("name = IPv4") << u"Bob = 192.168.0.12 "_s << u"192.168.0.12"_s
                                 << u"10.0.0.5 (me)"_s;
    QTest::newRow("computer name") << u"Laptop=Laptop-2"_s << u"Laptop-2"_s << u"mybox (me)"_s;
    QTest::newRow("several =: after the first")
        << u"a=b=c.d.e.f"_s << u"b=c.d.e.f"_s << u"10.0.0.5 (me)"_s;
    QTest::newRow("bare address") << u" 10.1.1.1 "_s << u"10.1.1.1"_s << u"10.0.0.5 (me)"_s;
    QTest::newRow("two dots are a name")
        << u"x=my.host.lan"_s << u"my.host.lan"_s << u"mybox (me)"_s;
}

void TestAddressBook::identity() {
    QFETCH(QString, entry);
    QFETCH(QString, address);
    QFETCH(QString, identity);
    QCOMPARE(addressbook::addressPart(entry), address);
    QCOMPARE(addressbook::senderIdentity(address, QStringLiteral("me"), QStringLiteral("10.0.0.5"),
                                         QStringLiteral("MyBox")),
             identity);
}

void TestAddressBook::fileKeepsEveryCharacter() {
    QTemporaryDir dir;
    const QString path = dir.filePath(addressbook::FileName);
    QVERIFY(addressbook::read(path).isEmpty());
    // A file of the original format: Windows-1252 bytes, blank lines between.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("J\xfcrgen=10.0.0.7\r\n\r\nhost\r\n");
    old.close();
    QCOMPARE(addressbook::read(path),
             (QStringList{QStringLiteral("J\u00fcrgen=10.0.0.7"), QStringLiteral("host")}));
    const QStringList entries{QStringLiteral("\u674e=10.0.0.8"), QStringLiteral("J\u00fcrgen=x")};
    QVERIFY(!addressbook::write(path, entries).failed());
    QCOMPARE(addressbook::read(path), entries);
}

class TestReceiver : public QObject {
    Q_OBJECT
private slots:
    void init();
    void boundsAndListensAgain_data();
    void boundsAndListensAgain();
    void burstLosesNothing_data();
    void burstLosesNothing();
    void portTaken();
    void senderDeliversAndReportsRefusal();

private:
    std::unique_ptr<NoteReceiver> m_receiver;
    QStringList m_log;
    int m_port = 0;
};

void TestReceiver::init() {
    m_port = freePort();
    m_log.clear();
    m_receiver = std::make_unique<NoteReceiver>(m_port);
    m_receiver->setLog([this](const QString& line) { m_log << line; });
    m_receiver->setIdleTimeout(300);
    QVERIFY(m_receiver->Start_Serveur());
}

void TestReceiver::boundsAndListensAgain_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("close");
    QTest::addColumn<bool>("arrives");
    QTest::addColumn<QString>("logged");
    const QByteArray note("pc (A)=1=1=1=1=1=1=text");
    QTest::newRow("a note") << note << true << true << QString();
    QTest::newRow("closed without data") << QByteArray() << true << false << QString();
    QTest::newRow("the largest message")
        << note + QByteArray(NoteReceiver::MaxMessageBytes - note.size(), 'x') << true << true
        << QString();
    QTest::newRow("5 MB in one go") << QByteArray(5 * 1024 * 1024, 'x') << true << false
                                    << u"dropped the connection: message longer"_s;
    QTest::newRow("half a message, then waits")
        << note.left(10) << false << false << u"dropped the connection: nothing received"_s;
    QTest::newRow("connects and sends nothing")
        << QByteArray() << false << false << u"dropped the connection: nothing received"_s;
}

void TestReceiver::boundsAndListensAgain() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, close);
    QFETCH(bool, arrives);
    QFETCH(QString, logged);
    QSignalSpy messages(m_receiver.get(), &NoteReceiver::messageReceived);
    QTcpSocket* first = peer(this, m_port, bytes, close);
    if (!logged.isEmpty())
        QTRY_VERIFY(!m_log.filter(logged).isEmpty());
    // The receiver listens again: the next peer's note arrives whole.
    const QByteArray next("pc (B)=1=1=1=1=1=1=next");
    peer(this, m_port, next);
    QTRY_COMPARE(messages.size(), arrives ? 2 : 1);
    if (arrives)
        QCOMPARE(messages.first().first().toByteArray(), bytes);
    QCOMPARE(messages.last().first().toByteArray(), next);
    QCOMPARE(m_receiver->status(), NoteReceiver::Status::Listening);
    delete first;
}

void TestReceiver::burstLosesNothing_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("atOnce");
    QTest::newRow("1000 in a row") << 1000 << 1;
    QTest::newRow("20 peers at once") << 20 << 20;
}

void TestReceiver::burstLosesNothing() {
    QFETCH(int, count);
    QFETCH(int, atOnce);
    QSet<QByteArray> received;
    connect(m_receiver.get(), &NoteReceiver::messageReceived, this,
            [&](const QByteArray& message) { received.insert(message); });
    int started = 0;
    std::function<void()> next = [&] {
        if (started == count)
            return;
        const QByteArray note = "p=1=1=1=1=1=1=note " + QByteArray::number(started++);
        QTcpSocket* socket = peer(this, m_port, note);
        // Each peer of a row starts when the one before it has finished.
        connect(socket, &QTcpSocket::disconnected, socket, [&, socket] {
            socket->deleteLater();
            next();
        });
    };
    for (int i = 0; i < atOnce; ++i)
        next();
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), count, 60000);
    next = [] {};
}

void TestReceiver::portTaken() {
    NoteReceiver second(m_port);
    QSignalSpy failed(&second, &NoteReceiver::listenFailed);
    QVERIFY(!second.Start_Serveur());
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toInt(), 10048);
    QCOMPARE(second.status(), NoteReceiver::Status::Off);
}

void TestReceiver::senderDeliversAndReportsRefusal() {
    QSignalSpy messages(m_receiver.get(), &NoteReceiver::messageReceived);
    NoteSender sender;
    QSignalSpy sent(&sender, &NoteSender::sent);
    QSignalSpy failed(&sender, &NoteSender::failed);
    const QByteArray big = "pc=1=1=1=1=1=1=" + QByteArray(60000, 'y');
    sender.send(QStringLiteral("pc"), QStringLiteral("127.0.0.1"), m_port, [&] { return big; });
    QTRY_COMPARE(sent.size(), 1);
    QTRY_COMPARE(messages.size(), 1);
    QCOMPARE(messages.first().first().toByteArray(), big);

    sender.send(QStringLiteral("pc"), QStringLiteral("127.0.0.1"), freePort(),
                [] { return QByteArray("x"); });
    QTRY_COMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toInt(), 10061);
    QVERIFY(!sender.busy());
}

QB_TEST_CLASS(TestNoteMessage)
QB_TEST_CLASS(TestAddressBook)
QB_TEST_CLASS(TestReceiver)
#include "tst_network.moc"
