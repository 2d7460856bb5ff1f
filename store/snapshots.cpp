#include "store/snapshots.h"

#include "platform/fileio.h"
#include "platform/textcodec.h"
#include "platform/xdgpaths.h"
#include "store/notefiles.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QtEndian>

namespace snapshots {

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd");
const QString QuickHelpPrefix = QStringLiteral("Quick help");
const QString RestoredPrefix = QStringLiteral("Restored ");
// The names of the two data files, which end the snapshot files' names.
const std::array<QString, 2> ListNames = {QStringLiteral("Quillaboard.dat"),
                                          QStringLiteral("QuillaEvents.dat")};

QString fileName(const QDate& date, int list) {
    return date.toString(DateFormat) + QLatin1Char(' ') + ListNames.at(static_cast<size_t>(list));
}

// A missing file reads as empty: a list without notes has nothing to lose.
bool readOrEmpty(const QString& path, QByteArray& out) {
    out.clear();
    if (path.isEmpty() || !fileio::exists(path))
        return true;
    return !fileio::readAll(path, out).failed();
}

int listOf(QByteArrayView record) {
    return qFromLittleEndian<qint16>(record.data() + layout::List);
}

template <typename Visit>
void eachRecord(const QByteArray& bytes, int list, Visit visit) {
    for (qsizetype at = 0; at + layout::RecordSize <= bytes.size(); at += layout::RecordSize) {
        const QByteArrayView record(bytes.constData() + at, layout::RecordSize);
        // The loader skips a record of the other list; so does the count.
        if (listOf(record) == list)
            visit(record);
    }
}

} // namespace

QString folder() {
    return xdgDataHome() + QStringLiteral("/Quillaboard/snapshots");
}

QList<Snapshot> list(const QString& dir) {
    QMap<QDate, Snapshot> byDate;
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        for (int l = 0; l < 2; ++l) {
            const QString& suffix = ListNames.at(static_cast<size_t>(l));
            if (name.size() != DateFormat.size() + 1 + suffix.size() ||
                !name.endsWith(QLatin1Char(' ') + suffix))
                continue;
            const QDate date = QDate::fromString(name.left(DateFormat.size()), DateFormat);
            if (!date.isValid())
                continue;
            Snapshot& s = byDate[date];
            s.date = date;
            s.files.at(static_cast<size_t>(l)) = QDir(dir).filePath(name);
        }
    }
    QList<Snapshot> out;
    for (auto it = byDate.cbegin(); it != byDate.cend(); ++it) {
        Snapshot s = it.value();
        for (int l = 0; l < 2; ++l) {
            QByteArray bytes;
            if (!readOrEmpty(s.files.at(static_cast<size_t>(l)), bytes))
                continue;
            int count = 0;
            eachRecord(bytes, l, [&count](QByteArrayView) { ++count; });
            s.noteCounts.at(static_cast<size_t>(l)) = count;
        }
        out.prepend(s);
    }
    return out;
}

Outcome takeDaily(const std::array<QString, 2>& dataFiles, const QString& dir, const QDate& today) {
    const QList<Snapshot> existing = list(dir);
    if (!existing.isEmpty() && existing.first().date == today)
        return Outcome::AlreadyToday;
    std::array<QByteArray, 2> current;
    for (size_t l = 0; l < 2; ++l) {
        if (!readOrEmpty(dataFiles.at(l), current.at(l)))
            return Outcome::Failed;
    }
    bool same = true;
    if (existing.isEmpty()) {
        same = current[0].isEmpty() && current[1].isEmpty();
    } else {
        for (size_t l = 0; l < 2 && same; ++l) {
            QByteArray kept;
            same = readOrEmpty(existing.first().files.at(l), kept) && kept == current.at(l);
        }
    }
    if (same)
        return Outcome::Unchanged;
    if (!QDir().mkpath(dir))
        return Outcome::Failed;
    for (int l = 0; l < 2; ++l) {
        const QString path = QDir(dir).filePath(fileName(today, l));
        if (fileio::replaceFile(path, current.at(static_cast<size_t>(l)), 0600).failed())
            return Outcome::Failed;
    }
    // Today's is the newest; everything after the first Kept - 1 older days goes.
    for (qsizetype i = Kept - 1; i < existing.size(); ++i) {
        for (const QString& file : existing.at(i).files) {
            if (!file.isEmpty())
                (void)fileio::removeFile(file);
        }
    }
    return Outcome::Written;
}

QList<StoredNote> notesOf(const Snapshot& snapshot) {
    QList<StoredNote> out;
    for (int l = 0; l < 2; ++l) {
        QByteArray bytes;
        if (!readOrEmpty(snapshot.files.at(static_cast<size_t>(l)), bytes))
            continue;
        eachRecord(bytes, l, [&out, l](QByteArrayView record) {
            const std::optional<DecodedRecord> decoded = recordcodec::decode(record);
            if (!decoded)
                return;
            StoredNote note;
            note.list = l;
            note.title = decoded->record.trimmedTitle();
            note.text = decoded->window.Text;
            note.modified = decoded->record.Modified;
            note.record = record.toByteArray();
            out.append(note);
        });
    }
    return out;
}

bool addToImport(const QList<StoredNote>& notes, const NoteFiles& files) {
    std::array<QByteArray, 2> perList;
    for (const StoredNote& note : notes) {
        if ((note.list != 0 && note.list != 1) || note.record.size() != layout::RecordSize)
            continue;
        QByteArray record = note.record;
        const QString title = textcodec::decodeFixed(
            QByteArrayView(record.constData() + layout::Title, width::Title));
        if (title.trimmed().startsWith(QuickHelpPrefix)) {
            record.replace(layout::Title, width::Title,
                           textcodec::encodeFixed(RestoredPrefix + title.trimmed(), width::Title));
        }
        perList.at(static_cast<size_t>(note.list)) += record;
    }
    for (size_t l = 0; l < 2; ++l) {
        if (perList.at(l).isEmpty())
            continue;
        // An import file not yet merged is kept and added to.
        if (fileio::appendBytes(files.imp.at(l), perList.at(l)).failed())
            return false;
    }
    return true;
}

} // namespace snapshots
