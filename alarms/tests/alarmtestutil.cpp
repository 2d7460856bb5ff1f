#include "alarmtestutil.h"

#include "alarms/alarmstatefile.h"
#include "alarms/wallclock.h"

#include <QTimeZone>

namespace {

struct Parts {
    QDate day;
    QTime time;
    bool utc = false;
};

Parts parse(const QString& input) {
    QString text = input.trimmed();
    Parts p{QDate(2024, 3, 15), QTime(), text.endsWith(QLatin1Char('Z'))};
    if (p.utc)
        text.chop(1);
    if (const int space = text.lastIndexOf(QLatin1Char(' ')); space > 0) {
        const QString day = text.left(space);
        p.day = QDate::fromString(day.size() == 5 ? QStringLiteral("2024-") + day : day,
                                  QStringLiteral("yyyy-MM-dd"));
        text = text.mid(space + 1);
    }
    p.time = QTime::fromString(text, text.size() == 5 ? QStringLiteral("HH:mm")
                                                      : QStringLiteral("HH:mm:ss"));
    return p;
}

} // namespace

QDateTime at(const QString& text) {
    const Parts p = parse(text);
    if (p.utc)
        return QDateTime(p.day, p.time, QTimeZone::utc()).toLocalTime();
    return QDateTime(p.day, p.time);
}

double oleAt(const QString& text) {
    // From the fields: a minute the local clock skips is still a stored alarm time.
    const Parts p = parse(text);
    return static_cast<double>(QDate(1899, 12, 30).daysTo(p.day)) +
           p.time.msecsSinceStartOfDay() / 86'400'000.0;
}

NoteRecord alarmNote(const AlarmSetup& setup, const QString& title) {
    NoteRecord note;
    note.Title = title;
    note.Created = oleAt(QStringLiteral("2024-01-02 08:00:05"));
    note.AlarmState = QStringLiteral("E");
    note.AlarmFreq = setup.freq;
    note.AlarmDate = oleAt(setup.alarm);
    note.AlarmPrev = static_cast<std::int16_t>(setup.prev);
    note.AlarmPrevTp = setup.unit;
    note.AlarmRemind = setup.remind ? QStringLiteral("E") : QStringLiteral(" ");
    note.AlarmShow = true;
    return note;
}

AlarmScript::AlarmScript()
    : m_oldStateHome(qgetenv("XDG_STATE_HOME")) {
    qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
}

AlarmScript::~AlarmScript() {
    qputenv("XDG_STATE_HOME", m_oldStateHome);
}

const NoteRecord& AlarmScript::note() const {
    return store.Notes[static_cast<size_t>(slot)];
}

void AlarmScript::lastCheckAt(const QString& time) {
    AlarmMemory memory;
    memory.lastCheck = wallclock::fromDateTime(at(time));
    checker.restore(memory);
}

QStringList AlarmScript::run(const AlarmSetup& setup, const QStringList& script) {
    const QString folder = m_state.path() + QStringLiteral("/program/");
    store.clear();
    slot = store.addNote(0, alarmNote(setup), NoteWindowState{});
    QStringList out;
    QDateTime last;
    for (const QString& step : script) {
        if (step.startsWith(QStringLiteral("snooze "))) {
            checker.snooze(store, slot, step.mid(7).toInt(), last);
        } else if (step.startsWith(QStringLiteral("set "))) {
            NoteRecord& n = store.Notes[static_cast<size_t>(slot)];
            n.AlarmDate = oleAt(step.mid(4));
            n.AlarmState = QStringLiteral("E");
        } else if (step == QStringLiteral("disable")) {
            store.Notes[static_cast<size_t>(slot)].AlarmState = QStringLiteral(" ");
        } else if (step == QStringLiteral("restart")) {
            const AlarmStateFile file(folder);
            if (file.save(checker.memory(store)))
                return {QStringLiteral("state file not written")};
            const NoteRecord kept = note();
            store.clear();
            NoteRecord other;
            other.Title = QStringLiteral("Another note");
            store.addNote(0, other, NoteWindowState{});
            slot = store.addNote(0, kept, NoteWindowState{});
            checker = AlarmChecker();
            if (const auto memory = file.load())
                checker.restore(*memory);
        } else if (step.startsWith(QStringLiteral("last "))) {
            lastCheckAt(step.mid(5));
        } else {
            last = at(step);
            lastResult = checker.CheckAlarms(store, last);
            QString token;
            for (const AlarmAction& action : lastResult.actions) {
                token += action.kind == AlarmAction::Kind::Alarm      ? QStringLiteral("A")
                         : action.kind == AlarmAction::Kind::Reminder ? QStringLiteral("R")
                                                                      : QStringLiteral("S");
                if (action.missed)
                    token += QStringLiteral("m") +
                             action.alarmAt().toString(action.alarmAt().date() == last.date()
                                                           ? QStringLiteral("HH:mm")
                                                           : QStringLiteral("MM-dd HH:mm"));
            }
            out << token + QLatin1Char('/') + note().AlarmState;
        }
    }
    return out;
}
