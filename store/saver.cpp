#include "saver.h"
#include "datafile.h"
#include "linkedfiles.h"
#include "recordcodec.h"
#include "recordlayout.h"

#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/fileio.h"
#include "platform/messagesink.h"
#include "platform/oledate.h"

#include <vector>

namespace {

// Records of settings files older than this store the alarm display flag set and no desktop
// action; the comparison is on the text, as the version has always been compared.
const QString FirstCurrentVersion = QStringLiteral("3.1.0");

struct PendingWrite {
    int slot;
    int recordNumber;
};

enum class ListResult { Done, Failed, Stop };

class Saver {
public:
    Saver(NoteStore& store, const SaveContext& ctx)
        : m_store(store)
        , m_ctx(ctx)
        , m_now(oledate::fromDateTime(ctx.clock.now())) {}

    // The data file holds the listed notes that are not deleted, in list order: the record of
    // a line is one more than the number of such notes above it. That is position + 1 until a
    // full save has dropped a deleted note whose line is still shown.
    [[nodiscard]] std::vector<PendingWrite> pendingWrites(int list) const {
        std::vector<PendingWrite> out;
        int record = 0;
        for (int slot : m_store.ListEntries[static_cast<size_t>(list)]) {
            const NoteRecord& note = m_store.Notes[static_cast<size_t>(slot)];
            if (note.isDeleted())
                continue;
            ++record;
            if (note.hasPendingChange())
                out.push_back({slot, record});
        }
        return out;
    }

    ListResult rewrite(int list) {
        const auto l = static_cast<size_t>(list);
        std::vector<int> toWrite;
        for (int slot : m_store.ListEntries[l]) {
            if (!m_store.Notes[static_cast<size_t>(slot)].isDeleted())
                toWrite.push_back(slot);
        }
        const auto source = [&](int i) {
            return WriteNoteRecord(m_store, toWrite[static_cast<size_t>(i)], i + 1, m_ctx, m_now);
        };
        const auto onFailure = [&](const datafile::Failure& f) {
            if (f.step == datafile::Step::Write)
                noteBox(datafile::failureText(f.step, f.error),
                        toWrite.at(static_cast<size_t>(f.index)));
            else
                fileBox(datafile::failureText(f.step, f.error), f.path);
        };
        switch (datafile::replaceWhole(m_ctx.files.dat[l], m_ctx.files.bak[l],
                                       datafile::Backup::Rotate, static_cast<int>(toWrite.size()),
                                       source, onFailure)) {
        case datafile::Outcome::Replaced:
            for (int slot : toWrite)
                m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
            m_store.RecordsOutOfStep[l] = false;
            return ListResult::Done;
        case datafile::Outcome::OpenFailed:
            return ListResult::Stop;
        case datafile::Outcome::WriteFailed:
        case datafile::Outcome::RenameFailed:
            break;
        }
        return ListResult::Failed;
    }

    enum class Form { FullCycle, Periodic };

    // Writes the changed notes of a list at their records. The full cycle first copies the
    // data file to its backup. A list whose records are out of step, or whose data file is
    // too short for a record to land right after the ones before it, is rewritten whole.
    ListResult inPlace(int list, Form form) {
        const auto l = static_cast<size_t>(list);
        const QString& dat = m_ctx.files.dat[l];
        const std::vector<PendingWrite> pending = pendingWrites(list);
        if (form == Form::Periodic && pending.empty())
            return ListResult::Done;
        if (m_store.RecordsOutOfStep[l] || !fileio::exists(dat))
            return rewrite(list);

        fileio::RecordFile file;
        if (IoError e = file.open(dat, fileio::RecordFile::Mode::ReadWrite)) {
            if (form == Form::Periodic && e.number == errnum::FileNotFound)
                return ListResult::Failed;
            fileBox(datafile::failureText(datafile::Step::Open, e), dat);
            return ListResult::Stop;
        }
        qint64 records = file.size() / layout::RecordSize;
        for (const PendingWrite& w : pending) {
            if (w.recordNumber > records + 1) {
                file.close();
                return rewrite(list);
            }
            records = std::max<qint64>(records, w.recordNumber);
        }

        if (form == Form::FullCycle) {
            const IoError killed = fileio::removeFile(m_ctx.files.bak[l]);
            if (killed && killed.number != errnum::FileNotFound)
                fileBox(datafile::failureText(datafile::Step::Kill, killed), m_ctx.files.bak[l]);
            if (IoError e = fileio::copyFile(dat, m_ctx.files.bak[l]))
                fileBox(datafile::failureText(datafile::Step::Filecopy, e), dat);
        }

        bool failed = false;
        std::vector<int> written;
        for (const PendingWrite& w : pending) {
            const QByteArray record =
                WriteNoteRecord(m_store, w.slot, w.recordNumber, m_ctx, m_now);
            if (IoError e = file.writeAt(
                    static_cast<qint64>(w.recordNumber - 1) * layout::RecordSize, record)) {
                failed = true;
                writeFailure(e, w.slot, form);
            } else {
                written.push_back(w.slot);
            }
        }
        if (!written.empty()) {
            if (IoError e = file.sync()) {
                writeFailure(e, written.back(), form);
                file.close();
                return ListResult::Failed;
            }
        }
        file.close();
        for (int slot : written)
            m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
        return failed ? ListResult::Failed : ListResult::Done;
    }

private:
    void writeFailure(const IoError& e, int slot, Form form) {
        if (form == Form::FullCycle)
            noteBox(datafile::failureText(datafile::Step::Write, e), slot);
        else if (e.number != errnum::FileNotFound)
            noteBox(datafile::errorText(e), slot);
    }

    void fileBox(const QString& text, const QString& path) {
        m_ctx.messages.Message_box(text, m_ctx.tr.Translation(49) + QStringLiteral("\r\n") + path,
                                   msgbox::WriteFailure);
    }

    void noteBox(const QString& text, int slot) {
        const QString title = m_store.Notes[static_cast<size_t>(slot)].trimmedTitle();
        m_ctx.messages.Message_box(text, m_ctx.tr.Translation(48) + title + QStringLiteral("'"),
                                   msgbox::WriteFailure);
    }

    NoteStore& m_store;
    const SaveContext& m_ctx;
    double m_now;
};

} // namespace

QByteArray WriteNoteRecord(NoteStore& store, int SaveIndex, int RecordCounter,
                           const SaveContext& ctx, double now) {
    const auto i = static_cast<size_t>(SaveIndex);
    NoteRecord& note = store.Notes[i];

    if (note.ChangeMark == mark::Created) {
        note.Created = now;
        note.Modified = now;
    } else if (note.ChangeMark == mark::ModifiedContent) {
        note.Modified = now;
    }
    note.ImagePath = note.ImagePath.trimmed();
    note.FiletoOpen = note.FiletoOpen.trimmed();

    NoteRecord stored = note;
    if (ctx.settingsVersion < FirstCurrentVersion) {
        stored.AlarmShow = true;
        stored.AlarmSpecial = QStringLiteral(" ");
        note.AlarmSpecial = QStringLiteral(" ");
    }

    if (note.UpdateFile && !note.FiletoOpen.isEmpty() && ctx.linkedFiles != nullptr)
        ctx.linkedFiles->WriteLinkedFile(SaveIndex);

    return recordcodec::encode(stored, store.Windows[i], static_cast<std::int16_t>(RecordCounter));
}

void SaveNotes(NoteStore& store, const SaveContext& ctx) {
    if (!store.DataChanged && !store.FullSaveNeeded)
        return;
    Saver saver(store, ctx);
    bool failed = false;
    for (int list = 0; list <= 1; ++list) {
        const ListResult result = store.FullSaveNeeded
                                      ? saver.rewrite(list)
                                      : saver.inPlace(list, Saver::Form::FullCycle);
        if (result == ListResult::Stop)
            return;
        failed = failed || result == ListResult::Failed;
    }
    // A list that could not be written keeps both flags, so the next cycle tries again.
    if (!failed) {
        store.FullSaveNeeded = false;
        store.DataChanged = false;
    }
}

void QuickSaveNotes(NoteStore& store, const SaveContext& ctx) {
    if (!store.DataChanged)
        return;
    if (store.FullSaveNeeded) {
        SaveNotes(store, ctx);
        return;
    }
    Saver saver(store, ctx);
    bool failed = false;
    for (int list = 0; list <= 1; ++list) {
        const ListResult result = saver.inPlace(list, Saver::Form::Periodic);
        if (result == ListResult::Stop)
            return;
        failed = failed || result == ListResult::Failed;
    }
    if (!failed)
        store.DataChanged = false;
}
