#include "oledate.h"

#include <cmath>

namespace {
const QDate Epoch(1899, 12, 30);
constexpr double MsPerDay = 86'400'000.0;
} // namespace

namespace oledate {

double fromParts(const QDate& date, const QTime& time) {
    const double days = static_cast<double>(Epoch.daysTo(date));
    const double fraction = time.msecsSinceStartOfDay() / MsPerDay;
    // Before the epoch the fraction still counts forward from midnight: -1.25 is 29 December
    // 1899, 06:00.
    return days >= 0 ? days + fraction : days - fraction;
}

bool toParts(double ole, QDate& date, QTime& time) {
    if (!std::isfinite(ole) || std::fabs(ole) > 3'000'000.0)
        return false;
    const double whole = std::trunc(ole);
    const double fraction = std::fabs(ole - whole);
    qint64 ms = std::llround(fraction * MsPerDay);
    qint64 days = static_cast<qint64>(whole);
    if (ms >= static_cast<qint64>(MsPerDay)) {
        ms -= static_cast<qint64>(MsPerDay);
        days += ole >= 0 ? 1 : -1;
    }
    date = Epoch.addDays(days);
    time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
    return date.isValid();
}

double fromDateTime(const QDateTime& dt) {
    return dt.isValid() ? fromParts(dt.date(), dt.time()) : 0;
}

QDateTime toDateTime(double ole) {
    QDate date;
    QTime time;
    if (!toParts(ole, date, time))
        return {};
    return QDateTime(date, time);
}

float rollStamp(const QDateTime& dt) {
    const double days = static_cast<double>(Epoch.daysTo(dt.date()));
    return static_cast<float>(days + dt.time().msecsSinceStartOfDay() / 1000.0);
}

} // namespace oledate
