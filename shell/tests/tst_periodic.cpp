#include "platform/testing/testmain.h"
#include "shell/periodic.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

class TestPeriodic : public QObject {
    Q_OBJECT

private slots:
    void minuteTimer();
    void cursorRestsUntilTheNextKey();
};

void TestPeriodic::minuteTimer() {
    // Minutes tick once a minute: 60000 and their count.
    QCOMPARE(IntervalFromText(QStringLiteral("30 min.")), 60030);
    QCOMPARE(IntervalFromText(QStringLiteral("0.5 min.")), 30000);
    for (const QString& text : AutoSaveTimes() + AutoRefreshTimes()) {
        MinuteTimer timer;
        timer.setIntervalText(text);
        timer.start();
        QVERIFY2(timer.isActive(), qPrintable(text));
    }
    // "3 min." is due on every third tick of a minute; choosing it again restarts the count.
    MinuteTimer timer;
    timer.setIntervalText(QStringLiteral("3 min."));
    QList<bool> ticks;
    for (int tick = 0; tick < 7; ++tick) {
        ticks << timer.tick();
        if (tick == 3)
            timer.setIntervalText(QStringLiteral("3 min."));
    }
    QCOMPARE(ticks, (QList<bool>{false, false, true, false, false, false, true}));
    // Under a minute, every tick is due.
    timer.setIntervalText(QStringLiteral("45 sec."));
    QVERIFY(timer.tick() && timer.tick());

    // A running timer signals; a nonsense interval stops it instead of letting it spin.
    QSignalSpy due(&timer, &MinuteTimer::due);
    timer.setIntervalText(QStringLiteral("0.1 sec."));
    timer.start();
    QTRY_VERIFY(due.count() >= 2);
    timer.setIntervalText(QStringLiteral("sec."));
    QVERIFY(!timer.isActive());
    timer.start();
    QVERIFY(!timer.isActive());
}

void TestPeriodic::cursorRestsUntilTheNextKey() {
    QPlainTextEdit box;
    const int flashTime = QApplication::cursorFlashTime();
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
