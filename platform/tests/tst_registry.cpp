#include "platform/appstore.h"
#include "platform/autostart.h"
#include "platform/testing/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The start-with-the-session entry and the program's own stored values.
class TestRegistry : public QObject {
    Q_OBJECT

private slots:
    void init();
    void runValueRoundTrips_data();
    void runValueRoundTrips();
    void desktopFileIsWellFormed();
    void disabledEntryReadsEmpty_data();
    void disabledEntryReadsEmpty();
    void removeWhenAbsentSucceeds();
    void followsTheEnvironment();
    void appStoreKeepsValues();

private:
    [[nodiscard]] QByteArray desktopFile() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRegistry::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", m_dir->path().toUtf8());
    qputenv("HOME", m_dir->path().toUtf8());
}

QByteArray TestRegistry::desktopFile() const {
    QFile file(autostart::desktopFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestRegistry::runValueRoundTrips_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << QStringLiteral("/opt/quillaboard/quillaboard")
                           << QStringLiteral("/opt/quillaboard/quillaboard");
    QTest::newRow("space") << QStringLiteral("/home/me/My Apps/quillaboard")
                           << QStringLiteral("\"/home/me/My Apps/quillaboard\"");
    QTest::newRow("reserved") << QStringLiteral("/srv/a$b`c\"d\\e/quillaboard")
                              << QStringLiteral(
                                     "\"/srv/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e/quillaboard\"");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/quillaboard")
                             << QStringLiteral("/opt/100%%/quillaboard");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/bin/quillaboard")
                               << QStringLiteral("/home/zoë/bin/quillaboard");
}

void TestRegistry::runValueRoundTrips() {
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QVERIFY(autostart::readRunValue().isEmpty());
    QVERIFY(autostart::writeRunValue(path));
    QCOMPARE(autostart::readRunValue(), path);
    QVERIFY(desktopFile().contains(QByteArray("\nExec=") + exec.toUtf8() + '\n'));
    QVERIFY(autostart::removeRunValue());
    QVERIFY(!QFile::exists(autostart::desktopFilePath()));
    QVERIFY(autostart::readRunValue().isEmpty());
}

void TestRegistry::desktopFileIsWellFormed() {
    QVERIFY(autostart::writeRunValue(QStringLiteral("/opt/q/quillaboard")));
    QCOMPARE(autostart::desktopFilePath(),
             m_dir->path() + QStringLiteral("/autostart/Quillaboard.desktop"));
    const QList<QByteArray> lines = desktopFile().split('\n');
    QCOMPARE(lines.first(), QByteArray("[Desktop Entry]"));
    QVERIFY(lines.contains("Type=Application"));
    QVERIFY(lines.contains("Name=Quillaboard"));
    QVERIFY(lines.contains("Exec=/opt/q/quillaboard"));
    QVERIFY(lines.contains("X-GNOME-Autostart-enabled=true"));
    // Registering again replaces the entry.
    QVERIFY(autostart::writeRunValue(QStringLiteral("/opt/r/quillaboard")));
    QCOMPARE(autostart::readRunValue(), QStringLiteral("/opt/r/quillaboard"));
    QVERIFY(!autostart::writeRunValue(QString()));
}

void TestRegistry::disabledEntryReadsEmpty_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("value");
    QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=/a/b\nHidden=true\n") << QString();
    QTest::newRow("switched off")
        << QByteArray("[Desktop Entry]\nExec=/a/b\nX-GNOME-Autostart-enabled=false\n") << QString();
    QTest::newRow("other group")
        << QByteArray("[Desktop Action x]\nExec=/x\n[Desktop Entry]\nExec=/a/b --tray\n")
        << QStringLiteral("/a/b");
    QTest::newRow("unterminated quote")
        << QByteArray("[Desktop Entry]\nExec=\"/a/b\n") << QString();
    QTest::newRow("no Exec") << QByteArray("[Desktop Entry]\nType=Application\n") << QString();
}

void TestRegistry::disabledEntryReadsEmpty() {
    QFETCH(QByteArray, content);
    QFETCH(QString, value);
    QVERIFY(QDir().mkpath(m_dir->path() + QStringLiteral("/autostart")));
    QFile file(autostart::desktopFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    QCOMPARE(autostart::readRunValue(), value);
}

void TestRegistry::removeWhenAbsentSucceeds() {
    QVERIFY(autostart::removeRunValue());
    QVERIFY(appstore::removeValue(appstore::PathValue));
}

void TestRegistry::followsTheEnvironment() {
    QVERIFY(autostart::writeRunValue(QStringLiteral("/first/quillaboard")));
    QTemporaryDir other;
    qputenv("XDG_CONFIG_HOME", other.path().toUtf8());
    QVERIFY(autostart::readRunValue().isEmpty());
    // A relative value is no configuration folder: the home folder's ~/.config is used.
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    QCOMPARE(autostart::desktopFilePath(),
             m_dir->path() + QStringLiteral("/.config/autostart/Quillaboard.desktop"));
}

void TestRegistry::appStoreKeepsValues() {
    QVERIFY(appstore::readValue(appstore::PathValue).isEmpty());
    const QString folder = QStringLiteral("/home/me/Quill board; v=2 #1");
    QVERIFY(appstore::writeValue(appstore::PathValue, folder));
    QCOMPARE(appstore::readValue(appstore::PathValue), folder);
    QCOMPARE(appstore::storeFilePath(),
             m_dir->path() + QStringLiteral("/Quillaboard/Quillaboard.conf"));
    QVERIFY(QFile::exists(appstore::storeFilePath()));
    QVERIFY(appstore::removeValue(appstore::PathValue));
    QVERIFY(appstore::readValue(appstore::PathValue).isEmpty());
}

QB_TEST_CLASS(TestRegistry)
#include "tst_registry.moc"
