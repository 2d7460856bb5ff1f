#pragma once

#include <QDateTime>

// Dates are OLE automation dates: days since 30 December 1899, the fraction is the local
// time of day.
namespace oledate {

[[nodiscard]] double fromDateTime(const QDateTime& dt);
[[nodiscard]] QDateTime toDateTime(double ole);
// The same from and to a date and a time of day, for wall-clock times that need not exist as
// a local moment (the hour a daylight-saving change skips).
[[nodiscard]] double fromParts(const QDate& date, const QTime& time);
// False when the value is no date.
[[nodiscard]] bool toParts(double ole, QDate& date, QTime& time);
// Today's date serial plus the seconds since midnight, in single precision, as the roll guard
// of the note window keeps it.
[[nodiscard]] float rollStamp(const QDateTime& dt);

} // namespace oledate
