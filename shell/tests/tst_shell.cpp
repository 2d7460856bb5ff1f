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
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// An existing log the program may read but not write.
QString readOnlyLog(const ProgramFolder& folder, const QString& name) {
    const QString path = folder.file(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !QFile::setPermissions(path, QFile::ReadOwner))
        qFatal("cannot prepare %s", qPrintable(path));
    return path;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void init();

    void lineFormat();
    void countedLogRestartsOnThe301stLine_data();
    void countedLogRestartsOnThe301stLine();
    void debugLogKeepsEveryLineAcrossRuns();
    void readOnlyMailLogShowsItsBoxOnceAndStopsMailLogging();
    void otherReadOnlyLogsReportOnceAndStayOn_data();
    void otherReadOnlyLogsReportOnceAndStayOn();

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

void TestShell::lineFormat() {
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    LogWriter log(folder, m_clock, m_messages, m_translator, m_settings);
    log.WriteLog(NetLogName, QString::fromUtf8("Sending to Zoë"));
    log.WriteLog(NetLogName, QString::fromUtf8("✓ done"));
    QCOMPARE(fileBytes(folder.file(NetLogName)),
             QByteArray("2024-03-05.09:04:07 : Sending to Zo\xEB\r\n"
                        "\xEF\xBB\xBF"
                        "2024-03-05.09:04:07 : \xE2\x9C\x93 done\r\n"));
    QCOMPARE(m_messages.count(), 0);
}

void TestShell::countedLogRestartsOnThe301stLine_data() {
    QTest::addColumn<QString>("fileName");
    QTest::newRow("network log") << NetLogName;
    QTest::newRow("mail log") << MailLogName;
}

void TestShell::countedLogRestartsOnThe301stLine() {
    QFETCH(QString, fileName);
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    const QString path = folder.file(fileName);
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("from an earlier run\r\n");
    }
    LogWriter log(folder, m_clock, m_messages, m_translator, m_settings);
    for (int n = 1; n <= 300; ++n) {
        log.WriteLog(fileName, QStringLiteral("line %1").arg(n));
    }
    QList<QByteArray> lines = fileLines(path);
    QCOMPARE(lines.size(), 301);
    QCOMPARE(lines.first(), QByteArray("from an earlier run\r"));

    log.WriteLog(fileName, QStringLiteral("line 301"));
    lines = fileLines(path);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first(), QByteArray("2024-03-05.09:04:07 : line 301\r"));

    // The count starts again from there: 301 more lines, then the file starts afresh.
    for (int n = 302; n <= 601; ++n) {
        log.WriteLog(fileName, QStringLiteral("line %1").arg(n));
    }
    QCOMPARE(fileLines(path).size(), 301);
    log.WriteLog(fileName, QStringLiteral("line 602"));
    QCOMPARE(fileLines(path), QList<QByteArray>{"2024-03-05.09:04:07 : line 602\r"});
    QCOMPARE(m_messages.count(), 0);
}

void TestShell::debugLogKeepsEveryLineAcrossRuns() {
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    for (int run = 0; run < 2; ++run) {
        LogWriter log(folder, m_clock, m_messages, m_translator, m_settings);
        for (int n = 0; n < 400; ++n) {
            log.WriteLog(DebugLogName, QStringLiteral("run %1 line %2").arg(run).arg(n));
        }
    }
    const QList<QByteArray> lines = fileLines(folder.file(DebugLogName));
    QCOMPARE(lines.size(), 800);
    QCOMPARE(lines.first(), QByteArray("2024-03-05.09:04:07 : run 0 line 0\r"));
    QCOMPARE(lines.last(), QByteArray("2024-03-05.09:04:07 : run 1 line 399\r"));
}

void TestShell::readOnlyMailLogShowsItsBoxOnceAndStopsMailLogging() {
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    const QString path = readOnlyLog(folder, MailLogName);
    m_settings.chkMailWriteLog = 1;
    LogWriter log(folder, m_clock, m_messages, m_translator, m_settings);
    QSignalSpy switchedOff(&log, &LogWriter::mailLogSwitchedOff);

    // The mail session checks the switch before every line.
    for (int n = 0; n < 3; ++n) {
        if (Settings::ticked(m_settings.chkMailWriteLog)) {
            log.WriteLog(MailLogName, QStringLiteral("+OK POP3 ready"));
        }
    }
    QCOMPARE(m_messages.count(), 1);
    const FakeMessageSink::Shown& box = m_messages.shown.first();
    QCOMPARE(box.text,
             QStringLiteral("error  70\r\nUnable to write in Quillaboard Mail Check.log"));
    QCOMPARE(box.title, QString());
    QCOMPARE(box.options.buttons, 0);
    QCOMPARE(box.options.icon, 5);
    QCOMPARE(box.options.blocking, 0);
    QCOMPARE(m_settings.chkMailWriteLog, 0);
    QCOMPARE(switchedOff.count(), 1);
    QCOMPARE(fileBytes(path), QByteArray());
}

void TestShell::otherReadOnlyLogsReportOnceAndStayOn_data() {
    QTest::addColumn<QString>("fileName");
    QTest::newRow("network log") << NetLogName;
    // With the diagnostic mode on, looking up message 62 for the failure box traces to the
    // very log that failed.
    QTest::newRow("diagnostic log") << DebugLogName;
}

void TestShell::otherReadOnlyLogsReportOnceAndStayOn() {
    QFETCH(QString, fileName);
    const ProgramFolder folder(m_dir->path() + QLatin1Char('/'));
    readOnlyLog(folder, fileName);
    m_settings.chkMailWriteLog = 1;
    m_settings.chkNetWriteLog = 1;
    Translator translator;
    LogWriter log(folder, m_clock, m_messages, translator, m_settings);
    bool debugMode = true;
    translator.setDiagnostics(&log, &debugMode);
    log.WriteLog(fileName, QStringLiteral("Calling..."));
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.first().text,
             QStringLiteral("error  70\r\nUnable to write in ") + fileName);
    QCOMPARE(m_settings.chkNetWriteLog, 1);
    QCOMPARE(m_settings.chkMailWriteLog, 1);
}

QB_TEST_CLASS(TestShell)
#include "tst_shell.moc"
