#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "shell/frmsplash.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void addressFromTheUrlFile_data();
    void addressFromTheUrlFile();
};

void TestSplash::addressFromTheUrlFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("address");
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
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("QuillaboardSplashURL.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();
    FakeDesktopShell shell;
    frmSplash splash(ProgramFolder(dir.path()), QStringLiteral("3.2.0"), shell, nullptr);
    QCOMPARE(splash.address(), address);
    splash.picSplash_Click();
    QCOMPARE(shell.opened, QStringList{address});
}

QB_TEST_CLASS(TestSplash)
#include "tst_splash.moc"
