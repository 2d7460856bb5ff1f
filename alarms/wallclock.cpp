#include "alarms/wallclock.h"

#include <cmath>

namespace {
const qint64 EpochJulianDay = QDate(1899, 12, 30).toJulianDay();
constexpr double MsPerDay = 86'400'000.0;
constexpr qint64 MsPerMinute = 60'000;
// No daylight-saving change moves the clock by more than this.
constexpr int LongestSkipMinutes = 180;
} // namespace

namespace wallclock {

qint64 fromDateTime(const QDateTime& dt) {
    const QDateTime local = dt.timeSpec() == Qt::LocalTime ? dt : dt.toLocalTime();
    return fromParts(local.date(), local.time().msecsSinceStartOfDay() / MsPerMinute);
}

QDateTime toDateTime(qint64 moment) {
    return QDateTime(dayOf(moment), QTime(minuteOf(moment) / 60, minuteOf(moment) % 60));
}

QDateTime toRealTime(qint64 moment) {
    for (int step = 0; step <= LongestSkipMinutes; ++step) {
        const QDateTime dt = toDateTime(moment + step);
        if (dt.isValid())
            return dt;
    }
    return {};
}

bool fromOle(double ole, QDate& day, int& minuteOfDay) {
    if (!std::isfinite(ole) || std::fabs(ole) > 3'000'000.0)
        return false;
    const double whole = std::trunc(ole);
    qint64 days = static_cast<qint64>(whole);
    qint64 ms = std::llround(std::fabs(ole - whole) * MsPerDay);
    if (ms >= static_cast<qint64>(MsPerDay)) {
        // The fraction counts forward from midnight, before the epoch as well.
        ms -= static_cast<qint64>(MsPerDay);
        ++days;
    }
    day = QDate::fromJulianDay(EpochJulianDay + days);
    minuteOfDay = static_cast<int>(ms / MsPerMinute);
    return day.isValid();
}

double toOle(const QDate& day, int minuteOfDay) {
    return static_cast<double>(day.toJulianDay() - EpochJulianDay) +
           minuteOfDay / static_cast<double>(MinutesPerDay);
}

qint64 oleSeconds(double ole) {
    if (!std::isfinite(ole))
        return 0;
    const double whole = std::trunc(ole);
    const qint64 secs = std::llround(std::fabs(ole - whole) * 86'400.0);
    return static_cast<qint64>(whole) * 86'400 + secs;
}

QDate dateSerial(int year, int month, int day) {
    int m0 = month - 1;
    year += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
    m0 = ((m0 % 12) + 12) % 12;
    return QDate(year, m0 + 1, 1).addDays(day - 1);
}

} // namespace wallclock
