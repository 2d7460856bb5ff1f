#pragma once

#include <QDate>
#include <QDateTime>
#include <QtGlobal>

// Alarm arithmetic runs on the local wall clock, to the minute, the way a user reads it: a
// moment is the count of minutes since the start of the Julian day count. Daylight-saving
// changes do not exist at this level; they only matter when a moment is turned into real time.
namespace wallclock {

inline constexpr int MinutesPerDay = 1440;

[[nodiscard]] inline qint64 fromParts(const QDate& day, int minuteOfDay) {
    return day.toJulianDay() * MinutesPerDay + minuteOfDay;
}
[[nodiscard]] inline QDate dayOf(qint64 moment) {
    qint64 day = moment / MinutesPerDay;
    if (moment % MinutesPerDay < 0)
        --day;
    return QDate::fromJulianDay(day);
}
[[nodiscard]] inline int minuteOf(qint64 moment) {
    const int m = static_cast<int>(moment % MinutesPerDay);
    return m < 0 ? m + MinutesPerDay : m;
}

// The wall-clock minute of a date and time (seconds cut).
[[nodiscard]] qint64 fromDateTime(const QDateTime& dt);
// The local date and time of a wall-clock minute, whether or not the local clock shows it.
[[nodiscard]] QDateTime toDateTime(qint64 moment);
// The real moment at which the local clock shows this minute; a minute that the clock skips
// (the spring daylight-saving change) is reached when the clock jumps past it.
[[nodiscard]] QDateTime toRealTime(qint64 moment);

// An OLE date's wall-clock minute (seconds cut); false when the value is no date.
[[nodiscard]] bool fromOle(double ole, QDate& day, int& minuteOfDay);
[[nodiscard]] double toOle(const QDate& day, int minuteOfDay);
// An OLE date counted in whole seconds, rounded, for comparisons to the second.
[[nodiscard]] qint64 oleSeconds(double ole);

// Normalising date constructor: day 31 of a 30-day month is the 1st of the next, month 13 is
// January of the next year.
[[nodiscard]] QDate dateSerial(int year, int month, int day);

} // namespace wallclock
