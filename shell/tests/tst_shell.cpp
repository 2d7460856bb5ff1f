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

QList<QByteArray> fileLines(const QString& path) {
    QFile file(path);
    QList<QByteArray> lines =
        file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QList<QByteArray>();
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void logsStartAfreshAndReportFailures_data();
    void logsStartAfreshAndReportFailures();
};

void TestShell::logsStartAfreshAndReportFailures_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QList<int>>("sizes"); // after lines 300, 301, 601 and 602
    QTest::newRow("mail log") << MailLogName << QList<int>{301, 1, 301, 1};
    // With the diagnostic mode on, looking up the message for its failure box traces to the
    // very log that failed.
    QTest::newRow("diagnostic log") << DebugLogName << QList<int>{301, 302, 602, 603};
}

void TestShell::logsStartAfreshAndReportFailures() {
    QFETCH(QString, fileName);
    QFETCH(QList<int>, sizes);
    QTemporaryDir dir;
    const ProgramFolder folder(dir.path() + QLatin1Char('/'));
    QFile file(folder.file(fileName));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("from an earlier run\r\n") > 0);
    file.close();
    FakeClock clock;
    clock.current = QDateTime(QDate(2024, 3, 5), QTime(9, 4, 7));
    FakeMessageSink messages;
    Settings settings;
    settings.chkMailWriteLog = settings.chkNetWriteLog = 1;
    Translator translator;
    LogWriter log(folder, clock, messages, translator, settings);
    bool debugMode = true;
    translator.setDiagnostics(&log, &debugMode);
    QSignalSpy switchedOff(&log, &LogWriter::mailLogSwitchedOff);

    QList<int> seen;
    for (int n = 1; n <= 602; ++n) {
        // Western text stays single-byte; other text is marked UTF-8.
        log.WriteLog(fileName, QString::fromUtf8(n < 602 ? "Zoë %1" : "✓ %1").arg(n));
        if (n == 300 || n == 301 || n == 601 || n == 602)
            seen << static_cast<int>(fileLines(file.fileName()).size());
        if (n == 300)
            QCOMPARE(fileLines(file.fileName()).last(),
                     QByteArray("2024-03-05.09:04:07 : Zo\xEB 300\r"));
    }
    QCOMPARE(seen, sizes);
    QCOMPARE(fileLines(file.fileName()).last(),
             QByteArray("\xEF\xBB\xBF"
                        "2024-03-05.09:04:07 : \xE2\x9C\x93 602\r"));
    QCOMPARE(messages.count(), 0);

    // A log that may not be written shows one box naming it; only the mail log is switched
    // off, before its box, so the mail session stops logging.
    QVERIFY(file.setPermissions(QFile::ReadOwner));
    log.WriteLog(fileName, QStringLiteral("+OK POP3 ready"));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.shown.first().text,
             QStringLiteral("error  70\r\nUnable to write in ") + fileName);
    const bool mail = fileName == MailLogName;
    QCOMPARE(settings.chkMailWriteLog, mail ? 0 : 1);
    QCOMPARE(switchedOff.count(), mail ? 1 : 0);
}

QB_TEST_CLASS(TestShell)
#include "tst_shell.moc"
