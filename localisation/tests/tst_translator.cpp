#include "localisation/translator.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"

#include <QTest>

class TestTranslator : public QObject {
    Q_OBJECT

private slots:
    void originalMessagesKeepTheirNumbers();
    void messages80And100AreTwoEntries();
    void nativeLookupIsTracedInDiagnosticMode_data();
    void nativeLookupIsTracedInDiagnosticMode();

private:
    Translator m_translator;
};

void TestTranslator::originalMessagesKeepTheirNumbers() {
    QVERIFY(Translator::englishMessages().size() > 102);
    QCOMPARE(m_translator.Translation(1), QStringLiteral("Welcome to 'Quillaboard'."));
    QCOMPARE(m_translator.Translation(62), QStringLiteral("Unable to write in"));
    QCOMPARE(m_translator.Translation(102), QStringLiteral("Quillaboard (no network)"));
    QCOMPARE(m_translator.Translation(103), QStringLiteral("The notes could not be saved."));
}

void TestTranslator::messages80And100AreTwoEntries() {
    QCOMPARE(m_translator.Translation(80), QStringLiteral("From"));
    QCOMPARE(m_translator.Translation(100), QStringLiteral("From"));
    QCOMPARE(m_translator.Translation(81), QStringLiteral("Calling..."));
    QCOMPARE(m_translator.Translation(101), QStringLiteral("No network"));
}

void TestTranslator::nativeLookupIsTracedInDiagnosticMode_data() {
    QTest::addColumn<bool>("debugMode");
    QTest::addColumn<int>("expectedLines");
    QTest::newRow("diagnostic mode on") << true << 1;
    QTest::newRow("diagnostic mode off") << false << 0;
}

void TestTranslator::nativeLookupIsTracedInDiagnosticMode() {
    QFETCH(bool, debugMode);
    QFETCH(int, expectedLines);
    Translator translator;
    FakeDiagnosticLog log;
    translator.setDiagnostics(&log, &debugMode);
    QCOMPARE(translator.Translation(100), QStringLiteral("From"));
    QCOMPARE(log.lines.size(), expectedLines);
    if (expectedLines > 0) {
        QCOMPARE(log.lines.first().fileName, QStringLiteral("DebugMode.log"));
        QCOMPARE(log.lines.first().line,
                 QStringLiteral("[Translation] English native message ID=100"));
    }
}

QB_TEST_CLASS(TestTranslator)
#include "tst_translator.moc"
