#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cstdint>
#include <optional>

class NoteStore;
struct NoteRecord;
struct NoteDefaultsRecord;

// Codes of the alarm fields, as stored (one character each).
namespace alarmcode {
inline constexpr char16_t Disabled = u' ';
inline constexpr char16_t Enabled = u'E';
inline constexpr char16_t Running = u'-';
inline constexpr char16_t Once = u'U';
inline constexpr char16_t Hourly = u'H';
inline constexpr char16_t Daily = u'J';
inline constexpr char16_t Monthly = u'M';
inline constexpr char16_t Yearly = u'A';
inline constexpr char16_t Days = u'J';
inline constexpr char16_t Hours = u'H';
inline constexpr char16_t Minutes = u'M';
inline constexpr char16_t Wallpaper = u'0';
inline constexpr char16_t Screensaver = u'1';
inline constexpr char16_t ShutDown = u'2';
// The code a one-character field holds; a blank for an empty one.
[[nodiscard]] inline QChar of(const QString& field) {
    return field.isEmpty() ? QChar(u' ') : field.at(0);
}
} // namespace alarmcode

// The next time an alarm goes off, with the working values of the computation: the alarm
// moment itself (`AlarmDay` + `AlarmTime`, 23:59 for an alarm without a time) and the warning
// moment (`WarnDay` + `WarnTime`) at which it goes off.
struct AlarmOccurrence {
    QDate AlarmDay;
    QTime AlarmTime;
    QDate WarnDay;
    QTime WarnTime;
    int WarnAmount = 0;     // the warning as applied: 0 when the frequency dropped it
    qint64 alarmMinute = 0; // the same moments on the wall clock (see wallclock.h)
    qint64 warnMinute = 0;

    [[nodiscard]] QDateTime alarm() const { return QDateTime(AlarmDay, AlarmTime); }
    // The moment the alarm goes off: what NextOccurrence gives.
    [[nodiscard]] QDateTime goesOff() const { return QDateTime(WarnDay, WarnTime); }
};

// The moment a note's alarm goes off next, seen at `now` (local time, to the minute). The
// stored moment is kept while it is ahead; once it is reached it moves on by the frequency
// ("U" stays in the past). The record is not changed.
[[nodiscard]] AlarmOccurrence NextOccurrence(const NoteRecord& note, const QDateTime& now);
// The same at a wall-clock minute (wallclock.h): the form the minute check uses.
[[nodiscard]] AlarmOccurrence nextOccurrenceAt(const NoteRecord& note, qint64 nowMinute);

// The alarm was never set: its date is no date or lies in 1899 (the zero date).
[[nodiscard]] bool isZeroAlarmDate(double alarmDate);

// Gives a note whose alarm was never set the default alarm fields (today, disabled, the
// defaults of the settings) and marks it changed; returns whether it did. `AlarmRemind` stays.
bool ResetAlarmDefaults(NoteStore& store, int index, const NoteDefaultsRecord& defaults,
                        const QDateTime& now);

// What the alarm panel and the list show of an alarm's state: a numbered message and a colour
// (0xBBGGRR).
struct AlarmStatusInfo {
    int message = 0;
    std::int32_t color = 0;
};
namespace alarmstatus {
inline constexpr int DisabledMessage = 31;  // "Alarm is disabled"
inline constexpr int ExpiredMessage = 34;   // "Alarm has expired"
inline constexpr int StartedMessage = 35;   // "Alarm is enabled and has started"
inline constexpr int ActivatedMessage = 36; // "Alarm is activated"
inline constexpr std::int32_t Blue = 0xFF0000;
inline constexpr std::int32_t Orange = 0x0080FF;
inline constexpr std::int32_t Red = 0x0000FF;
inline constexpr std::int32_t Green = 0x00FF00;
} // namespace alarmstatus

// Empty for a state code the program does not know: the display stays as it was.
[[nodiscard]] std::optional<AlarmStatusInfo> AlarmStatus(const NoteRecord& note,
                                                         const QDateTime& now);
