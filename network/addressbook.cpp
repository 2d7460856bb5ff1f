#include "network/addressbook.h"

#include "platform/fileio.h"
#include "platform/textcodec.h"

namespace addressbook {

namespace {
// A few lines; anything this large is not an address book.
constexpr qint64 MaxFileBytes = 1024 * 1024;
} // namespace

QString addressPart(const QString& entry) {
    const qsizetype equals = entry.indexOf(QLatin1Char('='));
    return (equals < 0 ? entry : entry.mid(equals + 1)).trimmed();
}

bool looksDotted(const QString& address) {
    return address.count(QLatin1Char('.')) >= 3;
}

QString senderIdentity(const QString& destination, const QString& yourId, const QString& localIp,
                       const QString& hostName) {
    const QString self = looksDotted(destination) ? localIp : hostName.toLower();
    return self + QStringLiteral(" (") + yourId + QLatin1Char(')');
}

QStringList read(const QString& path) {
    QByteArray bytes;
    if (fileio::readAll(path, bytes, MaxFileBytes).failed())
        return {};
    QString text = textcodec::decode(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList entries;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            entries << line;
    }
    return entries;
}

IoError write(const QString& path, const QStringList& entries) {
    QString text;
    for (const QString& entry : entries)
        text += entry + QStringLiteral("\r\n");
    return fileio::replaceFile(path, textcodec::encode(text));
}

} // namespace addressbook
