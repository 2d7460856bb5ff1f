#include "localisation/frmmsgbox.h"
#include "localisation/messageboxservice.h"
#include "localisation/translator.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Runs `act` on the modal box showing `text` as soon as it is up; when it never comes up the
// boxes are closed so that the test fails instead of hanging.
void onModalBox(MessageBoxService& service, const QString& text,
                const std::function<void(frmMsgbox*)>& act) {
    auto* timer = new QTimer(&service);
    timer->setInterval(5);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, &service, [&service, timer, tries, text, act] {
        auto* box = qobject_cast<frmMsgbox*>(QApplication::activeModalWidget());
        const bool up = box != nullptr && box->isVisible() && box->lblMsgbox()->text() == text;
        if (!up && ++*tries <= 2000)
            return;
        timer->stop();
        timer->deleteLater();
        if (up)
            act(box);
        else
            service.unloadAll();
    });
    timer->start();
}

QStringList texts(const MessageBoxService& service) {
    QStringList out;
    for (const frmMsgbox* box : service.openBoxes())
        out << (box->isVisible() ? box->lblMsgbox()->text() : QStringLiteral("hidden"));
    return out;
}

bool hasOpaquePixel(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

} // namespace

class TestMsgbox : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void informationBoxReturnsAtOnceAndStays();
    void blockingBoxReturnsItsAnswer_data();
    void blockingBoxReturnsItsAnswer();
    void nestedQuestionsKeepTheFlagUntilTheLastCloses();
    void elevenBoxesAtOnceAndATwelfthEvictsTheOldest();
    void placement_data();
    void placement();
    void longLinesWrapWithinTheScreen();
    void titleAndButtonsHaveRoom_data();
    void titleAndButtonsHaveRoom();
    void iconsAreCrispAtBothScales_data();
    void iconsAreCrispAtBothScales();
    void unloadAllClosesEverything();

private:
    Translator m_translator;
};

void TestMsgbox::cleanup() {
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestMsgbox::informationBoxReturnsAtOnceAndStays() {
    MessageBoxService service(m_translator);
    QCOMPARE(service.Message_box(QStringLiteral("first <b>line</b>\r\nsecond line"), QString(),
                                 msgbox::Info),
             0);
    QPointer<frmMsgbox> box = service.openBoxes().first();
    QVERIFY(box->isVisible() && !box->isModal());
    QVERIFY(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!service.MessageBoxOpen());
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillaboard"));
    QCOMPARE(box->lblMsgbox()->text(), QStringLiteral("first <b>line</b>\nsecond line"));
    QCOMPARE(box->lblMsgbox()->textFormat(), Qt::PlainText);
    QVERIFY(box->cmdmsgbox(1)->isHidden());

    QTest::mouseClick(box->cmdmsgbox(0), Qt::LeftButton);
    QTRY_VERIFY(box.isNull());
    QCOMPARE(service.depth(), 0);
}

void TestMsgbox::blockingBoxReturnsItsAnswer_data() {
    QTest::addColumn<int>("press");     // -1: the window's close box
    QTest::addColumn<bool>("question"); // false: a blocking box with "Ok" only
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << 0 << true << 0;
    QTest::newRow("No") << 1 << true << 1;
    QTest::newRow("closed question answers No") << -1 << true << 1;
    QTest::newRow("closed blocking Ok answers 1") << -1 << false << 1;
}

void TestMsgbox::blockingBoxReturnsItsAnswer() {
    QFETCH(int, press);
    QFETCH(bool, question);
    QFETCH(int, answer);
    Translator translator;
    FakeDiagnosticLog log;
    bool debugMode = true;
    translator.setDiagnostics(&log, &debugMode);
    MessageBoxService service(translator);
    QSignalSpy openSpy(&service, &MessageBoxService::MessageBoxOpenChanged);
    bool openWhileShown = false;
    QStringList shown; // the title, then the captions of the visible buttons
    onModalBox(service, QStringLiteral("Are you sure?"), [&](frmMsgbox* box) {
        openWhileShown = service.MessageBoxOpen();
        shown << box->windowTitle() << box->cmdmsgbox(0)->text();
        if (box->cmdmsgbox(1)->isVisible())
            shown << box->cmdmsgbox(1)->text();
        if (press < 0)
            box->close();
        else
            QTest::mouseClick(box->cmdmsgbox(press), Qt::LeftButton);
    });
    const MessageBoxOptions blockingOk{0, 4, 0, 0, -1, -1};
    QCOMPARE(service.Message_box(QStringLiteral("Are you sure?"), QStringLiteral("Confirm delete"),
                                 question ? msgbox::Question : blockingOk),
             answer);
    QCOMPARE(service.depth(), 0);
    QVERIFY(!service.MessageBoxOpen());
    if (!question) {
        QCOMPARE(shown, QStringList({QStringLiteral("Confirm delete"), QStringLiteral("Ok")}));
        return;
    }
    QCOMPARE(shown, QStringList({QStringLiteral("Confirm delete"), QStringLiteral("Yes"),
                                 QStringLiteral("No")}));
    QVERIFY(openWhileShown);
    QCOMPARE(openSpy.count(), 2); // on, then off
    // The captions are messages 27 and 28, so a translation changes them.
    QStringList traced;
    for (const auto& line : log.lines)
        traced.append(line.line);
    QVERIFY(traced.contains(QStringLiteral("[Translation] English native message ID=27")));
    QVERIFY(traced.contains(QStringLiteral("[Translation] English native message ID=28")));
}

void TestMsgbox::nestedQuestionsKeepTheFlagUntilTheLastCloses() {
    MessageBoxService service(m_translator);
    QSignalSpy openSpy(&service, &MessageBoxService::MessageBoxOpenChanged);
    int inner = -1;
    bool openAfterInner = false;
    onModalBox(service, QStringLiteral("outer"), [&](frmMsgbox* outer) {
        onModalBox(service, QStringLiteral("inner"),
                   [](frmMsgbox* box) { QTest::mouseClick(box->cmdmsgbox(1), Qt::LeftButton); });
        inner = service.Message_box(QStringLiteral("inner"), QString(), msgbox::Question);
        openAfterInner = service.MessageBoxOpen();
        QTest::mouseClick(outer->cmdmsgbox(0), Qt::LeftButton);
    });
    QCOMPARE(service.Message_box(QStringLiteral("outer"), QString(), msgbox::Question), 0);
    QCOMPARE(inner, 1);
    QVERIFY(openAfterInner);
    QVERIFY(!service.MessageBoxOpen());
    QCOMPARE(openSpy.count(), 2);
}

void TestMsgbox::elevenBoxesAtOnceAndATwelfthEvictsTheOldest() {
    MessageBoxService service(m_translator);
    QStringList expected;
    for (int n = 1; n <= MessageBoxService::MaxBoxes; ++n) {
        QCOMPARE(service.Message_box(QString::number(n), QString(), msgbox::Error), 0);
        expected << QString::number(n);
    }
    QCOMPARE(texts(service), expected);

    QPointer<frmMsgbox> oldest = service.openBoxes().first();
    QCOMPARE(service.Message_box(QStringLiteral("12"), QString(), msgbox::Error), 0);
    QVERIFY(oldest.isNull() || !oldest->isVisible());
    QTRY_VERIFY(oldest.isNull());
    expected.removeFirst();
    QCOMPARE(texts(service), expected << QStringLiteral("12"));

    // A question still finds room in the full table.
    onModalBox(service, QStringLiteral("Delete?"),
               [](frmMsgbox* box) { QTest::mouseClick(box->cmdmsgbox(1), Qt::LeftButton); });
    QCOMPARE(service.Message_box(QStringLiteral("Delete?"), QString(), msgbox::Question), 1);
    QCOMPARE(service.depth(), 10);
    QCOMPARE(texts(service).first(), QStringLiteral("3"));
    service.unloadAll();
    QCOMPARE(service.depth(), 0);
}

void TestMsgbox::placement_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::newRow("both given") << 1500 << 3000;
    QTest::newRow("left given") << 750 << 0;
    QTest::newRow("top given") << -15 << 450;
    QTest::newRow("centred") << 0 << 0;
}

void TestMsgbox::placement() {
    QFETCH(int, left);
    QFETCH(int, top);
    MessageBoxService service(m_translator);
    const MessageBoxOptions options{0, 0, left, top, 0, -1};
    (void)service.Message_box(QStringLiteral("Somewhere"), QString(), options);
    const frmMsgbox* box = service.openBoxes().first();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = box->frameGeometry();
    // The window frame is only known once shown; centring allows for it.
    const int slack = qMax(2, frame.width() - box->width());
    if (left > 0)
        QCOMPARE(frame.x(), left / 15);
    else
        QVERIFY(qAbs(frame.center().x() - area.center().x()) <= slack);
    if (top > 0)
        QCOMPARE(frame.y(), top / 15);
    else
        QVERIFY(qAbs(frame.center().y() - area.center().y()) <= slack);
    service.unloadAll();
}

void TestMsgbox::longLinesWrapWithinTheScreen() {
    MessageBoxService service(m_translator);
    const QString longLine = QStringLiteral("word ").repeated(400);
    (void)service.Message_box(longLine, QString(), msgbox::Info);
    const frmMsgbox* box = service.openBoxes().first();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(box->lblMsgbox()->wordWrap());
    QVERIFY(box->width() <= area.width());

    (void)service.Message_box(QStringLiteral("short"), QString(), msgbox::Info);
    QVERIFY(!service.openBoxes().last()->lblMsgbox()->wordWrap());
    service.unloadAll();
}

void TestMsgbox::titleAndButtonsHaveRoom_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("buttons");
    QTest::newRow("delete question") << QStringLiteral("Confirm delete") << 2;
    QTest::newRow("long title, one button")
        << QStringLiteral("The start-up folder of this program could not be found") << 0;
}

void TestMsgbox::titleAndButtonsHaveRoom() {
    QFETCH(QString, title);
    QFETCH(int, buttons);
    frmMsgbox box;
    box.setup(QStringLiteral("Are you sure?"), title, buttons, 2, m_translator);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // The title in a bold face plus the window manager's icon and three buttons (at least
    // 25 pixels each) fit beside each other.
    QFont bold = QApplication::font();
    bold.setBold(true);
    QVERIFY2(box.width() >= QFontMetrics(bold).horizontalAdvance(title) + 4 * 25,
             qPrintable(QString::number(box.width())));
    if (buttons != 0) {
        const QRect yes = box.cmdmsgbox(0)->geometry();
        const QRect no = box.cmdmsgbox(1)->geometry();
        QVERIFY(no.left() - yes.right() > 6);
    }
    box.close();
}

void TestMsgbox::iconsAreCrispAtBothScales_data() {
    QTest::addColumn<int>("option");
    for (int option = 1; option <= frmMsgbox::IconCount; ++option)
        QTest::addRow("icon %d", option) << option;
}

void TestMsgbox::iconsAreCrispAtBothScales() {
    QFETCH(int, option);
    const QIcon icon = frmMsgbox::picMsgboxArray(option);
    QVERIFY(!icon.isNull());
    for (const qreal scale : {1.0, 2.0}) {
        const QPixmap pixmap = icon.pixmap(QSize(32, 32), scale);
        QCOMPARE(pixmap.size(), QSize(32, 32) * scale);
        QVERIFY(hasOpaquePixel(pixmap));
    }
    QVERIFY(frmMsgbox::picMsgboxArray(0).isNull());
    QVERIFY(frmMsgbox::picMsgboxArray(8).isNull());
}

void TestMsgbox::unloadAllClosesEverything() {
    MessageBoxService service(m_translator);
    (void)service.Message_box(QStringLiteral("note"), QString(), msgbox::Info);
    onModalBox(service, QStringLiteral("Quit?"), [&](frmMsgbox*) { service.unloadAll(); });
    QCOMPARE(service.Message_box(QStringLiteral("Quit?"), QString(), msgbox::Question), 1);
    QCOMPARE(service.depth(), 0);
    QVERIFY(!service.MessageBoxOpen());
}

QB_TEST_CLASS(TestMsgbox)
#include "tst_msgbox.moc"
