#include "alarms/alarmchecker.h"

#include "alarms/wallclock.h"
#include "store/notestore.h"

#include <algorithm>

namespace {

using namespace wallclock;

const QString StateRunning = QStringLiteral("-");
const QString StateEnabled = QStringLiteral("E");

// The longest run of occurrences looked through for the latest one missed: a week of an
// hourly alarm, the most frequent there is.
constexpr int MaxStepsThroughGap = 7 * 24 + 2;
// No daylight-saving change moves the local clock by more than this.
constexpr int LongestClockShiftMinutes = 120;

bool hasAnyAction(const NoteRecord& note) {
    return alarmcode::of(note.AlarmSpecial) != u' ' || note.AlarmShow || note.AlarmPlaySd ||
           note.AlarmExecut;
}

} // namespace

NoteIdentity NoteIdentity::of(const NoteRecord& note) {
    return NoteIdentity{note.Created, note.Title.trimmed()};
}

size_t qHash(const NoteIdentity& id, size_t seed) {
    return qHashMulti(seed, id.created, id.title);
}

AlarmSettingsKey AlarmSettingsKey::of(const NoteRecord& note) {
    return AlarmSettingsKey{note.AlarmDate, alarmcode::of(note.AlarmFreq), note.AlarmPrev,
                            alarmcode::of(note.AlarmPrevTp)};
}

QDateTime AlarmAction::goesOffAt() const {
    return toRealTime(goesOffMinute);
}

QDateTime AlarmAction::alarmAt() const {
    return toRealTime(alarmMinute);
}

std::vector<const AlarmAction*> AlarmCheckResult::missed() const {
    std::vector<const AlarmAction*> out;
    for (const AlarmAction& action : actions)
        if (action.missed)
            out.push_back(&action);
    return out;
}

struct AlarmChecker::Pass {
    NoteStore& store;
    qint64 now = 0;
    qint64 start = 0; // the first minute not covered by the previous check
    QDateTime nowReal;
    AlarmCheckResult result;

    [[nodiscard]] bool isLate(qint64 moment) const {
        // Far from the grace on the wall clock, no daylight-saving change decides: no local time
        // to work out, which is slow when thousands of alarms were missed at once.
        if (moment >= now - LateGraceMinutes)
            return false;
        if (moment < now - LateGraceMinutes - LongestClockShiftMinutes)
            return true;
        const QDateTime due = toRealTime(moment);
        return due.isValid() && due.secsTo(nowReal) > LateGraceMinutes * 60;
    }
    void stateChanged(int slot) {
        if (result.statusChanged.empty() || result.statusChanged.back() != slot)
            result.statusChanged.push_back(slot);
    }
};

void AlarmChecker::restore(const AlarmMemory& memory) {
    m_lastCheck = memory.lastCheck;
    m_snoozes.clear();
    m_fired.clear();
    m_pendingSnoozes = memory.snoozes;
    m_pendingFired = memory.fired;
}

AlarmMemory AlarmChecker::memory(const NoteStore& store) const {
    AlarmMemory out;
    out.lastCheck = m_lastCheck;
    out.snoozes = m_pendingSnoozes;
    out.fired = m_pendingFired;
    for (auto it = m_snoozes.cbegin(); it != m_snoozes.cend(); ++it)
        if (store.isValidSlot(it.key()))
            out.snoozes.append(
                {NoteIdentity::of(store.Notes[static_cast<size_t>(it.key())]), it.value()});
    for (auto it = m_fired.cbegin(); it != m_fired.cend(); ++it)
        if (store.isValidSlot(it.key()))
            out.fired.append({NoteIdentity::of(store.Notes[static_cast<size_t>(it.key())]),
                              it.value().settings, it.value().goesOff});
    return out;
}

void AlarmChecker::resolvePending(const NoteStore& store) {
    if (m_pendingSnoozes.isEmpty() && m_pendingFired.isEmpty())
        return;
    QHash<NoteIdentity, qint64> snoozes;
    for (const AlarmMemory::Snooze& s : std::as_const(m_pendingSnoozes))
        snoozes.insert(s.note, s.until);
    QHash<NoteIdentity, Guard> fired;
    for (const AlarmMemory::Fired& f : std::as_const(m_pendingFired))
        fired.insert(f.note, Guard{f.settings, f.goesOff});
    for (int slot = 0; slot <= store.LastNote(); ++slot) {
        const NoteIdentity id = NoteIdentity::of(store.Notes[static_cast<size_t>(slot)]);
        if (const auto s = snoozes.constFind(id); s != snoozes.cend())
            m_snoozes.insert(slot, s.value());
        if (const auto f = fired.constFind(id); f != fired.cend())
            m_fired.insert(slot, f.value());
    }
    m_pendingSnoozes.clear();
    m_pendingFired.clear();
}

void AlarmChecker::snooze(const NoteStore& store, int slot, int minutes, const QDateTime& now) {
    if (store.isValidSlot(slot) && minutes > 0)
        m_snoozes.insert(slot, fromDateTime(now) + minutes);
}

void AlarmChecker::cancelSnooze(int slot) {
    m_snoozes.remove(slot);
}

std::optional<QDateTime> AlarmChecker::snoozedUntil(int slot) const {
    const auto it = m_snoozes.constFind(slot);
    if (it == m_snoozes.cend())
        return std::nullopt;
    return toRealTime(it.value());
}

bool AlarmChecker::mayGoOff(int slot, const NoteRecord& note, qint64 goesOff) const {
    if (m_fired.isEmpty())
        return true;
    const auto it = m_fired.constFind(slot);
    return it == m_fired.cend() || !(it.value().settings == AlarmSettingsKey::of(note)) ||
           goesOff > it.value().goesOff;
}

AlarmAction AlarmChecker::FireAlarm(Pass& pass, int slot, const AlarmOccurrence& occ,
                                    AlarmAction::Kind kind, qint64 due) {
    NoteRecord& note = pass.store.Notes[static_cast<size_t>(slot)];
    if (kind != AlarmAction::Kind::Snoozed) {
        if (note.AlarmState != StateRunning) {
            note.AlarmState = StateRunning;
            pass.stateChanged(slot);
        }
        // A daily alarm's stored date follows the day on which it last went off.
        if (alarmcode::of(note.AlarmFreq) == alarmcode::Daily) {
            QDate day;
            int time = 0;
            if (fromOle(note.AlarmDate, day, time))
                note.AlarmDate = toOle(dayOf(pass.now), time);
        }
    }
    if (!hasAnyAction(note))
        note.AlarmShow = true;

    AlarmAction action;
    action.slot = slot;
    action.kind = kind;
    action.missed = pass.isLate(due);
    action.show = note.AlarmShow;
    if (note.AlarmPlaySd)
        action.soundFile = note.AlarmSndFil.trimmed();
    if (note.AlarmExecut)
        action.executeFile = note.AlarmExeFil.trimmed();
    action.special = alarmcode::of(note.AlarmSpecial);
    if (action.missed && action.special == alarmcode::ShutDown) {
        action.special = u' ';
        action.shutDownSkipped = true;
    }
    action.goesOffMinute = kind == AlarmAction::Kind::Alarm ? occ.warnMinute : due;
    action.alarmMinute = kind == AlarmAction::Kind::Snoozed ? due : occ.alarmMinute;

    if (kind == AlarmAction::Kind::Alarm)
        m_fired.insert(slot, Guard{AlarmSettingsKey::of(note), occ.warnMinute});
    else if (auto it = m_fired.find(slot); it != m_fired.end())
        it.value().settings = AlarmSettingsKey::of(note);
    pass.store.MarkChanged(slot, false);
    return action;
}

bool AlarmChecker::checkWaiting(Pass& pass, int slot) {
    const NoteRecord& note = pass.store.Notes[static_cast<size_t>(slot)];
    const AlarmOccurrence current = nextOccurrenceAt(note, pass.now);
    if (current.warnMinute <= pass.now && current.alarmMinute >= pass.now) {
        if (!mayGoOff(slot, note, current.warnMinute))
            return false;
        pass.result.actions.push_back(
            FireAlarm(pass, slot, current, AlarmAction::Kind::Alarm, current.alarmMinute));
        return true;
    }
    if (pass.start >= pass.now)
        return false;
    // The minutes since the previous check: of the occurrences whose window closed in them, the
    // latest goes off once.
    std::optional<AlarmOccurrence> latest;
    qint64 from = pass.start;
    for (int step = 0; step < MaxStepsThroughGap; ++step) {
        const AlarmOccurrence occ = nextOccurrenceAt(note, from);
        if (occ.alarmMinute < from || occ.warnMinute > pass.now || occ.alarmMinute >= pass.now)
            break;
        latest = occ;
        from = occ.alarmMinute + 1;
    }
    if (!latest || !mayGoOff(slot, note, latest->warnMinute))
        return false;
    pass.result.actions.push_back(
        FireAlarm(pass, slot, *latest, AlarmAction::Kind::Alarm, latest->alarmMinute));
    return true;
}

void AlarmChecker::checkRunning(Pass& pass, int slot) {
    NoteRecord& note = pass.store.Notes[static_cast<size_t>(slot)];
    QDate storedDay;
    int storedTime = 0;
    if (!fromOle(note.AlarmDate, storedDay, storedTime))
        storedDay = QDate(1899, 12, 30);

    // The reminder at the alarm minute (or at the current minute for an alarm without a time),
    // when that minute lies in the minutes this check covers.
    std::optional<AlarmAction> reminder;
    if (alarmcode::of(note.AlarmRemind) == alarmcode::Enabled) {
        const AlarmOccurrence running = nextOccurrenceAt(note, pass.start);
        const int remindTime = storedTime == 0 ? minuteOf(pass.now) : storedTime;
        const qint64 remindAt = fromParts(running.AlarmDay, remindTime);
        if (remindAt >= pass.start && remindAt <= pass.now) {
            reminder = FireAlarm(pass, slot, running, AlarmAction::Kind::Reminder, remindAt);
            note.AlarmRemind = QStringLiteral("-");
            pass.store.MarkChanged(slot, false);
        }
    }

    const AlarmOccurrence current = nextOccurrenceAt(note, pass.now);
    const auto rearm = [&] {
        note.AlarmState = StateEnabled;
        if (alarmcode::of(note.AlarmRemind) == alarmcode::Running)
            note.AlarmRemind = StateEnabled;
        pass.stateChanged(slot);
        pass.store.MarkChanged(slot, false);
    };
    // A whole-day daily alarm of an earlier day is over: today's may go off.
    if (storedTime == 0 && alarmcode::of(note.AlarmFreq) == alarmcode::Daily &&
        storedDay < dayOf(pass.now))
        rearm();
    else if (!(current.warnMinute <= pass.now && current.alarmMinute >= pass.now))
        rearm();

    // Re-armed: an occurrence in the minutes covered goes off now rather than a check later,
    // and then stands for the reminder as well.
    if (note.AlarmState == StateEnabled && checkWaiting(pass, slot))
        return;
    if (reminder)
        pass.result.actions.push_back(*reminder);
}

void AlarmChecker::checkSnooze(Pass& pass, int slot, bool alreadyFired) {
    const auto it = m_snoozes.find(slot);
    if (it == m_snoozes.end() || it.value() > pass.now)
        return;
    const qint64 until = it.value();
    m_snoozes.erase(it);
    const NoteRecord& note = pass.store.Notes[static_cast<size_t>(slot)];
    if (alreadyFired || alarmcode::of(note.AlarmState) == alarmcode::Disabled ||
        until < pass.now - CatchUpMinutes)
        return;
    pass.result.actions.push_back(
        FireAlarm(pass, slot, nextOccurrenceAt(note, pass.now), AlarmAction::Kind::Snoozed, until));
}

AlarmCheckResult AlarmChecker::CheckAlarms(NoteStore& store, const QDateTime& now) {
    resolvePending(store);
    const QDateTime local = now.toLocalTime();
    Pass pass{store,
              fromDateTime(local),
              0,
              local.addMSecs(-(local.time().msecsSinceStartOfDay() % 60'000)),
              {}};
    pass.start = pass.now;
    // A clock set back covers only the current minute; what already went off stays off.
    if (m_lastCheck && *m_lastCheck < pass.now)
        pass.start = std::max(*m_lastCheck + 1, pass.now - CatchUpMinutes);
    m_lastCheck = pass.now;

    for (int slot = 0; slot <= store.LastNote(); ++slot) {
        const auto index = static_cast<size_t>(slot);
        if (!store.Windows[index].Live || store.Notes[index].isDeleted()) {
            if (!m_snoozes.isEmpty())
                m_snoozes.remove(slot);
            continue;
        }
        bool fired = false;
        const QChar state = alarmcode::of(store.Notes[index].AlarmState);
        if (state == alarmcode::Enabled) {
            fired = checkWaiting(pass, slot);
        } else if (state == alarmcode::Running) {
            const size_t before = pass.result.actions.size();
            checkRunning(pass, slot);
            fired = pass.result.actions.size() != before;
        } else if (state == alarmcode::Disabled && !m_fired.isEmpty()) {
            // Switched off: enabling it again starts afresh.
            m_fired.remove(slot);
        }
        if (!m_snoozes.isEmpty())
            checkSnooze(pass, slot, fired);
    }

    // Forget what went off longer ago than anything that could still be caught up.
    const qint64 forgetBefore = pass.now - CatchUpMinutes - wallclock::MinutesPerDay;
    m_fired.removeIf(
        [&](QHash<int, Guard>::iterator it) { return it.value().goesOff < forgetBefore; });

    // After a gap many alarms may be due at once: one sound for all that were missed.
    bool soundKept = false;
    for (AlarmAction& action : pass.result.actions) {
        if (!action.missed || action.soundFile.isEmpty())
            continue;
        if (soundKept)
            action.soundFile.clear();
        soundKept = true;
    }
    return std::move(pass.result);
}
