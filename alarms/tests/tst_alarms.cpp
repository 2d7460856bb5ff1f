#include "alarms/alarmactions.h"
#include "alarms/alarmchecker.h"
#include "alarms/alarmstatefile.h"
#include "alarms/wallclock.h"
#include "localisation/translator.h"
#include "platform/desktop.h"
#include "platform/fileio.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/notestore.h"
#include "store/settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <ctime>
#include <initializer_list>

namespace {

// "2024-03-15 10:30", "03-16 10:30" (in 2024), "10:30" or "10:30:40" (on 15 March 2024);
// a trailing "Z" gives the moment in UTC, turned into local time.
QDateTime at(const QString& input, bool fields = false) {
    QString text = input.trimmed();
    QDate day(2024, 3, 15);
    const bool utc = text.endsWith(QLatin1Char('Z'));
    if (utc)
        text.chop(1);
    if (const int space = text.lastIndexOf(QLatin1Char(' ')); space > 0) {
        const QString d = text.left(space);
        day = QDate::fromString(d.size() == 5 ? QStringLiteral("2024-") + d : d,
                                QStringLiteral("yyyy-MM-dd"));
        text = text.mid(space + 1);
    }
    const QTime time = QTime::fromString(text, text.size() == 5 ? QStringLiteral("HH:mm")
                                                                : QStringLiteral("HH:mm:ss"));
    if (fields) // a minute the local clock skips is still a stored alarm time
        return QDateTime(day, time, QTimeZone::utc());
    return utc ? QDateTime(day, time, QTimeZone::utc()).toLocalTime() : QDateTime(day, time);
}

double oleAt(const QString& text) {
    const QDateTime t = at(text, true);
    return static_cast<double>(QDate(1899, 12, 30).daysTo(t.date())) +
           t.time().msecsSinceStartOfDay() / 86'400'000.0;
}

// "J 03-01 10:00 -15M R": the frequency, the alarm (as for at()), the warning ("-15M" minutes,
// "-3H" hours, "-2J" days) and "R" for the reminder.
NoteRecord alarmNote(const QString& setup) {
    QStringList parts = setup.split(QLatin1Char(' '));
    NoteRecord note;
    note.Title = QStringLiteral("Zoë's alarm");
    note.Created = oleAt(QStringLiteral("2024-01-02 08:00:05"));
    note.AlarmState = QStringLiteral("E");
    note.AlarmFreq = parts.takeFirst();
    note.AlarmRemind =
        parts.removeAll(QStringLiteral("R")) ? QStringLiteral("E") : QStringLiteral(" ");
    note.AlarmPrevTp = QStringLiteral("M");
    if (parts.last().startsWith(QLatin1Char('-'))) {
        const QString warn = parts.takeLast();
        note.AlarmPrev = static_cast<std::int16_t>(warn.chopped(1).toInt());
        note.AlarmPrevTp = warn.right(1);
    }
    note.AlarmDate = oleAt(parts.join(QLatin1Char(' ')));
    return note;
}

void columns(std::initializer_list<const char*> names) {
    for (const char* name : names)
        QTest::addColumn<QString>(name);
}

// The cells of a row, separated by " | ".
void row(const char* name, const char* cells) {
    QTestData& data = QTest::newRow(name);
    for (const QString& cell : QString::fromUtf8(cells).split(QStringLiteral(" | ")))
        data << cell;
}

// One alarm note (after another note, so that a restart renumbers it) and the minute check.
struct Run {
    NoteStore store;
    AlarmChecker checker;
    int slot = 0;

    void lastCheckAt(const QString& time) {
        checker.restore(AlarmMemory{wallclock::fromDateTime(at(time)), {}, {}});
    }

    // Steps separated by ", ": "<time> <actions>/<AlarmState>" checks at that moment, each action
    // "A" alarm, "R" reminder or "S" snoozed, with "m" and the due time "HH:mm" when it went off
    // as missed; "snooze N", "set <time>", "disable"; "restart" (the state file written and read
    // back, the notes renumbered); "last <time>" (a previous run's last check). Gives the script
    // back with what each check did.
    QString script(const QString& setup, const QString& steps) {
        const AlarmStateFile file(QStringLiteral("/opt/qb/"));
        slot = store.addNote(0, alarmNote(setup), NoteWindowState{});
        QStringList out;
        QDateTime last;
        for (const QString& step : steps.split(QStringLiteral(", "))) {
            NoteRecord& n = store.Notes[static_cast<size_t>(slot)];
            out << step;
            if (step.startsWith(QStringLiteral("snooze "))) {
                checker.snooze(store, slot, step.mid(7).toInt(), last);
            } else if (step.startsWith(QStringLiteral("set "))) {
                n.AlarmDate = oleAt(step.mid(4));
                n.AlarmState = QStringLiteral("E");
            } else if (step == QStringLiteral("disable")) {
                n.AlarmState = QStringLiteral(" ");
            } else if (step == QStringLiteral("restart")) {
                (void)file.save(checker.memory(store)); // a failed save fails the load below
                const NoteRecord kept = n;
                store.clear();
                store.addNote(0, NoteRecord{}, NoteWindowState{});
                slot = store.addNote(0, kept, NoteWindowState{});
                checker = AlarmChecker();
                if (const auto memory = file.load())
                    checker.restore(*memory);
            } else if (step.startsWith(QStringLiteral("last "))) {
                lastCheckAt(step.mid(5));
            } else {
                const qsizetype space =
                    step.lastIndexOf(QLatin1Char(' '), step.indexOf(QLatin1Char('/')));
                last = at(step.left(space));
                out.last() = step.left(space + 1);
                for (const AlarmAction& a : checker.CheckAlarms(store, last).actions) {
                    out.last() += QStringLiteral("ARS").at(static_cast<int>(a.kind));
                    if (a.missed)
                        out.last() += u'm' + a.alarmAt().toString(QStringLiteral("HH:mm"));
                }
                out.last() += QLatin1Char('/') + n.AlarmState;
            }
        }
        return out.join(QStringLiteral(", "));
    }
};

} // namespace

// The next occurrence, the display status, the minute check (the window rule, the reminder,
// missed minutes, snoozes, the actions) and the state file that carries it across runs.
class TestAlarms : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void nextOccurrence_data();
    void nextOccurrence();
    void alarmStatus_data();
    void alarmStatus();
    void resetDefaults_data();
    void resetDefaults();
    void scripts_data();
    void scripts();
    void actionsOfAFiring_data();
    void actionsOfAFiring();
    void onlyLiveNotesAndOneSound();
    void performingActions_data();
    void performingActions();
    void unreadableStateFile_data();
    void unreadableStateFile();

private:
    QTemporaryDir m_dir;
};

void TestAlarms::initTestCase() {
    // For the whole run: state files in a folder of the test; local time is Paris, where the clock
    // skips from 02:00 to 03:00 on 31 March 2024 and goes from 03:00 back to 02:00 on 27 October.
    qputenv("TZ", "Europe/Paris");
    tzset();
    QVERIFY(m_dir.isValid());
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_STATE_HOME", "relative/state"); // a relative state folder is no state folder
    QCOMPARE(AlarmStateFile::xdgStateHome(), m_dir.path() + QStringLiteral("/.local/state"));
    qputenv("XDG_STATE_HOME", (m_dir.path() + QStringLiteral("/state")).toUtf8());
}

void TestAlarms::nextOccurrence_data() {
    columns({"setup", "now", "alarm", "goesOff"}); // goesOff empty: at the alarm
    // 15 March 2024 is a Friday.
    row("once past stays past", "U 03-10 09:00 | 10:30 | 03-10 09:00 | ");
    row("warning across midnight, year end",
        "U 2025-01-01 00:10 -30M | 10:00 | 2025-01-01 00:10 | 12-31 23:40");
    row("hours warning crosses the month", "U 04-01 01:00 -3H | 10:00 | 04-01 01:00 | 03-31 22:00");
    row("days warning starts at midnight", "U 03-20 09:00 -2J | 10:00 | 03-20 09:00 | 03-18 00:00");
    row("whole day: no minutes warning", "U 03-20 00:00 -30M | 10:00 | 03-20 23:59 | 03-20 00:00");
    row("midnight, hours warning: no whole day", "U 03-20 00:00 -2H | 10:00 | 03-20 00:00 | ");
    row("daily passed today: tomorrow", "J 03-01 09:00 | 10:30 | 03-16 09:00 | ");
    row("hourly across the year end", "H 03-01 08:15 | 12-31 23:30 | 2025-01-01 00:15 | ");
    row("hourly minutes warning kept", "H 03-01 08:45 -10M | 10:30 | 10:45 | 10:35");
    row("weekly passed today: next week", "4 03-01 09:00 | 10:30 | 03-22 09:00 | ");
    row("weekly 7-day warning dropped", "0 03-01 09:00 -7J | 10:30 | 03-18 09:00 | ");
    row("weekly 6-day warning kept", "0 03-01 09:00 -6J | 10:30 | 03-18 09:00 | 03-12 00:00");
    row("monthly 31st, 30-day month", "M 01-31 09:00 | 11-10 10:30 | 12-01 09:00 | ");
    row("monthly 31st, February", "M 2026-01-31 09:00 | 2026-02-01 10:30 | 2026-03-03 09:00 | ");
    row("monthly today, time passed: today", "M 01-15 09:00 | 10:30 | 09:00 | ");
    row("yearly 29 Feb, no leap year", "A 02-29 09:00 | 2025-01-10 10:30 | 2025-03-01 09:00 | ");
    row("yearly passed: next year", "A 2023-03-10 09:00 | 10:30 | 2025-03-10 09:00 | ");
}

void TestAlarms::nextOccurrence() {
    QFETCH(QString, setup);
    QFETCH(QString, now);
    QFETCH(QString, alarm);
    QFETCH(QString, goesOff);
    const AlarmOccurrence occ = NextOccurrence(alarmNote(setup), at(now));
    QCOMPARE(occ.alarm(), at(alarm));
    QCOMPARE(occ.goesOff(), at(goesOff.isEmpty() ? alarm : goesOff));
}

void TestAlarms::alarmStatus_data() {
    columns({"state", "setup", "status"}); // the message and colour; empty: display unchanged
    // Seen at 10:30:00.
    row("disabled", "  | U 09:00 | 31 FF0000");
    row("running", "- | U 09:00 | 35 0080FF");
    row("once a second ago", "E | U 10:29:59 | 34 0000FF");
    row("once at this second", "E | U 10:30:00 | 36 00FF00");
    row("daily past", "E | J 03-01 09:00 | 36 00FF00");
    row("unknown state", "X | U 09:00 | ");
}

void TestAlarms::alarmStatus() {
    QFETCH(QString, state);
    QFETCH(QString, setup);
    QFETCH(QString, status);
    NoteRecord note = alarmNote(setup);
    note.AlarmState = state;
    const auto got = AlarmStatus(note, at(QStringLiteral("10:30:00")));
    QCOMPARE(got ? QString::asprintf("%d %06X", got->message, got->color) : QString(), status);
}

void TestAlarms::resetDefaults_data() {
    // After: returned, saved, date, state, special, frequency, reminder, warning, sound bytes.
    columns({"alarmDate", "after"});
    row("zero date", "0 | reset,changed,45366, , ,J,E,-15M,64");
    row("a day of 1899", "1.5 | reset,changed,45366, , ,J,E,-15M,64");
    row("no date", "nan | reset,changed,45366, , ,J,E,-15M,64");
    row("1 January 1900", "2 | ,,2,E,2,A,E,-3H,0");
}

void TestAlarms::resetDefaults() {
    QFETCH(QString, alarmDate);
    QFETCH(QString, after);
    NoteStore store;
    NoteRecord note = alarmNote(QStringLiteral("A 09:00 -3H R"));
    note.AlarmDate = alarmDate.toDouble();
    note.AlarmSpecial = QStringLiteral("2");
    const int slot = store.addNote(0, note, NoteWindowState{});
    NoteDefaultsRecord defaults;
    defaults.AlarmFreq = QStringLiteral("J");
    defaults.AlarmPrev = -15;
    defaults.AlarmPrevTp = QStringLiteral("M");
    defaults.AlarmSndFil = QString(80, QLatin1Char('s'));
    const bool reset = ResetAlarmDefaults(store, slot, defaults, at(QStringLiteral("10:30")));
    const NoteRecord& a = store.Notes[0];
    QCOMPARE(QStringList({QLatin1String(reset ? "reset" : ""),
                          QLatin1String(a.ChangeMark == mark::Modified ? "changed" : ""),
                          QString::number(a.AlarmDate), a.AlarmState, a.AlarmSpecial, a.AlarmFreq,
                          a.AlarmRemind, QString::number(a.AlarmPrev) + a.AlarmPrevTp,
                          QString::number(a.AlarmSndFil.size())})
                 .join(QLatin1Char(',')),
             after);
}

void TestAlarms::scripts_data() {
    columns({"setup", "script"});
    // The window rule and the reminder.
    row("warning window", "U 10:00 -15M | 09:44 /E, 09:45 A/-, 09:50 /-, 10:00 /-, 10:01 /E");
    row("past once never again", "U 10:00 | 10:00 A/-, 10:01 /E, 03-16 10:00 /E");
    row("reminder once", "U 10:00 -15M R | 09:45 A/-, 09:59 /-, 10:00 R/-, 10:01 /E");
    row("daily again the next day", "J 03-01 10:00 | 10:00 A/-, 10:01 /E, 03-16 10:00 A/-");
    row("daily whole day", "J 03-14 00:00 | 08:00 A/-, 08:01 /-, 03-16 00:00 A/-, 03-16 00:01 /-");
    row("disabled never goes off", "U 10:00 | disable, 10:00 / ");
    // Missed minutes: slow ticks, suspends, the clock set back, restarts.
    row("ticks 130 s apart: on time", "U 10:00 | 09:59:30 /E, 10:01:40 A/-, 10:02:40 /E");
    row("130 s ticks: the reminder", "U 10:00 -15M R | 09:45 A/-, 09:59:30 /-, 10:01:40 R/E");
    row("3-hour suspend", "U 10:00 | 08:59 /E, 11:59 Am10:00/-, 12:00 /E");
    row("clock set back: daily the next day",
        "J 03-01 10:00 | 10:00 A/-, 10:30 /E, 09:30 /E, 10:00 /E, 03-16 10:00 A/-");
    row("set back, then moved", "U 10:00 | 10:00 A/-, 09:30 /E, set 09:45, 09:45 A/-");
    row("start after 2 days off", "J 03-01 09:00 | last 03-13 18:00, 10:00 Am09:00/-, 10:01 /E");
    row("start without a state file: no catching up", "U 03-14 09:00 | 10:00 /E");
    row("start after 10 days off: 8 days old lost", "U 03-07 09:00 | last 03-05 18:00, 10:00 /E");
    row("10 days off: 6-day-old caught up", "U 03-09 11:00 | last 03-05 18:00, 10:00 Am11:00/-");
    row("set back over a restart", "U 10:00 | 10:00 A/-, 10:01 /E, restart, 09:00 /E, 10:00 /E");
    // The night that skips 02:30 and the one that repeats it (ticks in UTC).
    row("skipped hour", "J 03-01 02:30 | 03-31 00:59Z /E, 03-31 01:00Z A/-, 03-31 01:01Z /E");
    row("repeated hour: once, the next day",
        "J 10-01 02:30 | 10-27 00:29Z /E, 10-27 00:30Z A/-, 10-27 00:31Z /E, 10-27 01:30Z /E, "
        "10-27 01:31Z /E, 10-28 01:30Z A/-");
    // Snoozes.
    row("snooze 5", "U 10:00 | 10:00 A/-, snooze 5, 10:01 /E, 10:04 /E, 10:05 S/E, 10:06 /E");
    row("snooze across a restart", "U 10:00 | 10:00 A/-, snooze 15, restart, 10:14 /E, 10:15 S/E");
    row("snooze switched off meanwhile", "U 10:00 | 10:00 A/-, snooze 5, disable, 10:05 / ");
}

void TestAlarms::scripts() {
    QFETCH(QString, setup);
    QFETCH(QString, script);
    QCOMPARE(Run().script(setup, script), script);
}

void TestAlarms::actionsOfAFiring_data() {
    // The note's show flag or a missed firing; the action as show|sound|program|special|skipped.
    columns({"flags", "sound", "program", "special", "action"});
    row("no action: the note shows", " |  |  |   | show||| |");
    row("program trimmed, case kept",
        " |  |  /home/Me/Bin/Remind.EXE  |   | ||/home/Me/Bin/Remind.EXE| |");
    row("sound and wallpaper", "show |  a.wav  |  | 0 | show|a.wav||0|");
    row("shut down", " |  |  | 2 | |||2|");
    row("missed shut down is skipped", "missed |  |  | 2 | ||| |skipped");
    row("missed wallpaper still changes", "missed |  |  | 0 | |||0|");
}

void TestAlarms::actionsOfAFiring() {
    QFETCH(QString, flags);
    QFETCH(QString, sound);
    QFETCH(QString, program);
    QFETCH(QString, special);
    QFETCH(QString, action);
    const bool missed = flags == QStringLiteral("missed");
    Run run;
    run.store.addNote(0, alarmNote(QStringLiteral("U 10:00")), NoteWindowState{});
    NoteRecord& note = run.store.Notes[0];
    note.AlarmShow = flags == QStringLiteral("show");
    note.AlarmPlaySd = !sound.isEmpty();
    note.AlarmSndFil = sound;
    note.AlarmExecut = !program.isEmpty();
    note.AlarmExeFil = program;
    note.AlarmSpecial = special;
    if (missed)
        run.lastCheckAt(QStringLiteral("09:00"));
    const AlarmCheckResult result =
        run.checker.CheckAlarms(run.store, at(QLatin1String(missed ? "12:00" : "10:00")));
    QCOMPARE(result.actions.size(), size_t(1));
    const AlarmAction& a = result.actions.front();
    QCOMPARE(
        QStringList({a.show ? QStringLiteral("show") : QString(), a.soundFile, a.executeFile,
                     QString(a.special), a.shutDownSkipped ? QStringLiteral("skipped") : QString()})
            .join(QLatin1Char('|')),
        action);
    // The firing is saved with the note: "no action" becomes "show".
    QCOMPARE(note.ChangeMark, mark::Modified);
    QCOMPARE(note.AlarmShow, action.startsWith(QStringLiteral("show|")));
    QCOMPARE(result.statusChanged, std::vector<int>{0});
}

void TestAlarms::onlyLiveNotesAndOneSound() {
    Run run;
    NoteWindowState switchedOff;
    switchedOff.Live = false;
    for (int i = 0; i < 5; ++i) {
        NoteRecord note = alarmNote(QStringLiteral("U 10:00"));
        note.AlarmPlaySd = true;
        note.AlarmSndFil = QStringLiteral("ring%1.wav").arg(i);
        run.store.addNote(0, note, i == 0 ? switchedOff : NoteWindowState{});
    }
    run.store.markDeleted(1);
    run.lastCheckAt(QStringLiteral("08:00"));
    // Many missed at once: one summary, one sound.
    QString got;
    for (const AlarmAction& a :
         run.checker.CheckAlarms(run.store, at(QStringLiteral("12:00"))).actions)
        got += QString::number(a.slot) + QLatin1String(a.missed ? "m" : "") +
               QLatin1String(a.soundFile.isEmpty() ? " " : "s ");
    QCOMPARE(got.count(QLatin1Char('s')), 1);
    QCOMPARE(got.remove(QLatin1Char('s')), QStringLiteral("2m 3m 4m "));
}

namespace {

// The program's side of the actions and the desktop, writing what is asked of them to one log.
struct ActionLog final : AlarmHost, Desktop {
    QStringList log;
    bool saved = true;
    QStringList savers{QStringLiteral("maze"), QStringLiteral("qix")};

    void showAlarmNote(int slot, bool late) override {
        log << QStringLiteral("show %1%2").arg(slot).arg(QLatin1String(late ? " late" : ""));
    }
    void setNoteText(int, const QString& text) override {
        log << QStringLiteral("text ") + QFileInfo(text).fileName();
    }
    bool shutDownProgram() override {
        log << QStringLiteral("save all");
        return saved;
    }
    void showMissedAlarms(const QList<MissedAlarm>& missed) override {
        for (const MissedAlarm& m : missed)
            log << QStringLiteral("summary ") + m.notices.join(QLatin1Char('/'));
    }
    Result setWallpaper(const QString& picture) override {
        log << QStringLiteral("wallpaper ") + QFileInfo(picture).fileName();
        return {};
    }
    QStringList screensavers() override { return savers; }
    Result setScreensaver(int index) override {
        log << QStringLiteral("screensaver %1").arg(index);
        return {};
    }
    Result powerOff() override {
        log << QStringLiteral("power off");
        return {};
    }
};

} // namespace

void TestAlarms::performingActions_data() {
    // The note ("show", a sound, a program or document, a desktop action, its text), what the
    // machine has ("late", "no sound", "starts fail", "unsaved", "no savers"), and the log.
    columns({"note", "machine", "log"});
    row("a program in capitals starts as it is written",
        "exe:Bin/REMIND.EXE |  | start Bin/REMIND.EXE");
    row("an executable file starts", "exe:run.sh |  | start run.sh");
    row("a document opens", "exe:todo.txt |  | open todo.txt");
    row("a missing document is told", "exe:gone.txt |  | box 60 gone.txt");
    row("a program that cannot start is told",
        "exe:x.exe | starts fail | start x.exe, box 59 x.exe");
    row("sound without an output: nothing told", "show, sound:a.wav | no sound | show 0");
    row("wallpaper onto an empty note", "wall |  | wallpaper b.jpg, text b.jpg");
    row("wallpaper keeps a note's own text", "wall, text:shopping |  | wallpaper b.jpg");
    row("screensaver", "saver |  | screensaver 1, text qix");
    row("no screensaver to choose: told", "saver | no savers | box 118");
    row("shut down saves first", "off |  | save all, power off");
    row("unsaved notes keep the machine on", "off | unsaved | save all");
    row("late: no boxes, one summary",
        "show, exe:gone.txt | late | show 0 late, summary 60 gone.txt");
}

void TestAlarms::performingActions() {
    QFETCH(QString, note);
    QFETCH(QString, machine);
    QFETCH(QString, log);
    QTemporaryDir dir;
    QVERIFY(QFile(dir.filePath(QStringLiteral("todo.txt"))).open(QIODevice::WriteOnly));
    QFile script(dir.filePath(QStringLiteral("run.sh")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    QDir(dir.path()).mkdir(QStringLiteral("pictures"));
    QVERIFY(QFile(dir.filePath(QStringLiteral("pictures/b.jpg"))).open(QIODevice::WriteOnly));

    NoteStore store;
    AlarmAction action;
    action.slot = store.addNote(0, alarmNote(QStringLiteral("U 10:00")), NoteWindowState{});
    action.missed = machine.contains(QLatin1String("late"));
    for (const QString& item : note.split(QStringLiteral(", "))) {
        const QString value = item.section(QLatin1Char(':'), 1);
        if (item == QLatin1String("show"))
            action.show = true;
        else if (item.startsWith(QLatin1String("sound:")))
            action.soundFile = value;
        else if (item.startsWith(QLatin1String("exe:")))
            action.executeFile = value.startsWith(QLatin1Char('~')) ? value : dir.filePath(value);
        else if (item.startsWith(QLatin1String("text:")))
            store.Windows[0].Text = value;
        else
            action.special = item == QLatin1String("wall")    ? u'0'
                             : item == QLatin1String("saver") ? u'1'
                                                              : u'2';
    }
    Settings settings;
    settings.PictureDir = dir.filePath(QStringLiteral("pictures/"));
    Translator tr;
    FakeMessageSink messages;
    FakeDesktopShell shell;
    shell.fails = machine.contains(QLatin1String("starts fail"));
    FakeSound sound;
    sound.device = !machine.contains(QLatin1String("no sound"));
    ActionLog host;
    host.saved = !machine.contains(QLatin1String("unsaved"));
    if (machine.contains(QLatin1String("no savers")))
        host.savers.clear();
    AlarmActions actions(AlarmActionsContext{store, settings, messages, tr, shell, sound, host,
                                             host, [](int n) { return n - 1; }});
    AlarmCheckResult result;
    result.actions.push_back(action);
    actions.perform(result);

    QStringList got = host.log;
    for (const QString& started : shell.started)
        got << QStringLiteral("start ") +
                   started.trimmed().replace(dir.path() + QLatin1Char('/'), QString());
    for (const QString& opened : shell.opened)
        got << QStringLiteral("open ") + QFileInfo(opened).fileName();
    for (const FakeMessageSink::Shown& box : messages.shown) {
        const int number = box.text.startsWith(tr.Translation(59))   ? 59
                           : box.text.startsWith(tr.Translation(60)) ? 60
                                                                     : 118;
        got << QStringLiteral("box %1 %2")
                   .arg(number)
                   .arg(QFileInfo(box.text.section(QLatin1String("\r\n"), 1)).fileName())
                   .trimmed();
    }
    got.replaceInStrings(QStringLiteral("summary ") + tr.Translation(60) + QStringLiteral("\r\n") +
                             dir.path() + QLatin1Char('/'),
                         QStringLiteral("summary 60 "));
    QCOMPARE(got.join(QStringLiteral(", ")), log);
    // The sound plays only where there is an output; never a box for it.
    QCOMPARE(sound.played.size(), action.soundFile.isEmpty() || !sound.device ? 0 : 1);
}

void TestAlarms::unreadableStateFile_data() {
    columns({"content"}); // empty: no file
    row("no file", "");
    row("damaged", "{\"version\": 1, \"lastCh");
    row("bad last check",
        "{\"version\": 1, \"programFolder\": \"/opt/qb/\", \"lastCheck\": \"yesterday\"}");
    row("a newer format",
        "{\"version\": 2, \"programFolder\": \"/opt/qb/\", \"lastCheck\": \"2024-03-15T10:30\"}");
    row("another program folder's file",
        "{\"version\": 1, \"programFolder\": \"/x/\", \"lastCheck\": \"2024-03-15T10:30\"}");
}

void TestAlarms::unreadableStateFile() {
    QFETCH(QString, content);
    const AlarmStateFile file(QStringLiteral("/opt/qb/"));
    QFile::remove(file.path());
    QVERIFY(QDir().mkpath(QFileInfo(file.path()).path()));
    if (!content.isEmpty())
        QVERIFY(!fileio::writeAll(file.path(), content.toUtf8()));
    QVERIFY(!file.load());
    // Replaced whole through a temporary file in its folder under the state folder.
    QVERIFY(file.path().startsWith(m_dir.path() + QStringLiteral("/state/Quillaboard/")));
    QVERIFY(!file.save(AlarmMemory{wallclock::fromDateTime(at(QStringLiteral("10:30"))), {}, {}}) &&
            file.load());
    const QFileInfo info(file.path());
    QCOMPARE(info.dir().entryList(QDir::Files), QStringList{info.fileName()});
}

QB_TEST_CLASS(TestAlarms)
QB_TEST_MAIN
#include "tst_alarms.moc"
