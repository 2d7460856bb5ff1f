#pragma once

#include <QDateTime>

// Dates are OLE automation dates: days since 30 December 1899, the fraction is the local
// time of day.
namespace oledate {

[[nodiscard]] double fromDateTime(const QDateTime& dt);
[[nodiscard]] QDateTime toDateTime(double ole);
// Today's date serial plus the seconds since midnight, in single precision, as the roll guard
// of the note window keeps it.
[[nodiscard]] float rollStamp(const QDateTime& dt);

} // namespace oledate
