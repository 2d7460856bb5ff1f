// The minute check over 10,000 notes with alarms of every kind: one check at rest, one that
// sets many off, and one after a day's gap (the check at start-up after the machine was off).
#include "alarms/alarmchecker.h"
#include "store/notestore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <functional>

namespace {

constexpr int NoteCount = 10'000;
constexpr int Runs = 5;
constexpr double TargetMs = 10.0;

double bestMs(const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < Runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

double ole(const QDateTime& dt) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(dt.date())) +
           dt.time().msecsSinceStartOfDay() / 86'400'000.0;
}

// Every frequency, warning unit and state, spread over the days around `now`.
void fill(NoteStore& store, const QDateTime& now) {
    static const char* const freqs[] = {"U", "H", "J", "0", "1", "2", "3", "4", "5", "6", "M", "A"};
    static const char* const units[] = {"M", "H", "J"};
    static const char* const states[] = {"E", "E", "E", "-", " "};
    store.clear();
    for (int i = 0; i < NoteCount; ++i) {
        NoteRecord note;
        note.Title = QStringLiteral("Note %1").arg(i);
        note.Created = 45000.0 + i / 100.0;
        note.AlarmFreq = QString::fromLatin1(freqs[i % 12]);
        note.AlarmPrevTp = QString::fromLatin1(units[(i / 12) % 3]);
        note.AlarmPrev = static_cast<std::int16_t>(-((i / 36) % 8));
        note.AlarmState = QString::fromLatin1(states[(i / 7) % 5]);
        note.AlarmRemind = i % 3 == 0 ? QStringLiteral("E") : QStringLiteral(" ");
        // Whole-day alarms for one in ten.
        const QDateTime alarm = now.addSecs((i % 2880 - 1440) * 60 * 7);
        note.AlarmDate = ole(i % 10 == 0 ? QDateTime(alarm.date(), QTime(0, 0)) : alarm);
        note.AlarmPlaySd = i % 2 == 0;
        note.AlarmSndFil = QStringLiteral("ring.wav");
        note.AlarmSpecial = i % 50 == 0 ? QStringLiteral("0") : QStringLiteral(" ");
        store.addNote(i % 2, note, NoteWindowState{});
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QDateTime now(QDate(2024, 3, 15), QTime(10, 30));
    NoteStore store;
    AlarmChecker checker;

    // The states settle after a first check: the minute check at rest then moves little.
    fill(store, now);
    (void)checker.CheckAlarms(store, now);
    size_t firedAtRest = 0;
    int minute = 0;
    const double restMs =
        bestMs([] {},
               [&] {
                   firedAtRest =
                       checker.CheckAlarms(store, now.addSecs(60 * ++minute)).actions.size();
               });

    size_t firedFresh = 0;
    const double freshMs = bestMs(
        [&] {
            fill(store, now);
            checker = AlarmChecker();
        },
        [&] { firedFresh = checker.CheckAlarms(store, now).actions.size(); });

    size_t firedAfterGap = 0;
    const double gapMs = bestMs(
        [&] {
            fill(store, now);
            checker = AlarmChecker();
            AlarmMemory memory;
            memory.lastCheck = QDate(2024, 3, 14).toJulianDay() * 1440 + 10 * 60 + 30;
            checker.restore(memory);
        },
        [&] { firedAfterGap = checker.CheckAlarms(store, now).actions.size(); });

    out << "CheckAlarms over " << NoteCount << " notes (best of " << Runs << " runs)\n";
    out << "  at rest, one minute after the last:   " << restMs << " ms (" << firedAtRest
        << " actions)\n";
    out << "  first check, states not yet settled: " << freshMs << " ms (" << firedFresh
        << " actions)\n";
    out << "  after a day without checks:          " << gapMs << " ms (" << firedAfterGap
        << " actions)\n";
    out << "  target for one minute check: under " << TargetMs << " ms; at rest "
        << restMs / TargetMs << " of it\n";
    return 0;
}
