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
    void everyListEntryRunsAndWorkIsDueEveryNTicks();
    void timerRunsOnlyWithAUsableInterval();
    void cursorRestsUntilTheNextKey();
};

void TestPeriodic::intervalFromText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms");
    QTest::newRow("0.1 sec.") << QStringLiteral("0.1 sec.") << 100;
    QTest::newRow("30 min.") << QStringLiteral("30 min.") << 60030; // a minute's tick, 30 times
    QTest::newRow("half a minute") << QStringLiteral("0.5 min.") << 30000;
    QTest::newRow("no unit") << QStringLiteral("15") << 5000;
    QTest::newRow("unit only") << QStringLiteral("sec.") << 0;
}

void TestPeriodic::intervalFromText() {
    QFETCH(QString, text);
    QFETCH(int, ms);
    QCOMPARE(IntervalFromText(text), ms);
}

void TestPeriodic::everyListEntryRunsAndWorkIsDueEveryNTicks() {
    for (const QString& text : AutoSaveTimes() + AutoRefreshTimes()) {
        MinuteTimer timer;
        timer.setIntervalText(text);
        timer.start();
        QVERIFY2(timer.isActive(), qPrintable(text));
    }
    // "3 min." is due on every third tick of a minute; choosing it again restarts the count.
    MinuteTimer timer;
    timer.setIntervalText(QStringLiteral("3 min."));
    QList<bool> due;
    for (int tick = 0; tick < 7; ++tick) {
        due << timer.tick();
        if (tick == 3)
            timer.setIntervalText(QStringLiteral("3 min."));
    }
    QCOMPARE(due, (QList<bool>{false, false, true, false, false, false, true}));
    // Under a minute, every tick is due.
    timer.setIntervalText(QStringLiteral("45 sec."));
    QVERIFY(timer.tick() && timer.tick());
}

void TestPeriodic::timerRunsOnlyWithAUsableInterval() {
    MinuteTimer timer;
    timer.start();
    QVERIFY(!timer.isActive());
    QSignalSpy due(&timer, &MinuteTimer::due);
    timer.setIntervalText(QStringLiteral("0.1 sec."));
    timer.start();
    QTRY_VERIFY(due.count() >= 2);
    // A nonsense interval stops the timer instead of letting it spin.
    timer.setIntervalText(QStringLiteral("sec."));
    QVERIFY(!timer.isActive());
    timer.start();
    QVERIFY(!timer.isActive());
}

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

QB_TEST_CLASS(TestPeriodic)
#include "tst_periodic.moc"
