#pragma once

#include "alarms/alarmchecker.h"
#include "store/notestore.h"

#include <QDateTime>
#include <QMetaType>
#include <QStringList>
#include <QTemporaryDir>

// "2024-03-15 10:30", "03-16 10:30" (in 2024), "10:30" or "10:30:40" (on 15 March 2024);
// a trailing "Z" gives the moment in UTC, turned into local time.
[[nodiscard]] QDateTime at(const QString& text);
[[nodiscard]] double oleAt(const QString& text);

struct AlarmSetup {
    QString freq = QStringLiteral("U");
    QString alarm; // as for at()
    int prev = 0;
    QString unit = QStringLiteral("M");
    bool remind = false;
};
Q_DECLARE_METATYPE(AlarmSetup)

[[nodiscard]] NoteRecord alarmNote(const AlarmSetup& setup,
                                   const QString& title = QStringLiteral("Alarm"));

// Plays a script against one alarm note and tells what each tick did. Entries:
//   a time (as for at())  a check at that moment; yields "<actions>/<AlarmState>", each action
//                         "A" alarm, "R" reminder, "S" snoozed, followed by "m" and the due
//                         time "HH:mm" when it went off as missed
//   "snooze N"            snooze the note for N minutes at the last tick
//   "set <time>"          the user sets the alarm to <time> (and enables it)
//   "disable"             the user switches the alarm off
//   "restart"             the program ends (its state file written) and starts again with the
//                         notes renumbered
//   "last <time>"         a state file from a previous run whose last check was at <time>
class AlarmScript {
public:
    AlarmScript();
    ~AlarmScript();
    AlarmScript(const AlarmScript&) = delete;
    AlarmScript& operator=(const AlarmScript&) = delete;

    QStringList run(const AlarmSetup& setup, const QStringList& script);
    [[nodiscard]] const NoteRecord& note() const;
    // As if a previous run had made its last check at `time` (as for at()).
    void lastCheckAt(const QString& time);

    NoteStore store;
    AlarmChecker checker;
    int slot = 0;
    AlarmCheckResult lastResult;

private:
    QTemporaryDir m_state;
    QByteArray m_oldStateHome;
};
