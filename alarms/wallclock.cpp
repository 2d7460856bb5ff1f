#include "alarms/wallclock.h"

#include "platform/oledate.h"

#include <cmath>

namespace {
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
    QTime time;
    if (!oledate::toParts(ole, day, time))
        return false;
    minuteOfDay = static_cast<int>(time.msecsSinceStartOfDay() / MsPerMinute);
    return true;
}

double toOle(const QDate& day, int minuteOfDay) {
    return oledate::fromParts(day, QTime(minuteOfDay / 60, minuteOfDay % 60));
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
