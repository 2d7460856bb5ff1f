#include "platform/testing/testmain.h"
#include "shell/periodic.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

class TestPeriodic : public QObject {
    Q_OBJECT

private slots:
    void intervalFromText_data();
    void intervalFromText();
    void everyListEntryGivesARunningInterval();
    void workIsDueEveryNTicks_data();
    void workIsDueEveryNTicks();
    void timerRunsOnlyWithAUsableInterval();
    void dueIsSignalledFromTheTimer();
    void cursorRestsUntilTheNextKey();
};

void TestPeriodic::intervalFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms");
    QTest::newRow("45 sec.") << QStringLiteral("45 sec.") << 45000;
    QTest::newRow("0.1 sec.") << QStringLiteral("0.1 sec.") << 100;
    QTest::newRow("0.7 sec.") << QStringLiteral("0.7 sec.") << 700;
    QTest::newRow("1 min.") << QStringLiteral("1 min.") << 60001;
    QTest::newRow("5 min.") << QStringLiteral("5 min.") << 60005;
    QTest::newRow("30 min.") << QStringLiteral("30 min.") << 60030;
    QTest::newRow("half a minute") << QStringLiteral("0.5 min.") << 30000;
    QTest::newRow("no unit") << QStringLiteral("15") << 5000;
    QTest::newRow("empty") << QString() << 5000;
    QTest::newRow("unit only") << QStringLiteral("sec.") << 0;
}

void TestPeriodic::intervalFromText() {
    QFETCH(QString, text);
    QFETCH(int, ms);
    QCOMPARE(IntervalFromText(text), ms);
}

void TestPeriodic::everyListEntryGivesARunningInterval() {
    QCOMPARE(AutoSaveTimes().size(), 16);
    QCOMPARE(AutoRefreshTimes().size(), 9);
    for (const QString& text : AutoSaveTimes() + AutoRefreshTimes()) {
        MinuteTimer timer;
        timer.setIntervalText(text);
        QVERIFY2(timer.interval() > 0, qPrintable(text));
        timer.start();
        QVERIFY2(timer.isActive(), qPrintable(text));
    }
}

void TestPeriodic::workIsDueEveryNTicks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("every");
    QTest::newRow("45 sec.") << QStringLiteral("45 sec.") << 1;
    QTest::newRow("1 min.") << QStringLiteral("1 min.") << 1;
    QTest::newRow("3 min.") << QStringLiteral("3 min.") << 3;
    QTest::newRow("30 min.") << QStringLiteral("30 min.") << 30;
}

void TestPeriodic::workIsDueEveryNTicks() {
    QFETCH(QString, text);
    QFETCH(int, every);
    MinuteTimer timer;
    timer.setIntervalText(text);
    QList<int> dueTicks;
    for (int tick = 1; tick <= 90; ++tick) {
        if (timer.tick())
            dueTicks << tick;
    }
    QCOMPARE(dueTicks.size(), 90 / every);
    for (int i = 0; i < dueTicks.size(); ++i)
        QCOMPARE(dueTicks.at(i), (i + 1) * every);

    // Choosing the interval again restarts the countdown.
    for (int i = 1; i < every; ++i)
        QVERIFY(!timer.tick());
    timer.setIntervalText(text);
    for (int i = 1; i < every; ++i)
        QVERIFY(!timer.tick());
    QVERIFY(timer.tick());
}

void TestPeriodic::timerRunsOnlyWithAUsableInterval() {
    MinuteTimer timer;
    timer.start();
    QVERIFY(!timer.isActive());
    timer.setIntervalText(QStringLiteral("2 sec."));
    timer.start();
    QVERIFY(timer.isActive());
    // A nonsense interval stops the timer instead of letting it spin.
    timer.setIntervalText(QStringLiteral("sec."));
    QVERIFY(!timer.isActive());
    timer.start();
    QVERIFY(!timer.isActive());
}

void TestPeriodic::dueIsSignalledFromTheTimer() {
    MinuteTimer timer;
    QSignalSpy due(&timer, &MinuteTimer::due);
    timer.setIntervalText(QStringLiteral("0.1 sec."));
    timer.start();
    QTRY_VERIFY(due.count() >= 2);
    timer.stop();
    QVERIFY(!timer.isActive());
}

QB_TEST_CLASS(TestPeriodic)
void TestPeriodic::cursorRestsUntilTheNextKey() {
    QPlainTextEdit box;
    const int flashTime = QApplication::cursorFlashTime();
    QVERIFY(flashTime > 0);
    CursorBlinkRest rest(20);
    QTRY_VERIFY(rest.resting());
    QCOMPARE(QApplication::cursorFlashTime(), 0);
    QTest::keyClick(&box, Qt::Key_A);
    QVERIFY(!rest.resting());
    QCOMPARE(QApplication::cursorFlashTime(), flashTime);
    QTRY_VERIFY(rest.resting());
}

#include "tst_periodic.moc"
