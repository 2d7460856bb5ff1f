#include "rescue.h"

#include "platform/fileio.h"
#include "platform/xdgpaths.h"
#include "store/notefiles.h"
#include "store/recordlayout.h"

#include <QDir>
#include <QtEndian>

#include <array>

namespace {

const QString Suffix = QStringLiteral(".dat");
const QString DeclinedSuffix = QStringLiteral(".declined");

} // namespace

namespace rescue {

QString folder() {
    return xdgDataHome() + QStringLiteral("/Quillaboard/rescue");
}

QString newFilePath(const QDateTime& now) {
    return folder() + QStringLiteral("/Quillaboard rescue ") +
           now.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")) + Suffix;
}

QStringList pendingFiles() {
    const QDir dir(folder());
    QStringList out;
    // The names carry the date and time, so the order of names is the order of writing.
    for (const QString& name :
         dir.entryList({QStringLiteral("*") + Suffix}, QDir::Files | QDir::Readable, QDir::Name))
        out.append(dir.filePath(name));
    return out;
}

bool importInto(const QString& rescueFile, const NoteFiles& files) {
    QByteArray bytes;
    if (fileio::readAll(rescueFile, bytes).failed())
        return false;
    std::array<QByteArray, 2> perList;
    for (qint64 at = 0; at + layout::RecordSize <= bytes.size(); at += layout::RecordSize) {
        const QByteArrayView record(bytes.constData() + at, layout::RecordSize);
        const auto list = qFromLittleEndian<qint16>(record.data() + layout::List);
        if (list == 0 || list == 1)
            perList[static_cast<size_t>(list)] += record;
    }
    for (size_t list = 0; list < perList.size(); ++list) {
        if (perList[list].isEmpty())
            continue;
        // An import file left by an earlier start is kept and added to.
        if (fileio::appendBytes(files.imp[list], perList[list]).failed())
            return false;
    }
    return !fileio::removeFile(rescueFile).failed();
}

void decline(const QString& rescueFile) {
    (void)fileio::renameFile(rescueFile, rescueFile + DeclinedSuffix);
}

} // namespace rescue
