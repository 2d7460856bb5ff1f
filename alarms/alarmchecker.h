#pragma once

#include "alarms/alarmcheck.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <vector>

class NoteStore;
struct NoteRecord;

// What one alarm going off asks the program to do for one note. The minute check decides; the
// program performs (show and flash, sound, program or document, desktop action).
struct AlarmAction {
    enum class Kind {
        Alarm,    // the alarm went off ("E" to "-")
        Reminder, // the reminder at the exact alarm minute
        Snoozed,  // a snoozed alarm came back
    };
    int slot = -1;
    Kind kind = Kind::Alarm;
    bool show = false;    // show the note and make it flash
    QString soundFile;    // trimmed; empty: no sound
    QString executeFile;  // trimmed, as stored; empty: nothing to start or open
    QChar special = u' '; // desktop action: "0" wallpaper, "1" screensaver, "2" shut down
    // It went off late: the checks stopped (suspend, clock moved forward) or the program was not
    // running at its minute. The note's title bar or the summary box says when it was due.
    bool missed = false;
    // A missed alarm never shuts the machine down: a machine started the next morning would
    // power off at once. The summary says it was skipped.
    bool shutDownSkipped = false;
    // When it was to go off (the warning moment, the reminder minute or the snooze's end) and
    // the alarm moment it belongs to, as wall-clock minutes (wallclock.h).
    qint64 goesOffMinute = 0;
    qint64 alarmMinute = 0;

    // The same as local times; a minute the clock skipped reads as the minute after the jump.
    [[nodiscard]] QDateTime goesOffAt() const;
    [[nodiscard]] QDateTime alarmAt() const;
};

struct AlarmCheckResult {
    std::vector<AlarmAction> actions;
    // Notes whose AlarmState changed (the status display is refreshed for them).
    std::vector<int> statusChanged;

    // Missed alarms are announced together in one box that lists them.
    [[nodiscard]] std::vector<const AlarmAction*> missed() const;
};

// The identity of a note across runs (slots are renumbered at every start): its creation date,
// stamped when the note is first saved and never changed after, plus its title, which tells
// apart notes first saved in the same second.
struct NoteIdentity {
    double created = 0;
    QString title;

    [[nodiscard]] static NoteIdentity of(const NoteRecord& note);
    friend bool operator==(const NoteIdentity& a, const NoteIdentity& b) {
        return a.created == b.created && a.title == b.title;
    }
};
[[nodiscard]] size_t qHash(const NoteIdentity& id, size_t seed = 0);

// The alarm settings an occurrence was computed from: when the user changes any of them, the
// memory of what already went off no longer applies.
struct AlarmSettingsKey {
    double alarmDate = 0;
    QChar freq;
    std::int16_t prev = 0;
    QChar prevTp;

    [[nodiscard]] static AlarmSettingsKey of(const NoteRecord& note);
    friend bool operator==(const AlarmSettingsKey&, const AlarmSettingsKey&) = default;
};

// What the minute check keeps between checks and across runs (the state file holds it).
// Moments are wall-clock minutes (wallclock.h).
struct AlarmMemory {
    std::optional<qint64> lastCheck;
    struct Snooze {
        NoteIdentity note;
        qint64 until = 0;
    };
    QList<Snooze> snoozes;
    // The last occurrence that went off per note, so that a clock set back never sets the
    // same occurrence off twice.
    struct Fired {
        NoteIdentity note;
        AlarmSettingsKey settings;
        qint64 goesOff = 0;
    };
    QList<Fired> fired;
};

// The alarm check of all notes, once a minute (`CheckAlarms`): it moves alarm states, marks
// notes changed and returns the actions to perform. It covers every minute since its previous
// check, so no alarm is lost to a late tick, a suspend or a clock moved forward.
class AlarmChecker {
public:
    static constexpr std::array<int, 3> SnoozeMinutes{5, 15, 60};
    // Missed alarms are caught up for this long (also after a run of the program).
    static constexpr int CatchUpMinutes = 7 * 1440;
    // A check this late after an alarm's minute still counts as on time: the minute timer drifts.
    static constexpr int LateGraceMinutes = 2;

    AlarmChecker() = default;

    // Takes what a previous run kept (see AlarmStateFile); without it nothing is caught up.
    void restore(const AlarmMemory& memory);
    // What to keep for the next run, notes named by their identity.
    [[nodiscard]] AlarmMemory memory(const NoteStore& store) const;

    // The check of all notes at `now`.
    [[nodiscard]] AlarmCheckResult CheckAlarms(NoteStore& store, const QDateTime& now);

    // The note's alarm goes off again, with all its actions, `minutes` after `now`.
    void snooze(const NoteStore& store, int slot, int minutes, const QDateTime& now);
    void cancelSnooze(int slot);
    [[nodiscard]] std::optional<QDateTime> snoozedUntil(int slot) const;

private:
    struct Guard {
        AlarmSettingsKey settings;
        qint64 goesOff = 0;
    };
    struct Pass;

    [[nodiscard]] bool mayGoOff(int slot, const NoteRecord& note, qint64 goesOff) const;
    bool checkWaiting(Pass& pass, int slot);
    void checkRunning(Pass& pass, int slot);
    void checkSnooze(Pass& pass, int slot, bool alreadyFired);
    AlarmAction FireAlarm(Pass& pass, int slot, const AlarmOccurrence& occ, AlarmAction::Kind kind,
                          qint64 due);
    void resolvePending(const NoteStore& store);

    std::optional<qint64> m_lastCheck;
    QHash<int, qint64> m_snoozes; // slot -> until
    QHash<int, Guard> m_fired;    // slot -> last occurrence that went off
    // Kept from the previous run until the first check finds their notes.
    QList<AlarmMemory::Snooze> m_pendingSnoozes;
    QList<AlarmMemory::Fired> m_pendingFired;
};
