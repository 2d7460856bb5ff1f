#include "localisation/translator.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "shell/writelog.h"
#include "store/settings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QByteArray> fileLines(const QString& path) {
    QList<QByteArray> lines = fileBytes(path).split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void init();
    void countedLogsStartAfreshOnThe301stLine_data();
    void countedLogsStartAfreshOnThe301stLine();
    void readOnlyLogIsReported_data();
    void readOnlyLogIsReported();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeClock m_clock;
    FakeMessageSink m_messages;
    Translator m_translator;
    Settings m_settings;
};

void TestShell::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messages = FakeMessageSink();
    m_settings = Settings();
    m_clock.current = QDateTime(QDate(2024, 3, 5), QTime(9, 4, 7));
}

void TestShell::countedLogsStartAfreshOnThe301stLine_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QList<int>>("sizes"); // after lines 300, 301, 601 and 602
    QTest::newRow("network log") << NetLogName << QList<int>{301, 1, 301, 1};
    QTest::newRow("mail log") << MailLogName << QList<int>{301, 1, 301, 1};
    QTest::newRow("diagnostic log") << DebugLogName << QList<int>{301, 302, 602, 603};
}

void TestShell::countedLogsStartAfreshOnThe301stLine() {
    QFETCH(QString, fileName);
    QFETCH(QList<int>, sizes);
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    const QString path = folder.file(fileName);
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("from an earlier run\r\n");
    earlier.close();
    LogWriter log(folder, m_clock, m_messages, m_translator, m_settings);
    QList<int> seen;
    for (int n = 1; n <= 602; ++n) {
        // Western text stays single-byte; other text is marked UTF-8.
        log.WriteLog(fileName, QString::fromUtf8(n < 602 ? "Zoë %1" : "✓ %1").arg(n));
        if (n == 300 || n == 301 || n == 601 || n == 602)
            seen << static_cast<int>(fileLines(path).size());
        if (n == 300)
            QCOMPARE(fileLines(path).last(), QByteArray("2024-03-05.09:04:07 : Zo\xEB 300\r"));
    }
    QCOMPARE(seen, sizes);
    QCOMPARE(fileLines(path).last(), QByteArray("\xEF\xBB\xBF"
                                                "2024-03-05.09:04:07 : \xE2\x9C\x93 602\r"));
    QCOMPARE(m_messages.count(), 0);
}

void TestShell::readOnlyLogIsReported_data() {
    QTest::addColumn<QString>("fileName");
    QTest::newRow("mail log") << MailLogName;
    QTest::newRow("network log") << NetLogName;
    // With the diagnostic mode on, looking up the message for the failure box traces to the
    // very log that failed.
    QTest::newRow("diagnostic log") << DebugLogName;
}

void TestShell::readOnlyLogIsReported() {
    QFETCH(QString, fileName);
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    QFile file(folder.file(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.setPermissions(QFile::ReadOwner));
    m_settings.chkMailWriteLog = 1;
    m_settings.chkNetWriteLog = 1;
    Translator translator;
    LogWriter log(folder, m_clock, m_messages, translator, m_settings);
    bool debugMode = true;
    translator.setDiagnostics(&log, &debugMode);
    QSignalSpy switchedOff(&log, &LogWriter::mailLogSwitchedOff);
    log.WriteLog(fileName, QStringLiteral("+OK POP3 ready"));
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.first().text,
             QStringLiteral("error  70\r\nUnable to write in ") + fileName);
    // Only the mail log is switched off, before its box, so the session stops logging.
    const bool mail = fileName == MailLogName;
    QCOMPARE(m_settings.chkMailWriteLog, mail ? 0 : 1);
    QCOMPARE(switchedOff.count(), mail ? 1 : 0);
    QCOMPARE(m_settings.chkNetWriteLog, 1);
    QCOMPARE(fileBytes(folder.file(fileName)), QByteArray());
}

QB_TEST_CLASS(TestShell)
#include "tst_shell.moc"
