#include "localisation/translator.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"

#include <QTest>

class TestTranslator : public QObject {
    Q_OBJECT

private slots:
    void messagesKeepTheirNumbers_data();
    void messagesKeepTheirNumbers();
    void nativeLookupIsTracedInDiagnosticMode_data();
    void nativeLookupIsTracedInDiagnosticMode();
};

void TestTranslator::messagesKeepTheirNumbers_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << 1 << QStringLiteral("Welcome to 'Quillaboard'.");
    QTest::newRow("62") << 62 << QStringLiteral("Unable to write in");
    // 80 and 100 are two entries with the same text; 81 and 101 differ.
    QTest::newRow("80") << 80 << QStringLiteral("From");
    QTest::newRow("100") << 100 << QStringLiteral("From");
    QTest::newRow("81") << 81 << QStringLiteral("Calling...");
    QTest::newRow("101") << 101 << QStringLiteral("No network");
    QTest::newRow("102") << 102 << QStringLiteral("Quillaboard (no network)");
    QTest::newRow("103, added after the original list")
        << 103 << QStringLiteral("The notes could not be saved.");
}

void TestTranslator::messagesKeepTheirNumbers() {
    QFETCH(int, id);
    QFETCH(QString, text);
    QCOMPARE(Translator().Translation(id), text);
}

void TestTranslator::nativeLookupIsTracedInDiagnosticMode_data() {
    QTest::addColumn<bool>("debugMode");
    QTest::newRow("diagnostic mode on") << true;
    QTest::newRow("diagnostic mode off") << false;
}

void TestTranslator::nativeLookupIsTracedInDiagnosticMode() {
    QFETCH(bool, debugMode);
    Translator translator;
    FakeDiagnosticLog log;
    translator.setDiagnostics(&log, &debugMode);
    QCOMPARE(translator.Translation(100), QStringLiteral("From"));
    QCOMPARE(log.lines.size(), debugMode ? 1 : 0);
    if (debugMode) {
        QCOMPARE(log.lines.first().fileName, QStringLiteral("DebugMode.log"));
        QCOMPARE(log.lines.first().line,
                 QStringLiteral("[Translation] English native message ID=100"));
    }
}

QB_TEST_CLASS(TestTranslator)
#include "tst_translator.moc"
