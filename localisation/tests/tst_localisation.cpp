#include "localisation/frmmsgbox.h"
#include "localisation/messageboxservice.h"
#include "localisation/translator.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `act` on the modal box showing `text` as soon as it is up; when it never comes up the
// boxes are closed so that the test fails instead of hanging.
void onModalBox(MessageBoxService& service, const QString& text,
                const std::function<void(frmMsgbox*)>& act) {
    auto* timer = new QTimer(&service);
    QObject::connect(timer, &QTimer::timeout, &service, [=, &service, tries = 0]() mutable {
        auto* box = qobject_cast<frmMsgbox*>(QApplication::activeModalWidget());
        const bool up = box != nullptr && box->isVisible() && box->lblMsgbox()->text() == text;
        if (!up && ++tries <= 2000)
            return;
        timer->stop();
        timer->deleteLater();
        up ? act(box) : service.unloadAll();
    });
    timer->start(5);
}

void click(frmMsgbox* box, int button) {
    QTest::mouseClick(box->cmdmsgbox(button), Qt::LeftButton);
}

QStringList texts(const MessageBoxService& service) {
    QStringList out;
    for (const frmMsgbox* box : service.openBoxes())
        out << (box->isVisible() ? box->lblMsgbox()->text() : QStringLiteral("hidden"));
    return out;
}

} // namespace

// The numbered messages and the program's message boxes.
class TestLocalisation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_translator.setDiagnostics(&m_log, &m_debugMode); }
    void init() { m_log.lines.clear(); }
    void cleanup() { QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty()); }
    void messagesKeepTheirNumbers_data();
    void messagesKeepTheirNumbers();
    void informationBox_data();
    void informationBox();
    void blockingBoxReturnsItsAnswer_data();
    void blockingBoxReturnsItsAnswer();
    void elevenBoxesAtOnceAndATwelfthEvictsTheOldest();
    void iconsAreCrispAtBothScales();

private:
    Translator m_translator;
    FakeDiagnosticLog m_log;
    bool m_debugMode = true;
};

void TestLocalisation::messagesKeepTheirNumbers_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    // 100 repeats 80's text, 101 does not repeat 81's: a table shifted by one fails here.
    QTest::newRow("101") << 101 << QStringLiteral("No network");
    QTest::newRow("103, added after the original list")
        << 103 << QStringLiteral("The notes could not be saved.");
}

void TestLocalisation::messagesKeepTheirNumbers() {
    QFETCH(int, id);
    QFETCH(QString, text);
    // Each lookup is traced in diagnostic mode only.
    m_debugMode = false;
    QCOMPARE(m_translator.Translation(id), text);
    m_debugMode = true;
    QCOMPARE(m_translator.Translation(id), text);
    QCOMPARE(m_log.lines.size(), 1);
    QCOMPARE(m_log.lines.first().fileName, QStringLiteral("DebugMode.log"));
    QCOMPARE(m_log.lines.first().line,
             QStringLiteral("[Translation] English native message ID=%1").arg(id));
}

void TestLocalisation::blockingBoxReturnsItsAnswer_data() {
    QTest::addColumn<int>("press");     // -1: the window's close box
    QTest::addColumn<bool>("question"); // false: a blocking box with "Ok" only
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << 0 << true << 0;
    QTest::newRow("No") << 1 << true << 1;
    QTest::newRow("closed question answers No") << -1 << true << 1;
    QTest::newRow("closed blocking Ok answers 1") << -1 << false << 1;
}

void TestLocalisation::blockingBoxReturnsItsAnswer() {
    QFETCH(int, press);
    QFETCH(bool, question);
    QFETCH(int, answer);
    MessageBoxService service(m_translator);
    QStringList shown; // open, the title, the captions of the visible buttons, 7 pixels apart
    onModalBox(service, QStringLiteral("Sure?"), [&](frmMsgbox* box) {
        shown << (service.MessageBoxOpen() ? QStringLiteral("open") : QString())
              << box->windowTitle() << box->cmdmsgbox(0)->text();
        if (box->cmdmsgbox(1)->isVisible())
            shown << box->cmdmsgbox(1)->text()
                  << QString::number(
                         box->cmdmsgbox(1)->x() - box->cmdmsgbox(0)->geometry().right() > 6);
        if (press < 0)
            box->close();
        else
            click(box, press);
    });
    QCOMPARE(
        service.Message_box(QStringLiteral("Sure?"), QStringLiteral("Confirm delete"),
                            question ? msgbox::Question : MessageBoxOptions{0, 4, 0, 0, -1, -1}),
        answer);
    QCOMPARE(shown.join(QLatin1Char('|')),
             QLatin1String(question ? "open|Confirm delete|Yes|No|1" : "open|Confirm delete|Ok"));
    QVERIFY(service.depth() == 0 && !service.MessageBoxOpen());
    // The captions are messages 27 and 28, so a translation changes them.
    QStringList traced;
    for (const auto& line : m_log.lines)
        traced.append(line.line.section(QLatin1Char('='), 1));
    if (question)
        QVERIFY(traced.contains(QStringLiteral("27")) && traced.contains(QStringLiteral("28")));
}

void TestLocalisation::elevenBoxesAtOnceAndATwelfthEvictsTheOldest() {
    MessageBoxService service(m_translator);
    QSignalSpy openSpy(&service, &MessageBoxService::MessageBoxOpenChanged);
    QStringList expected;
    for (int n = 1; n <= MessageBoxService::MaxBoxes + 1; ++n) {
        QCOMPARE(service.Message_box(QString::number(n), QString(), msgbox::Error), 0);
        expected << QString::number(n);
    }
    expected.removeFirst();
    QCOMPARE(texts(service), expected);
    // A question still finds room in the full table; one asked meanwhile leaves the "a box is
    // open" flag up when it closes; closing everything ends the wait.
    QStringList whileAsked;
    int inner = -1;
    bool openAfterInner = false;
    onModalBox(service, QStringLiteral("Quit?"), [&](frmMsgbox*) {
        whileAsked = texts(service);
        onModalBox(service, QStringLiteral("Sure?"), [](frmMsgbox* box) { click(box, 0); });
        inner = service.Message_box(QStringLiteral("Sure?"), QString(), msgbox::Question);
        openAfterInner = service.MessageBoxOpen();
        service.unloadAll();
    });
    QCOMPARE(service.Message_box(QStringLiteral("Quit?"), QString(), msgbox::Question), 1);
    QCOMPARE(whileAsked, expected.mid(1) << QStringLiteral("Quit?"));
    QVERIFY(inner == 0 && openAfterInner && service.depth() == 0 && !service.MessageBoxOpen());
    QCOMPARE(openSpy.count(), 2); // on, then off
}

void TestLocalisation::informationBox_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("left"); // twips; 0 or less: centred
    QTest::addColumn<int>("top");
    QTest::newRow("short, left given")
        << QStringLiteral("first <b>line</b>\r\nsecond line") << QString() << 750 << 0;
    QTest::newRow("long, top given")
        << QStringLiteral("word ").repeated(400)
        << QStringLiteral("The start-up folder of this program could not be found") << -15 << 450;
}

void TestLocalisation::informationBox() {
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, left);
    QFETCH(int, top);
    MessageBoxService service(m_translator);
    // It returns at once and stays, above the notes, as plain text.
    QCOMPARE(service.Message_box(text, title, {0, 0, left, top, 0, -1}), 0);
    QPointer<frmMsgbox> box = service.openBoxes().first();
    QVERIFY(box->isVisible() && !box->isModal() && !service.MessageBoxOpen());
    QVERIFY(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(box->lblMsgbox()->text(), text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(box->lblMsgbox()->textFormat(), Qt::PlainText);
    if (title.isEmpty())
        QCOMPARE(title = box->windowTitle(), QStringLiteral("Quillaboard"));
    // Long lines wrap within the screen; the title in a bold face plus the window manager's icon
    // and three buttons (at least 25 pixels each) fit beside each other.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(box->lblMsgbox()->wordWrap(), text.size() > 100);
    QVERIFY(box->width() <= area.width());
    QFont bold = QApplication::font();
    bold.setBold(true);
    QVERIFY(box->width() >= QFontMetrics(bold).horizontalAdvance(title) + 4 * 25);
    // The window frame is only known once shown; centring allows for it.
    const QRect frame = box->frameGeometry();
    const int slack = qMax(2, frame.width() - box->width());
    QVERIFY(left > 0 ? frame.x() == left / 15
                     : qAbs(frame.center().x() - area.center().x()) <= slack);
    QVERIFY(top > 0 ? frame.y() == top / 15
                    : qAbs(frame.center().y() - area.center().y()) <= slack);
    click(box, 0);
    QTRY_VERIFY(box.isNull());
    QCOMPARE(service.depth(), 0);
}

void TestLocalisation::iconsAreCrispAtBothScales() {
    for (int option = 1; option <= frmMsgbox::IconCount; ++option) {
        // Full size at twice the scale, and not blank.
        const QPixmap pixmap = frmMsgbox::picMsgboxArray(option).pixmap(QSize(32, 32), 2.0);
        QImage blank(QSize(64, 64), QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        QCOMPARE(pixmap.size(), blank.size());
        QVERIFY2(pixmap.toImage().convertToFormat(QImage::Format_ARGB32) != blank,
                 qPrintable(QString::number(option)));
    }
    QVERIFY(frmMsgbox::picMsgboxArray(0).isNull() && frmMsgbox::picMsgboxArray(8).isNull());
}

QB_TEST_CLASS(TestLocalisation)
QB_TEST_MAIN
#include "tst_localisation.moc"
