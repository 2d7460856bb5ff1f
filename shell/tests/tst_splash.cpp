#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "shell/frmsplash.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void init();
    void pictureOrder_data();
    void pictureOrder();
    void addressFromTheUrlFile_data();
    void addressFromTheUrlFile();
    void windowIsSizedFromThePictureAndCloses();

private:
    void touch(const QString& name, const QByteArray& bytes = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeDesktopShell m_shell;
};

void TestSplash::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_shell = FakeDesktopShell();
}

void TestSplash::touch(const QString& name, const QByteArray& bytes) {
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestSplash::pictureOrder_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("none") << QStringList() << QString();
    QTest::newRow("bmp") << QStringList{QStringLiteral("bmp")} << QStringLiteral("bmp");
    QTest::newRow("gif over bmp") << QStringList{QStringLiteral("bmp"), QStringLiteral("gif")}
                                  << QStringLiteral("gif");
    QTest::newRow("jpg over both")
        << QStringList{QStringLiteral("bmp"), QStringLiteral("gif"), QStringLiteral("jpg")}
        << QStringLiteral("jpg");
    QTest::newRow("other names") << QStringList{QStringLiteral("png"), QStringLiteral("JPG")}
                                 << QString();
}

void TestSplash::pictureOrder() {
    QFETCH(QStringList, present);
    QFETCH(QString, chosen);
    for (const QString& extension : present)
        touch(QStringLiteral("QuillaboardSplash.") + extension);
    const QString expected = chosen.isEmpty()
                                 ? QString()
                                 : m_dir->filePath(QStringLiteral("QuillaboardSplash.") + chosen);
    QCOMPARE(frmSplash::splashPicture(ProgramFolder(m_dir->path())), expected);
}

void TestSplash::addressFromTheUrlFile_data() {
    QTest::addColumn<bool>("hasFile");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("address");
    const QString builtIn = frmSplash::BuiltInAddress;
    QTest::newRow("no file") << false << QByteArray() << QStringLiteral("Quillaboard web site")
                             << builtIn;
    QTest::newRow("first line") << true << QByteArray("https://notes.example.net/\r\nsecond\r\n")
                                << QStringLiteral("https://notes.example.net/")
                                << QStringLiteral("https://notes.example.net/");
    QTest::newRow("no line break")
        << true << QByteArray("http://example.com/x?y=1")
        << QStringLiteral("http://example.com/x?y=1") << QStringLiteral("http://example.com/x?y=1");
    QTest::newRow("bare host") << true << QByteArray("www.example.org\n")
                               << QStringLiteral("www.example.org")
                               << QStringLiteral("http://www.example.org");
    QTest::newRow("a program is no address")
        << true << QByteArray("/usr/bin/xterm\r\n") << QStringLiteral("/usr/bin/xterm") << builtIn;
    QTest::newRow("a local file is no address") << true << QByteArray("file:///etc/passwd")
                                                << QStringLiteral("file:///etc/passwd") << builtIn;
    QTest::newRow("empty file") << true << QByteArray() << QStringLiteral("Quillaboard web site")
                                << builtIn;
}

void TestSplash::addressFromTheUrlFile() {
    QFETCH(bool, hasFile);
    QFETCH(QByteArray, content);
    QFETCH(QString, tooltip);
    QFETCH(QString, address);
    if (hasFile)
        touch(QStringLiteral("QuillaboardSplashURL.txt"), content);
    frmSplash splash(ProgramFolder(m_dir->path()), QStringLiteral("3.2.0"), m_shell, nullptr);
    QCOMPARE(splash.pictureToolTip(), tooltip);
    QCOMPARE(splash.address(), address);
    splash.picSplash_Click();
    QCOMPARE(m_shell.opened, QStringList{address});
}

void TestSplash::windowIsSizedFromThePictureAndCloses() {
    QImage picture(120, 60, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QVERIFY(picture.save(m_dir->filePath(QStringLiteral("QuillaboardSplash.bmp")), "BMP"));
    QWidget manager;
    const ProgramFolder folder(m_dir->path());
    auto* splash = new frmSplash(folder, QStringLiteral("3.2.0"), m_shell, &manager);
    QCOMPARE(splash->caption(), QStringLiteral("Quillaboard 3.2.0"));
    QVERIFY(splash->loadPicture(frmSplash::splashPicture(folder)));
    // 360 twips wider than the picture; the frame 225 twips higher, the window 1080 more.
    QCOMPARE(splash->size(), QSize(120 + 24, 60 + 15 + 72));
    QVERIFY(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(splash->parentWidget(), &manager);

    splash->start();
    QVERIFY(splash->isVisible());
    QVERIFY(splash->isTimerActive());
    splash->timSplash_Timer();
    QVERIFY(!splash->isVisible());
    QVERIFY(!splash->isTimerActive());

    QVERIFY(!splash->loadPicture(m_dir->filePath(QStringLiteral("missing.jpg"))));
}

QB_TEST_CLASS(TestSplash)
#include "tst_splash.moc"
