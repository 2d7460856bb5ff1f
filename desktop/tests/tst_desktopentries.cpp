#include "platform/autostart.h"
#include "platform/testing/testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The value of a key of the main group, with the string escapes of a desktop entry undone.
QString entryValue(const QString& text, const QString& key) {
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('='))) {
            QString value = line.mid(key.size() + 1);
            return value.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        }
    }
    return {};
}

// desktop-file-validate's complaints; empty when the entry passes.
QString validate(const QString& path) {
    QProcess validator;
    validator.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validator.waitForFinished(30000))
        return QStringLiteral("desktop-file-validate did not finish");
    const QString out =
        QString::fromUtf8(validator.readAllStandardOutput() + validator.readAllStandardError());
    return validator.exitCode() == 0 && !out.contains(QLatin1String("error:")) ? QString()
                                                                               : out.trimmed();
}

} // namespace

// The launcher and autostart entries pass the desktop's own check for every program path, and
// the icon lands where the icon theme looks.
class TestDesktopEntries : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void entriesForAProgramPath_data();
    void entriesForAProgramPath();
};

void TestDesktopEntries::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty())
        QSKIP("desktop-file-validate is not installed (desktop-file-utils)");
}

void TestDesktopEntries::entriesForAProgramPath_data() {
    QTest::addColumn<QString>("exe");
    QTest::newRow("plain") << QStringLiteral("/home/ann/.local/share/quillaboard/quillaboard");
    QTest::newRow("blank") << QStringLiteral("/home/ann/My Notes/quillaboard");
    QTest::newRow("quote, dollar, backslash") << QStringLiteral("/home/ann/a\"b$c\\d/quillaboard");
    QTest::newRow("percent, ampersand") << QStringLiteral("/home/ann/100% & more/quillaboard");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/Notizen/quillaboard");
}

void TestDesktopEntries::entriesForAProgramPath() {
    QFETCH(QString, exe);
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    const QString config = home.filePath(QStringLiteral("config"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));

    QProcess install;
    install.start(QStringLiteral("bash"),
                  {QStringLiteral(QB_DESKTOP_DIR) + QStringLiteral("/install.sh"), exe});
    QVERIFY(install.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(install.readAllStandardError()), QString());
    QCOMPARE(install.exitCode(), 0);

    const QString launcher = data + QStringLiteral("/applications/quillaboard.desktop");
    QCOMPARE(validate(launcher), QString());
    const QString launcherText = readText(launcher);
    QCOMPARE(autostart::programOfExec(entryValue(launcherText, QStringLiteral("Exec"))), exe);

    QVERIFY(autostart::writeRunValue(exe));
    QCOMPARE(validate(autostart::desktopFilePath()), QString());
    QCOMPARE(autostart::readRunValue(), exe);

    // Both name the icon that the theme finds under its name.
    const QString icon = entryValue(launcherText, QStringLiteral("Icon"));
    QCOMPARE(entryValue(readText(autostart::desktopFilePath()), QStringLiteral("Icon")), icon);
    QFile svg(data + QStringLiteral("/icons/hicolor/scalable/apps/") + icon +
              QStringLiteral(".svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QVERIFY(!xml.attributes().value(QLatin1String("viewBox")).isEmpty());
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

QB_TEST_CLASS(TestDesktopEntries)
QB_TEST_GUILESS_MAIN
#include "tst_desktopentries.moc"
