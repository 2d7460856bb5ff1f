#include "alarmtestutil.h"

#include "platform/testing/testmain.h"

#include <QTest>
#include <ctime>

// The minute check: the window rule, the reminder, missed minutes, snoozes and the actions it
// hands to the program.
class TestAlarmCheck : public QObject {
    Q_OBJECT

private slots:
    void scripts_data();
    void scripts();
    void daylightSaving_data();
    void daylightSaving();
    void actionsOfAFiring_data();
    void actionsOfAFiring();
    void manyMissedAtOnceSoundOnce();
    void onlyLiveNotesAreChecked();

private:
    static void addColumns();
};

namespace {

AlarmSetup setup(const char* freq, const char* alarm, int prev = 0, const char* unit = "M",
                 bool remind = false) {
    return AlarmSetup{QString::fromLatin1(freq), QString::fromLatin1(alarm), prev,
                      QString::fromLatin1(unit), remind};
}

// A scripted row: the steps and what each check yields, separated by ", ".
void row(const char* name, const AlarmSetup& alarm, const char* script, const char* expected) {
    const QString sep = QStringLiteral(", ");
    QTest::newRow(name) << alarm << QString::fromLatin1(script).split(sep)
                        << QString::fromLatin1(expected).split(sep);
}

} // namespace

void TestAlarmCheck::addColumns() {
    QTest::addColumn<AlarmSetup>("alarm");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("expected");
}

void TestAlarmCheck::scripts() {
    QFETCH(AlarmSetup, alarm);
    QFETCH(QStringList, script);
    QFETCH(QStringList, expected);
    AlarmScript run;
    QCOMPARE(run.run(alarm, script), expected);
}

void TestAlarmCheck::scripts_data() {
    addColumns();
    // The window rule and the reminder.
    row("warning: goes off once, runs to the alarm minute, re-armed after",
        setup("U", "10:00", -15), "09:44, 09:45, 09:50, 10:00, 10:01, 10:02",
        "/E, A/-, /-, /-, /E, /E");
    row("first check inside the window", setup("U", "10:00", -15), "09:52, 09:53", "A/-, /-");
    row("past once never again", setup("U", "10:00"), "10:00, 10:01, 10:02, 03-16 10:00",
        "A/-, /E, /E, /E");
    row("reminder once at the alarm minute", setup("U", "10:00", -15, "M", true),
        "09:45, 09:59, 10:00, 10:01", "A/-, /-, R/-, /E");
    row("daily goes off again the next day", setup("J", "03-01 10:00"),
        "10:00, 10:01, 03-16 09:59, 03-16 10:00", "A/-, /E, /E, A/-");
    row("daily reminder re-armed with the alarm", setup("J", "03-01 10:00", -5, "M", true),
        "09:55, 10:00, 10:01, 03-16 09:55, 03-16 10:00", "A/-, R/-, /E, A/-, R/-");
    row("daily whole day: first check of each day", setup("J", "03-14 00:00"),
        "08:00, 08:01, 03-16 00:00, 03-16 00:01", "A/-, /-, A/-, /-");
    row("hourly every hour", setup("H", "03-01 08:30"), "10:30, 10:31, 11:29, 11:30",
        "A/-, /E, /E, A/-");
    row("disabled never goes off", setup("U", "10:00"), "disable, 10:00", "/ ");
    // Missed minutes: slow ticks, suspends, the clock set back, restarts.
    row("ticks 130 s apart: on time", setup("U", "10:00"), "09:59:30, 10:01:40, 10:02:40",
        "/E, A/-, /E");
    row("ticks 130 s apart: the reminder too", setup("U", "10:00", -15, "M", true),
        "09:45, 09:59:30, 10:01:40", "A/-, /-, R/E");
    row("3-hour suspend", setup("U", "10:00"), "08:59, 11:59, 12:00", "/E, Am10:00/-, /E");
    row("3-hour suspend: hourly goes off once, for the latest", setup("H", "03-01 08:30"),
        "08:59, 11:59, 12:00, 12:30", "/E, Am11:30/-, /E, A/-");
    row("suspend while running: the next occurrence in the gap", setup("H", "03-01 08:30"),
        "08:30, 11:59", "A/-, Am11:30/-");
    row("suspend ending inside the window: on time", setup("U", "10:00", -30), "09:00, 09:50",
        "/E, A/-");
    row("clock set back: daily goes off the next day", setup("J", "03-01 10:00"),
        "10:00, 10:30, 09:30, 10:00, 10:01, 03-16 10:00", "A/-, /E, /E, /E, /E, A/-");
    row("clock set back: an alarm the user moves still goes off", setup("U", "10:00"),
        "10:00, 10:30, 09:30, set 09:45, 09:45", "A/-, /E, /E, A/-");
    row("start after 2 days off", setup("J", "03-01 09:00"), "last 03-13 18:00, 10:00, 10:01",
        "Am09:00/-, /E");
    row("start without a state file: nothing caught up", setup("U", "03-14 09:00"), "10:00", "/E");
    row("start after 10 days off: older than 7 days not caught up", setup("U", "03-07 09:00"),
        "last 03-05 18:00, 10:00", "/E");
    row("start after 10 days off: 6 days old caught up", setup("U", "03-09 11:00"),
        "last 03-05 18:00, 10:00", "Am03-09 11:00/-");
    row("restart: what went off stays off", setup("U", "10:00"), "10:00, restart, 10:00:50, 10:01",
        "A/-, /-, /E");
    row("restart after the clock was set back", setup("U", "10:00"),
        "10:00, 10:01, restart, 09:00, 10:00", "A/-, /E, /E, /E");
    row("restart: minutes while stopped caught up", setup("U", "10:00"), "09:00, restart, 11:00",
        "/E, Am10:00/-");
    // Snoozes.
    row("snooze 5 minutes", setup("U", "10:00"), "10:00, snooze 5, 10:01, 10:04, 10:05, 10:06",
        "A/-, /E, /E, S/E, /E");
    row("snooze 1 hour, the alarm still running", setup("U", "10:00", -90),
        "08:30, snooze 60, 09:29, 09:30", "A/-, /-, S/-");
    row("snooze 15 minutes across a restart, notes renumbered", setup("U", "10:00"),
        "10:00, snooze 15, restart, 10:14, 10:15", "A/-, /E, S/E");
    row("snooze ended while the program was not running", setup("U", "10:00"),
        "10:00, snooze 15, restart, 12:00", "A/-, Sm10:15/E");
    row("snooze switched off meanwhile", setup("U", "10:00"), "10:00, snooze 5, disable, 10:05",
        "A/-, / ");
}

void TestAlarmCheck::daylightSaving_data() {
    addColumns();
    // Paris: on 31 March 2024 the clock skips from 02:00 to 03:00; on 27 October 2024 it goes
    // from 03:00 back to 02:00. Ticks in UTC.
    row("skipped hour: at the jump, on time", setup("J", "03-01 02:30"),
        "03-31 00:58Z, 03-31 00:59Z, 03-31 01:00Z, 03-31 01:01Z", "/E, /E, A/-, /E");
    row("skipped hour: once", setup("U", "03-31 02:30"), "03-31 00:59Z, 03-31 01:00Z, 03-31 01:01Z",
        "/E, A/-, /E");
    row("repeated hour: daily once, then the next day", setup("J", "10-01 02:30"),
        "10-27 00:29Z, 10-27 00:30Z, 10-27 00:31Z, "
        "10-27 01:29Z, 10-27 01:30Z, 10-27 01:31Z, 10-28 01:30Z",
        "/E, A/-, /E, /E, /E, /E, A/-");
    row("repeated hour: once", setup("U", "10-27 02:30"),
        "10-27 00:30Z, 10-27 00:31Z, 10-27 01:30Z, 10-27 01:31Z", "A/-, /E, /E, /E");
}

void TestAlarmCheck::daylightSaving() {
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/Paris");
    tzset();
    scripts();
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
}

void TestAlarmCheck::actionsOfAFiring_data() {
    QTest::addColumn<bool>("show");
    QTest::addColumn<QString>("sound");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("special");
    QTest::addColumn<bool>("missed");
    QTest::addColumn<QString>("expected"); // show|sound|program|special|skipped

    const auto row = [](const char* name, bool show, const char* sound, const char* program,
                        const char* special, bool missed, const char* expected) {
        QTest::newRow(name) << show << QString::fromLatin1(sound) << QString::fromLatin1(program)
                            << QString::fromLatin1(special) << missed
                            << QString::fromLatin1(expected);
    };
    row("no action: the note shows", false, "", "", " ", false, "show||| |");
    row("sound only", false, " /home/me/ring.wav ", "", " ", false, "|/home/me/ring.wav|| |");
    row("program, case kept", false, "", " /home/Me/Bin/Remind.EXE ", " ", false,
        "||/home/Me/Bin/Remind.EXE| |");
    row("everything", true, "a.wav", "doc.txt", "0", false, "show|a.wav|doc.txt|0|");
    row("shut down", false, "", "", "2", false, "|||2|");
    row("missed shut down is skipped", false, "", "", "2", true, "||| |skipped");
    row("missed wallpaper still changes", false, "", "", "0", true, "|||0|");
}

void TestAlarmCheck::actionsOfAFiring() {
    QFETCH(bool, show);
    QFETCH(QString, sound);
    QFETCH(QString, program);
    QFETCH(QString, special);
    QFETCH(bool, missed);
    QFETCH(QString, expected);
    AlarmScript run;
    run.store.addNote(0, alarmNote(setup("U", "10:00")), NoteWindowState{});
    NoteRecord& note = run.store.Notes[0];
    note.AlarmShow = show;
    note.AlarmPlaySd = !sound.isEmpty();
    note.AlarmSndFil = sound;
    note.AlarmExecut = !program.isEmpty();
    note.AlarmExeFil = program;
    note.AlarmSpecial = special;
    if (missed)
        run.lastCheckAt(QStringLiteral("09:00"));
    const AlarmCheckResult result = run.checker.CheckAlarms(
        run.store, at(missed ? QStringLiteral("12:00") : QStringLiteral("10:00")));
    QCOMPARE(result.actions.size(), size_t(1));
    const AlarmAction& a = result.actions.front();
    QCOMPARE(a.missed, missed);
    const QString got =
        QStringList{a.show ? QStringLiteral("show") : QString(), a.soundFile, a.executeFile,
                    QString(a.special), a.shutDownSkipped ? QStringLiteral("skipped") : QString()}
            .join(QLatin1Char('|'));
    QCOMPARE(got, expected);
    // The firing is saved with the note: "no action" becomes "show".
    QCOMPARE(note.ChangeMark, mark::Modified);
    QCOMPARE(note.AlarmShow, show || expected.startsWith(QStringLiteral("show|")));
    QCOMPARE(result.statusChanged, std::vector<int>{0});
}

void TestAlarmCheck::manyMissedAtOnceSoundOnce() {
    AlarmScript run;
    for (int i = 0; i < 4; ++i) {
        NoteRecord note = alarmNote(setup("U", "10:00"), QStringLiteral("Note %1").arg(i));
        note.AlarmPlaySd = true;
        note.AlarmSndFil = QStringLiteral("ring%1.wav").arg(i);
        run.store.addNote(0, note, NoteWindowState{});
    }
    run.lastCheckAt(QStringLiteral("08:00"));
    const AlarmCheckResult result = run.checker.CheckAlarms(run.store, at(QStringLiteral("12:00")));
    QCOMPARE(result.missed().size(), size_t(4));
    int sounds = 0;
    for (const AlarmAction& a : result.actions)
        sounds += a.soundFile.isEmpty() ? 0 : 1;
    QCOMPARE(sounds, 1);
}

void TestAlarmCheck::onlyLiveNotesAreChecked() {
    AlarmScript run;
    NoteWindowState switchedOff;
    switchedOff.Live = false;
    run.store.addNote(0, alarmNote(setup("U", "10:00")), switchedOff);
    run.store.addNote(0, alarmNote(setup("U", "10:00")), NoteWindowState{});
    run.store.markDeleted(1);
    run.store.addNote(0, alarmNote(setup("U", "10:00")), NoteWindowState{});
    const AlarmCheckResult result = run.checker.CheckAlarms(run.store, at(QStringLiteral("10:00")));
    QCOMPARE(result.actions.size(), size_t(1));
    QCOMPARE(result.actions.front().slot, 2);
}

QB_TEST_CLASS(TestAlarmCheck)
#include "tst_alarmcheck.moc"
