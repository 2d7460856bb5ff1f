#include "alarmtestutil.h"

#include "alarms/alarmcheck.h"
#include "platform/testing/testmain.h"
#include "store/settings.h"

#include <QTest>
#include <cmath>

// The next occurrence, the display status and the defaults of a never-set alarm.
class TestAlarmRules : public QObject {
    Q_OBJECT

private slots:
    void nextOccurrence_data();
    void nextOccurrence();
    void alarmStatus_data();
    void alarmStatus();
    void resetDefaults_data();
    void resetDefaults();
};

void TestAlarmRules::nextOccurrence_data() {
    QTest::addColumn<AlarmSetup>("stored");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("alarm");
    QTest::addColumn<QString>("goesOff");

    // 15 March 2024 is a Friday. The warning reads "-30M" (minutes), "-3H", "-2J" (days); the
    // alarm goes off at its own time unless a moment is given.
    const auto row = [](const char* name, const char* freq, const char* stored, const char* warn,
                        const char* now, const char* alarm, const char* goesOff = nullptr) {
        const QString w = QString::fromLatin1(warn);
        const AlarmSetup s{QString::fromLatin1(freq), QString::fromLatin1(stored),
                           w.isEmpty() ? 0 : w.chopped(1).toInt(),
                           w.isEmpty() ? QStringLiteral("M") : w.right(1)};
        QTest::newRow(name) << s << QString::fromLatin1(now) << QString::fromLatin1(alarm)
                            << QString::fromLatin1(goesOff != nullptr ? goesOff : alarm);
    };
    // once
    row("once past stays past", "U", "03-10 09:00", "", "10:30", "03-10 09:00");
    row("minutes warning crosses the year", "U", "2025-01-01 00:10", "-30M", "10:00",
        "2025-01-01 00:10", "12-31 23:40");
    row("hours warning crosses the month", "U", "04-01 01:00", "-3H", "10:00", "04-01 01:00",
        "03-31 22:00");
    row("days warning starts at midnight", "U", "03-20 09:00", "-2J", "10:00", "03-20 09:00",
        "03-18 00:00");
    row("whole day ignores a minutes warning", "U", "03-20 00:00", "-30M", "10:00", "03-20 23:59",
        "03-20 00:00");
    row("midnight with an hours warning is no whole day", "U", "03-20 00:00", "-2H", "10:00",
        "03-20 00:00");
    // daily
    row("daily later today", "J", "03-01 14:00", "", "10:30", "14:00");
    row("daily passed today: tomorrow", "J", "03-01 09:00", "", "10:30", "03-16 09:00");
    row("daily days warning dropped", "J", "03-01 09:00", "-2J", "10:30", "03-16 09:00");
    row("daily days warning kept while ahead", "J", "03-20 09:00", "-2J", "10:30", "03-20 09:00",
        "03-18 00:00");
    row("daily minutes warning kept", "J", "03-01 14:00", "-15M", "10:30", "14:00", "13:45");
    row("daily whole day is today", "J", "03-01 00:00", "", "10:30", "23:59", "00:00");
    // hourly
    row("hourly next hour", "H", "03-01 08:15", "", "10:30", "11:15");
    row("hourly across the year end", "H", "03-01 08:15", "", "12-31 23:30", "2025-01-01 00:15");
    row("hourly hours warning dropped", "H", "03-01 08:45", "-2H", "10:30", "10:45");
    row("hourly days warning dropped", "H", "03-01 08:45", "-1J", "10:30", "10:45");
    row("hourly minutes warning kept", "H", "03-01 08:45", "-10M", "10:30", "10:45", "10:35");
    // weekly
    row("weekly today later", "4", "03-01 11:00", "", "10:30", "11:00");
    row("weekly today passed: next week", "4", "03-01 09:00", "", "10:30", "03-22 09:00");
    row("weekly Monday from a Friday", "0", "03-01 09:00", "", "10:30", "03-18 09:00");
    row("weekly Monday on a Monday after", "0", "03-01 09:00", "", "03-18 10:30", "03-25 09:00");
    row("weekly whole day today", "4", "03-01 00:00", "", "10:30", "23:59", "00:00");
    row("weekly 7-day warning dropped", "0", "03-01 09:00", "-7J", "10:30", "03-18 09:00");
    row("weekly 6-day warning kept", "0", "03-01 09:00", "-6J", "10:30", "03-18 09:00",
        "03-12 00:00");
    // monthly
    row("monthly 31st in a 30-day month", "M", "01-31 09:00", "", "11-10 10:30", "12-01 09:00");
    row("monthly 31st in February", "M", "2026-01-31 09:00", "", "2026-02-01 10:30",
        "2026-03-03 09:00");
    row("monthly past this month: next", "M", "01-10 09:00", "", "10:30", "04-10 09:00");
    row("monthly across the year end", "M", "01-15 09:00", "", "12-20 10:30", "2025-01-15 09:00");
    row("monthly today, time passed, stays today", "M", "01-15 09:00", "", "10:30", "09:00");
    // yearly
    row("yearly 29 February in a year without", "A", "02-29 09:00", "", "2025-01-10 10:30",
        "2025-03-01 09:00");
    row("yearly passed: next year", "A", "2023-03-10 09:00", "", "10:30", "2025-03-10 09:00");
    row("yearly at the year end with a warning", "A", "2023-12-31 23:00", "-2H", "06-01 10:00",
        "12-31 23:00", "12-31 21:00");
}

void TestAlarmRules::nextOccurrence() {
    QFETCH(AlarmSetup, stored);
    QFETCH(QString, now);
    QFETCH(QString, alarm);
    QFETCH(QString, goesOff);
    const AlarmOccurrence occ = NextOccurrence(alarmNote(stored), at(now));
    QCOMPARE(occ.alarm(), at(alarm));
    QCOMPARE(occ.goesOff(), at(goesOff));
}

void TestAlarmRules::alarmStatus_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("freq");
    QTest::addColumn<QString>("alarm");
    QTest::addColumn<int>("message"); // 0: the display stays as it was
    QTest::addColumn<int>("color");

    const auto row = [](const char* name, const char* state, const char* freq, const char* alarm,
                        int message, int color) {
        QTest::newRow(name) << QString::fromLatin1(state) << QString::fromLatin1(freq)
                            << QString::fromLatin1(alarm) << message << color;
    };
    // Seen at 10:30:00.
    row("disabled", " ", "U", "09:00", 31, 0xFF0000);
    row("running", "-", "U", "09:00", 35, 0x0080FF);
    row("once a second ago", "E", "U", "10:29:59", 34, 0x0000FF);
    row("once at this second", "E", "U", "10:30:00", 36, 0x00FF00);
    row("once ahead", "E", "U", "11:00", 36, 0x00FF00);
    row("daily past", "E", "J", "03-01 09:00", 36, 0x00FF00);
    row("unknown state", "X", "U", "09:00", 0, 0);
}

void TestAlarmRules::alarmStatus() {
    QFETCH(QString, state);
    QFETCH(QString, freq);
    QFETCH(QString, alarm);
    QFETCH(int, message);
    QFETCH(int, color);
    NoteRecord note = alarmNote({freq, alarm});
    note.AlarmState = state;
    const auto status = AlarmStatus(note, at(QStringLiteral("10:30:00")));
    QCOMPARE(status.has_value(), message != 0);
    if (status) {
        QCOMPARE(status->message, message);
        QCOMPARE(status->color, color);
    }
}

void TestAlarmRules::resetDefaults_data() {
    QTest::addColumn<double>("alarmDate");
    QTest::addColumn<bool>("reset");
    QTest::newRow("zero date") << 0.0 << true;
    QTest::newRow("a day of 1899") << 1.5 << true;
    QTest::newRow("no date") << std::nan("") << true;
    QTest::newRow("set before") << oleAt(QStringLiteral("03-01 09:00")) << false;
    QTest::newRow("1 January 1900") << 2.0 << false;
}

void TestAlarmRules::resetDefaults() {
    QFETCH(double, alarmDate);
    QFETCH(bool, reset);
    NoteStore store;
    NoteRecord note =
        alarmNote({QStringLiteral("A"), QStringLiteral("09:00"), -3, QStringLiteral("H"), true});
    note.AlarmDate = alarmDate;
    note.AlarmSpecial = QStringLiteral("2");
    const int slot = store.addNote(0, note, NoteWindowState{});
    NoteDefaultsRecord defaults;
    defaults.AlarmFreq = QStringLiteral("J");
    defaults.AlarmPrev = -15;
    defaults.AlarmPrevTp = QStringLiteral("M");
    defaults.AlarmPlaySd = true;
    defaults.AlarmSndFil = QString(80, QLatin1Char('s'));
    defaults.AlarmExecut = true;
    defaults.AlarmExeFil = QStringLiteral("/usr/bin/true");
    defaults.AlarmShow = false;

    QCOMPARE(ResetAlarmDefaults(store, slot, defaults, at(QStringLiteral("10:30"))), reset);
    const NoteRecord& after = store.Notes[0];
    QCOMPARE(after.ChangeMark, reset ? mark::Modified : mark::Blank);
    QCOMPARE(after.AlarmRemind, QStringLiteral("E"));
    if (!reset) {
        QCOMPARE(after.AlarmFreq, QStringLiteral("A"));
        return;
    }
    QCOMPARE(after.AlarmDate, oleAt(QStringLiteral("00:00")));
    // State, special, frequency, warning and program; the sound file cut to its 64 bytes.
    QCOMPARE(QStringList({after.AlarmState, after.AlarmSpecial, after.AlarmFreq,
                          QString::number(after.AlarmPrev) + after.AlarmPrevTp, after.AlarmExeFil})
                 .join(QLatin1Char('|')),
             QStringLiteral(" | |J|-15M|/usr/bin/true"));
    QCOMPARE(after.AlarmSndFil.size(), 64);
    QVERIFY(after.AlarmPlaySd && after.AlarmExecut && !after.AlarmShow);
}

QB_TEST_CLASS(TestAlarmRules)
#include "tst_alarmrules.moc"
