#include "store/snapshots.h"

#include "platform/fileio.h"
#include "platform/textcodec.h"
#include "platform/xdgpaths.h"
#include "store/notefiles.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QDir>
#include <QFile>
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

// The records of `list` in a file, from their list fields alone: a listing of fourteen days
// does not read fourteen copies of every note.
int countNotes(const QString& path, int list) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return 0;
    int count = 0;
    for (qint64 at = 0; at + layout::RecordSize <= file.size(); at += layout::RecordSize) {
        char field[2];
        if (!file.seek(at + layout::List) || file.read(field, 2) != 2)
            break;
        if (qFromLittleEndian<qint16>(field) == list)
            ++count;
    }
    return count;
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
        for (size_t l = 0; l < 2; ++l)
            s.noteCounts.at(l) = countNotes(s.files.at(l), static_cast<int>(l));
        out.prepend(s);
    }
    return out;
}

Outcome takeDaily(const std::array<QString, 2>& dataFiles, const QString& dir, const QDate& today) {
    const QList<Snapshot> existing = list(dir);
    if (!existing.isEmpty() && existing.first().date == today)
        return Outcome::AlreadyToday;
    // Files not written, renamed or copied over since the newest copy (their inode changed
    // before it), and as long as it, hold what it holds: nothing to read.
    if (!existing.isEmpty()) {
        bool untouched = true;
        for (size_t l = 0; l < 2 && untouched; ++l) {
            const QFileInfo data(dataFiles.at(l));
            const QFileInfo kept(existing.first().files.at(l));
            untouched = data.exists() == kept.exists() &&
                        (!data.exists() ||
                         (data.size() == kept.size() && data.lastModified() < kept.lastModified() &&
                          data.metadataChangeTime() < kept.lastModified()));
        }
        if (untouched)
            return Outcome::Unchanged;
    }
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
