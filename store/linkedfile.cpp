#include "linkedfile.h"
#include "datafile.h"
#include "notestore.h"

#include "localisation/translator.h"
#include "platform/filesystem.h"
#include "platform/messagesink.h"
#include "platform/programfolder.h"
#include "platform/textcodec.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>
#include <utility>
#include <vector>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString withCrLf(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\n'), CrLf);
    return out;
}

// A start of a file cut at a fixed size may end inside a UTF-8 character; without it the
// encoding is judged as for the whole file.
QByteArrayView withoutCutCharacter(QByteArrayView bytes) {
    qsizetype lead = bytes.size();
    for (int back = 1; back <= 3 && lead > 0; ++back) {
        const auto b = static_cast<unsigned char>(bytes[--lead]);
        if ((b & 0xC0) == 0x80)
            continue;
        const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? bytes.first(lead) : bytes;
    }
    return bytes;
}

QByteArray digestOf(QByteArrayView bytes, qint64 size) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(bytes);
    hash.addData(QByteArray::number(size));
    return hash.result();
}

} // namespace

namespace linkedfile {

Decoded decode(QByteArrayView bytes) {
    Decoded d;
    d.binary = bytes.contains('\0');
    d.text = textcodec::decodeForeign(bytes);
    if (bytes.startsWith(QByteArrayView(textcodec::ByteOrderMark, 3)))
        d.format.encoding = Encoding::Utf8WithMark;
    else if (d.text.size() != bytes.size())
        // Decoded as Windows-1252 every byte is one character; fewer means UTF-8.
        d.format.encoding = Encoding::Utf8;
    if (!bytes.contains("\r\n") && bytes.contains('\n'))
        d.format.breaks = LineBreak::Lf;
    d.text.replace(CrLf, QStringLiteral("\n"));
    if (d.text.endsWith(QLatin1Char('\n')))
        d.text.chop(1);
    return d;
}

QByteArray encode(const QString& text, Format& format) {
    QString body = textcodec::trimBlanks(text);
    body.replace(CrLf, QStringLiteral("\n"));
    body += QLatin1Char('\n');
    if (format.breaks == LineBreak::CrLf)
        body = withCrLf(body);
    if (format.encoding == Encoding::Windows1252 && !textcodec::fitsWindows1252(body))
        format.encoding = Encoding::Utf8;
    switch (format.encoding) {
    case Encoding::Windows1252:
        return textcodec::encode(body);
    case Encoding::Utf8:
        return body.toUtf8();
    case Encoding::Utf8WithMark:
        break;
    }
    return QByteArray(textcodec::ByteOrderMark) + body.toUtf8();
}

QString besidePath(const QString& path, const QString& label) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    QString name = info.completeBaseName() + QStringLiteral(" (") + label + QLatin1Char(')');
    if (!suffix.isEmpty())
        name += QLatin1Char('.') + suffix;
    return fileio::folderOf(path) + QLatin1Char('/') + name;
}

} // namespace linkedfile

using linkedfile::Decoded;

LinkedFileStore::LinkedFileStore(NoteStore& store, const ProgramFolder& folder,
                                 fileio::FileSystem& fs, MessageSink& messages,
                                 const Translator& tr, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_folder(folder)
    , m_fs(fs)
    , m_messages(messages)
    , m_tr(tr) {}

LinkedFileStore::~LinkedFileStore() = default;

QString LinkedFileStore::fullPath(const QString& stored) const {
    return m_folder.resolve(stored);
}

QString LinkedFileStore::noteTitle(int slot) const {
    return QStringLiteral("Note '") + m_store.Notes[static_cast<size_t>(slot)].trimmedTitle() +
           QLatin1Char('\'');
}

LinkedFileStore::Link& LinkedFileStore::linkFor(int slot) {
    const QString path = fullPath(m_store.Notes[static_cast<size_t>(slot)].FiletoOpen);
    Link& link = m_links[slot];
    if (link.path != path) {
        link = Link{};
        link.path = path;
    }
    return link;
}

bool LinkedFileStore::hasEditsOfItsOwn(int slot, const Link& link) const {
    return m_store.Windows[static_cast<size_t>(slot)].Text != link.syncedText;
}

bool LinkedFileStore::readInPart(int slot) const {
    const auto it = m_links.find(slot);
    return it != m_links.end() && it->second.readInPart;
}

LinkedFileStore::FileNow LinkedFileStore::look(const QString& path) const {
    FileNow now;
    now.size = m_fs.fileSize(path);
    if (now.size < 0)
        return now;
    now.exists = true;
    std::unique_ptr<fileio::OpenFile> file = m_fs.open(path, fileio::OpenMode::ReadOnly, now.error);
    if (file)
        now.error = file->readAt(0, std::min(now.size, MaxReadBytes), now.bytes);
    else if (now.error.number == errnum::FileNotFound)
        now.exists = false;
    return now;
}

void LinkedFileStore::readFailure(int slot, const QString& text) {
    m_messages.Message_box(text,
                           m_tr.Translation(44) +
                               m_store.Notes[static_cast<size_t>(slot)].trimmedTitle() +
                               QLatin1Char('\''),
                           msgbox::Error);
}

void LinkedFileStore::writeFailure(int slot, const QString& path, const IoError& error) {
    m_messages.Message_box(datafile::errorText(error) + CrLf + m_tr.Translation(46) +
                               QLatin1Char(' ') + path + CrLf + m_tr.Translation(47),
                           noteTitle(slot), msgbox::WriteFailure);
}

void LinkedFileStore::tellGone(int slot, Link& link) {
    if (link.vanished)
        return;
    link.vanished = true;
    m_messages.Message_box(link.path + QStringLiteral(" has been removed or renamed. The note "
                                                      "keeps its text; the file is not created "
                                                      "again."),
                           noteTitle(slot), msgbox::Info);
}

void LinkedFileStore::takeIn(int slot, Link& link, const FileNow& now) {
    const bool cut = now.size > now.bytes.size();
    const Decoded d =
        linkedfile::decode(cut ? withoutCutCharacter(now.bytes) : QByteArrayView(now.bytes));
    NoteWindowState& window = m_store.Windows[static_cast<size_t>(slot)];
    link.syncedText = window.Text;
    if (d.binary) {
        link.known = false;
        // Looked at again only once it changes.
        link.digest = digestOf(now.bytes, now.size);
        link.unreadable = true;
        readFailure(slot, link.path + CrLf +
                              QStringLiteral("is not a text file (it holds NUL bytes). The note "
                                             "keeps its text and the file is never written."));
        return;
    }
    const QString onFile = withCrLf(d.text);
    const bool inPart = cut || textcodec::encode(onFile).size() > width::Text;
    QString shown = d.text;
    if (inPart) {
        QByteArray kept = textcodec::encodeCut(onFile, width::Text);
        if (kept.endsWith('\r'))
            kept.chop(1);
        shown = textcodec::decode(kept);
        shown.replace(CrLf, QStringLiteral("\n"));
    }
    window.Text = shown;
    window.ReadOnlyReason =
        inPart ? link.path + QStringLiteral(" is too big for a note: the note shows its "
                                            "beginning, read-only, and never writes it back.")
               : QString();
    link.format = d.format;
    link.known = true;
    link.digest = digestOf(now.bytes, now.size);
    link.syncedText = shown;
    link.readInPart = inPart;
    link.unreadable = false;
    link.vanished = false;
    link.conflict = false;
    if (inPart && !m_toldInPart.contains(link.path)) {
        m_toldInPart.insert(link.path);
        m_messages.Message_box(
            link.path + CrLf + m_tr.Translation(45) + CrLf +
                QStringLiteral("The note shows it read-only and never writes it back, so the "
                               "file stays whole."),
            noteTitle(slot), msgbox::Info);
    }
    m_store.MarkChanged(slot, true);
    emit textReplaced(slot);
}

void LinkedFileStore::ReadLinkedFile(int slot) {
    if (!m_store.isValidSlot(slot))
        return;
    NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
    note.FiletoOpen = note.FiletoOpen.trimmed();
    Link& link = linkFor(slot);
    const FileNow now = look(link.path);
    if (!now.exists || now.error) {
        link.known = false;
        link.unreadable = true;
        link.syncedText = m_store.Windows[static_cast<size_t>(slot)].Text;
        const QString unable = m_tr.Translation(43) + link.path + QLatin1Char('\'');
        readFailure(slot, now.exists ? datafile::errorText(now.error) + CrLf + unable : unable);
    } else {
        takeIn(slot, link, now);
    }
    emit watchedFilesChanged();
}

void LinkedFileStore::keepBoth(int slot, Link& link, bool askNow) {
    const QString copy = linkedfile::besidePath(link.path, QStringLiteral("note copy"));
    linkedfile::Format format = link.format;
    const QByteArray bytes =
        linkedfile::encode(m_store.Windows[static_cast<size_t>(slot)].Text, format);
    if (IoError e = fileio::replaceFile(m_fs, copy, bytes))
        writeFailure(slot, copy, e);
    const bool waiting = link.conflict;
    link.conflict = true;
    if (askNow)
        ask(slot);
    else if (!waiting)
        QTimer::singleShot(0, this, [this, slot] { ask(slot); });
}

void LinkedFileStore::ask(int slot) {
    const auto it = m_links.find(slot);
    if (it == m_links.end() || !it->second.conflict)
        return;
    const QString path = it->second.path;
    const FileNow now = look(path);
    if (!now.exists || now.error) {
        it->second.conflict = false;
        return;
    }
    const QString copy = linkedfile::besidePath(path, QStringLiteral("note copy"));
    const int answer = m_messages.Message_box(
        path +
            QStringLiteral(" was changed outside Quillaboard while the note had changes not yet "
                           "written to it. The note's version is kept as ") +
            copy + QLatin1Char('.') + CrLf + CrLf +
            QStringLiteral("Show the file's new content in the note? (No keeps the note's text "
                           "and writes it over the file at the next save.)"),
        noteTitle(slot), msgbox::Question);
    // The box may have let other events run: look again.
    const auto again = m_links.find(slot);
    if (again == m_links.end() || again->second.path != path)
        return;
    Link& link = again->second;
    link.conflict = false;
    if (answer == 0) {
        takeIn(slot, link, now);
        return;
    }
    // The user keeps the note's text: the file as it is now is what the next save replaces.
    link.known = true;
    link.digest = digestOf(now.bytes, now.size);
    link.format = linkedfile::decode(now.bytes).format;
    m_store.MarkChanged(slot, true);
}

bool LinkedFileStore::writeFile(int slot, Link& link, const QByteArray& bytes) {
    if (IoError e = fileio::replaceFile(m_fs, link.path, bytes)) {
        // Told once; tried again at each save until it works.
        if (!link.writeFailed)
            writeFailure(slot, link.path, e);
        link.writeFailed = true;
        return false;
    }
    link.writeFailed = false;
    return true;
}

void LinkedFileStore::WriteLinkedFile(int slot) {
    if (!m_store.isValidSlot(slot))
        return;
    NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
    note.FiletoOpen = note.FiletoOpen.trimmed();
    if (note.FiletoOpen.isEmpty())
        return;
    Link& link = linkFor(slot);
    if (link.readInPart || link.unreadable || link.vanished)
        return;
    const QString text = m_store.Windows[static_cast<size_t>(slot)].Text;
    const FileNow now = look(link.path);
    if (now.error) {
        if (!link.writeFailed)
            writeFailure(slot, link.path, now.error);
        link.writeFailed = true;
        return;
    }
    if (!now.exists && link.known) {
        tellGone(slot, link);
        return;
    }
    if (!now.exists && !QFileInfo(fileio::folderOf(link.path)).isDir()) {
        if (!link.writeFailed)
            writeFailure(slot, link.path,
                         IoError{errnum::PathNotFound, errorDescription(errnum::PathNotFound)});
        link.writeFailed = true;
        return;
    }
    if (now.exists && link.known && digestOf(now.bytes, now.size) != link.digest) {
        // Changed elsewhere. Without edits of its own the note shows it (looked at once this
        // save is over); with edits both versions stay and the user chooses.
        if (hasEditsOfItsOwn(slot, link))
            keepBoth(slot, link, false);
        else if (note.OpenFile)
            QTimer::singleShot(0, this, &LinkedFileStore::checkForOutsideChanges);
        return;
    }
    if (now.exists && link.known && !hasEditsOfItsOwn(slot, link))
        return;
    linkedfile::Format format = link.format;
    const QByteArray bytes = linkedfile::encode(text, format);
    if (now.exists && bytes == now.bytes) {
        link.writeFailed = false;
    } else if (!writeFile(slot, link, bytes)) {
        return;
    }
    link.format = format;
    link.known = true;
    link.digest = digestOf(bytes, bytes.size());
    link.syncedText = text;
    emit watchedFilesChanged();
}

void LinkedFileStore::retryFailedWrites() {
    std::vector<int> failed;
    for (const auto& [slot, link] : m_links) {
        if (link.writeFailed)
            failed.push_back(slot);
    }
    for (int slot : failed) {
        if (!m_store.isValidSlot(slot))
            continue;
        const NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
        if (note.UpdateFile && !note.isDeleted())
            WriteLinkedFile(slot);
    }
}

void LinkedFileStore::forgetAll() {
    m_links.clear();
    emit watchedFilesChanged();
}

void LinkedFileStore::UpdateLinkedFile(int slot, bool openFile, const QString& fileToOpen) {
    if (!m_store.isValidSlot(slot))
        return;
    NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
    NoteWindowState& window = m_store.Windows[static_cast<size_t>(slot)];
    if (note.hasPendingChange() && note.UpdateFile && !note.FiletoOpen.trimmed().isEmpty())
        WriteLinkedFile(slot);
    note.OpenFile = openFile;
    note.FiletoOpen = fileToOpen.trimmed().left(width::FiletoOpen);
    if (openFile && !note.FiletoOpen.isEmpty()) {
        ReadLinkedFile(slot);
    } else if (!window.ReadOnlyReason.isEmpty()) {
        // No longer shown from a file: the text is the note's own again.
        window.ReadOnlyReason.clear();
        m_links.erase(slot);
        emit textReplaced(slot);
    }
    m_store.MarkChanged(slot, false);
    emit watchedFilesChanged();
}

void LinkedFileStore::checkForOutsideChanges() {
    // A question box lets events run; a change seen meanwhile is looked at once it closes.
    if (m_checking) {
        m_checkAgain = true;
        return;
    }
    m_checking = true;
    const auto done = qScopeGuard([this] {
        m_checking = false;
        if (std::exchange(m_checkAgain, false))
            QTimer::singleShot(0, this, &LinkedFileStore::checkForOutsideChanges);
    });
    std::vector<int> linkedSlots;
    for (const auto& [slot, link] : m_links)
        linkedSlots.push_back(slot);
    for (int slot : linkedSlots) {
        const auto it = m_links.find(slot);
        if (it == m_links.end() || !m_store.isValidSlot(slot))
            continue;
        Link& link = it->second;
        const NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
        if (!note.OpenFile || note.isDeleted() || link.conflict ||
            link.path != fullPath(note.FiletoOpen))
            continue;
        const FileNow now = look(link.path);
        if (!now.exists) {
            if (link.known)
                tellGone(slot, link);
            continue;
        }
        if (now.error)
            continue;
        // Back again (an editor that saves by renaming leaves a moment without the file).
        link.vanished = false;
        if (digestOf(now.bytes, now.size) == link.digest)
            continue;
        if (hasEditsOfItsOwn(slot, link))
            keepBoth(slot, link, true);
        else
            takeIn(slot, link, now);
    }
}

QStringList LinkedFileStore::watchedFiles() const {
    QStringList files;
    for (const auto& [slot, link] : m_links) {
        if (!m_store.isValidSlot(slot))
            continue;
        const NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
        if (note.OpenFile && !note.isDeleted() && !files.contains(link.path))
            files.append(link.path);
    }
    return files;
}
