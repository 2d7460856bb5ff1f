#include "alarms/alarmstatefile.h"

#include "alarms/wallclock.h"
#include "platform/fileio.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

constexpr int FormatVersion = 1;
// Far more than the file ever holds; a larger file is not ours.
constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;
const QString MinuteFormat = QStringLiteral("yyyy-MM-ddTHH:mm");

QString minuteText(qint64 moment) {
    return wallclock::toDateTime(moment).toString(MinuteFormat);
}

std::optional<qint64> minuteFromText(const QJsonValue& value) {
    // Parsed as date and time separately: a minute the local clock skips is still a minute.
    const QString text = value.toString();
    const QDate day = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11), QStringLiteral("HH:mm"));
    if (text.size() != 16 || !day.isValid() || !time.isValid())
        return std::nullopt;
    return wallclock::fromParts(day, time.hour() * 60 + time.minute());
}

QJsonObject noteObject(const NoteIdentity& note) {
    return QJsonObject{{QStringLiteral("created"), note.created},
                       {QStringLiteral("title"), note.title}};
}

NoteIdentity noteFrom(const QJsonObject& o) {
    return NoteIdentity{o.value(QStringLiteral("created")).toDouble(),
                        o.value(QStringLiteral("title")).toString()};
}

QChar charFrom(const QJsonValue& value) {
    const QString text = value.toString();
    return text.isEmpty() ? QChar(u' ') : text.at(0);
}

} // namespace

QString AlarmStateFile::xdgStateHome() {
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/state");
}

AlarmStateFile::AlarmStateFile(const QString& programFolder)
    : m_programFolder(programFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_path = xdgStateHome() + QStringLiteral("/Quillaboard/alarms-") + QString::fromLatin1(hash) +
             QStringLiteral(".json");
}

std::optional<AlarmMemory> AlarmStateFile::load() const {
    QByteArray bytes;
    if (fileio::readAll(m_path, bytes, MaxFileBytes))
        return std::nullopt;
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    if (root.value(QStringLiteral("version")).toInt() != FormatVersion ||
        root.value(QStringLiteral("programFolder")).toString() != m_programFolder)
        return std::nullopt;
    AlarmMemory memory;
    memory.lastCheck = minuteFromText(root.value(QStringLiteral("lastCheck")));
    if (!memory.lastCheck)
        return std::nullopt;
    const QJsonArray snoozes = root.value(QStringLiteral("snoozes")).toArray();
    for (const QJsonValue& v : snoozes) {
        const QJsonObject o = v.toObject();
        if (const auto until = minuteFromText(o.value(QStringLiteral("until"))))
            memory.snoozes.append({noteFrom(o), *until});
    }
    const QJsonArray fired = root.value(QStringLiteral("fired")).toArray();
    for (const QJsonValue& v : fired) {
        const QJsonObject o = v.toObject();
        const auto goesOff = minuteFromText(o.value(QStringLiteral("goesOff")));
        if (!goesOff)
            continue;
        AlarmSettingsKey settings{
            o.value(QStringLiteral("alarmDate")).toDouble(),
            charFrom(o.value(QStringLiteral("freq"))),
            static_cast<std::int16_t>(o.value(QStringLiteral("prev")).toInt()),
            charFrom(o.value(QStringLiteral("prevTp")))};
        memory.fired.append({noteFrom(o), settings, *goesOff});
    }
    return memory;
}

IoError AlarmStateFile::save(const AlarmMemory& memory) const {
    QJsonObject root{{QStringLiteral("version"), FormatVersion},
                     {QStringLiteral("programFolder"), m_programFolder}};
    if (memory.lastCheck)
        root.insert(QStringLiteral("lastCheck"), minuteText(*memory.lastCheck));
    QJsonArray snoozes;
    for (const AlarmMemory::Snooze& s : memory.snoozes) {
        QJsonObject o = noteObject(s.note);
        o.insert(QStringLiteral("until"), minuteText(s.until));
        snoozes.append(o);
    }
    root.insert(QStringLiteral("snoozes"), snoozes);
    QJsonArray fired;
    for (const AlarmMemory::Fired& f : memory.fired) {
        QJsonObject o = noteObject(f.note);
        o.insert(QStringLiteral("goesOff"), minuteText(f.goesOff));
        o.insert(QStringLiteral("alarmDate"), f.settings.alarmDate);
        o.insert(QStringLiteral("freq"), QString(f.settings.freq));
        o.insert(QStringLiteral("prev"), f.settings.prev);
        o.insert(QStringLiteral("prevTp"), QString(f.settings.prevTp));
        fired.append(o);
    }
    root.insert(QStringLiteral("fired"), fired);

    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return IoError{errnum::PathNotFound, errorDescription(errnum::PathNotFound)};
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return IoError{errnum::PermissionDenied, file.errorString()};
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return IoError{errnum::DeviceIo, file.errorString()};
    fileio::syncFolder(folder);
    return {};
}
