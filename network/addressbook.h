#pragma once

#include "platform/errors.h"

#include <QString>
#include <QStringList>

// The address book "NetAdresses.ini" in the program folder: one entry a line, each line as
// the send window lists it. An entry is a name, "=" and an address, or a bare address.
namespace addressbook {

inline const QString FileName = QStringLiteral("NetAdresses.ini");

// The address of an entry: after the first "=", or the whole entry; blanks around removed.
[[nodiscard]] QString addressPart(const QString& entry);
// Whether an address has the form "*.*.*.*" (at least three dots): the sender then names
// itself by its IPv4 address, otherwise by its host name.
[[nodiscard]] bool looksDotted(const QString& address);
// The identity of the sender as field one of the message: address part + " (" + id + ")".
[[nodiscard]] QString senderIdentity(const QString& destination, const QString& yourId,
                                     const QString& localIp, const QString& hostName);

// The entries of the file; a missing or unreadable file gives none. Blank lines are skipped.
[[nodiscard]] QStringList read(const QString& path);
// Replaces the file with the entries in order (text as the data files write it).
[[nodiscard]] IoError write(const QString& path, const QStringList& entries);

} // namespace addressbook
