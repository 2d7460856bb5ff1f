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
    void closesOnItsTimer();

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
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("gif over bmp") << QStringLiteral("bmp gif") << QStringLiteral("gif");
    QTest::newRow("jpg over both") << QStringLiteral("bmp gif jpg") << QStringLiteral("jpg");
}

void TestSplash::pictureOrder() {
    QFETCH(QString, present);
    QFETCH(QString, chosen);
    const QString base = QStringLiteral("QuillaboardSplash.");
    for (const QString& extension : present.split(QLatin1Char(' ')))
        touch(base + extension);
    QCOMPARE(frmSplash::splashPicture(ProgramFolder(m_dir->path())),
             m_dir->filePath(base + chosen));
}

void TestSplash::addressFromTheUrlFile_data() {
    QTest::addColumn<QByteArray>("content"); // no file when null
    QTest::addColumn<QString>("address");
    QTest::newRow("no file") << QByteArray() << frmSplash::BuiltInAddress;
    QTest::newRow("first line") << QByteArray("https://notes.example.net/\r\nsecond\r\n")
                                << QStringLiteral("https://notes.example.net/");
    QTest::newRow("bare host") << QByteArray("www.example.org\n")
                               << QStringLiteral("http://www.example.org");
    QTest::newRow("a program is no address")
        << QByteArray("/usr/bin/xterm\r\n") << frmSplash::BuiltInAddress;
    QTest::newRow("a local file is no address")
        << QByteArray("file:///etc/passwd") << frmSplash::BuiltInAddress;
}

void TestSplash::addressFromTheUrlFile() {
    QFETCH(QByteArray, content);
    QFETCH(QString, address);
    if (!content.isNull())
        touch(QStringLiteral("QuillaboardSplashURL.txt"), content);
    frmSplash splash(ProgramFolder(m_dir->path()), QStringLiteral("3.2.0"), m_shell, nullptr);
    QCOMPARE(splash.address(), address);
    splash.picSplash_Click();
    QCOMPARE(m_shell.opened, QStringList{address});
}

void TestSplash::closesOnItsTimer() {
    QImage picture(120, 60, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    QVERIFY(picture.save(m_dir->filePath(QStringLiteral("QuillaboardSplash.bmp")), "BMP"));
    QWidget manager;
    const ProgramFolder folder(m_dir->path());
    auto* splash = new frmSplash(folder, QStringLiteral("3.2.0"), m_shell, &manager);
    QVERIFY(splash->loadPicture(frmSplash::splashPicture(folder)));
    splash->start();
    QVERIFY(splash->isVisible() && splash->isTimerActive());
    splash->timSplash_Timer();
    QVERIFY(!splash->isVisible() && !splash->isTimerActive());
}

QB_TEST_CLASS(TestSplash)
#include "tst_splash.moc"
