#include "saver.h"
#include "datafile.h"
#include "linkedfiles.h"
#include "recordcodec.h"
#include "recordlayout.h"

#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/messagesink.h"
#include "platform/oledate.h"

#include <QDir>
#include <algorithm>
#include <vector>

namespace {

// Records of settings files older than this store the alarm display flag set and no desktop
// action; the comparison is on the text, as the version has always been compared.
const QString FirstCurrentVersion = QStringLiteral("3.1.0");

enum class ListResult { Done, Failed, Stop };

class Saver {
public:
    Saver(NoteStore& store, const SaveContext& ctx)
        : m_store(store)
        , m_ctx(ctx)
        , m_fs(ctx.files.fileSystem())
        , m_now(oledate::fromDateTime(ctx.clock.now())) {}

    enum class Form { FullCycle, Periodic };

    ListResult save(int list, Form form, const SaveScope& scope) {
        const auto l = static_cast<size_t>(list);
        if (m_store.Unreadable[l])
            return hasPending(list) || (m_store.FullSaveNeeded && !upToDate(list))
                       ? ListResult::Failed
                       : ListResult::Done;
        if (!m_store.FullSaveNeeded && !m_store.RecordsOutOfStep[l])
            return inPlace(list, form);
        if (!scope.rewriteUnchanged && upToDate(list))
            return ListResult::Done;
        return rewrite(list, form, scope.keepBackup[l]);
    }

private:
    [[nodiscard]] std::vector<int> shownNotes(int list) const {
        std::vector<int> out;
        for (int slot : m_store.ListEntries[static_cast<size_t>(list)]) {
            if (!m_store.Notes[static_cast<size_t>(slot)].isDeleted())
                out.push_back(slot);
        }
        return out;
    }

    [[nodiscard]] bool hasPending(int list) const {
        const std::vector<int> shown = shownNotes(list);
        return std::any_of(shown.begin(), shown.end(), [&](int slot) {
            return m_store.Notes[static_cast<size_t>(slot)].hasPendingChange();
        });
    }

    // The data file holds exactly the notes the list shows, in its order, as they are.
    [[nodiscard]] bool upToDate(int list) const {
        const auto l = static_cast<size_t>(list);
        return !m_store.RecordsOutOfStep[l] && !hasPending(list) &&
               m_store.FileOrder[l] == shownNotes(list) &&
               m_ctx.files.fileSystem().fileSize(m_ctx.files.dat[l]) ==
                   static_cast<qint64>(m_store.FileOrder[l].size()) * layout::RecordSize;
    }

    ListResult rewrite(int list, Form form, bool keepBackup) {
        const auto l = static_cast<size_t>(list);
        const std::vector<int> toWrite = shownNotes(list);
        const auto source = [&](int i) {
            return WriteNoteRecord(m_store, toWrite[static_cast<size_t>(i)], i + 1, m_ctx, m_now);
        };
        const auto onFailure = [&](const datafile::Failure& f) {
            fileBox(datafile::failureText(f.step, f.error), f.path);
        };
        const datafile::Backup backup =
            keepBackup ? datafile::Backup::Keep : datafile::Backup::Rotate;
        switch (datafile::replaceWhole(m_fs, m_ctx.files.dat[l], m_ctx.files.bak[l], backup,
                                       static_cast<int>(toWrite.size()), source, onFailure)) {
        case datafile::Outcome::Replaced:
            for (int slot : toWrite)
                m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
            m_store.FileOrder[l] = toWrite;
            m_store.RecordsOutOfStep[l] = false;
            importsWritten(list);
            return ListResult::Done;
        case datafile::Outcome::OpenFailed:
            return ListResult::Stop;
        case datafile::Outcome::TempFailed: {
            // No temporary file beside the data file (a read-only folder): the changes go in
            // place; dropping deleted notes and a new order wait for a whole rewrite.
            m_noWholeRewrite[l] = true;
            const ListResult r = inPlace(list, form);
            if (r != ListResult::Done || m_store.RecordsOutOfStep[l] ||
                m_store.FileOrder[l] != toWrite)
                return r == ListResult::Stop ? r : ListResult::Failed;
            return ListResult::Done;
        }
        case datafile::Outcome::WriteFailed:
        case datafile::Outcome::RenameFailed:
            break;
        }
        return ListResult::Failed;
    }

    // Writes the changed notes of a list at their records, and new notes after the last one.
    // The full cycle first renews the list's backup. A file whose records do not match what
    // this run knows of it is rewritten whole.
    ListResult inPlace(int list, Form form) {
        const auto l = static_cast<size_t>(list);
        const QString& dat = m_ctx.files.dat[l];
        std::vector<int> order = m_store.FileOrder[l];
        struct PendingWrite {
            int slot;
            qint64 index;
        };
        std::vector<PendingWrite> pending;
        for (int slot : shownNotes(list)) {
            if (!m_store.Notes[static_cast<size_t>(slot)].hasPendingChange())
                continue;
            auto at = std::find(order.begin(), order.end(), slot);
            if (at == order.end()) {
                order.push_back(slot);
                at = order.end() - 1;
            }
            pending.push_back({slot, at - order.begin()});
        }
        if (pending.empty())
            return ListResult::Done;

        IoError e;
        std::unique_ptr<fileio::OpenFile> file = m_fs.open(dat, fileio::OpenMode::ReadWrite, e);
        if (!file) {
            if (form == Form::Periodic && e.number == errnum::FileNotFound)
                return ListResult::Failed;
            fileBox(datafile::failureText(datafile::Step::Open, e), dat);
            return ListResult::Stop;
        }
        const qint64 size = file->size();
        const auto known = static_cast<qint64>(m_store.FileOrder[l].size());
        if (size != known * layout::RecordSize) {
            file.reset();
            if (m_store.FullSaveNeeded || m_store.RecordsOutOfStep[l] || m_noWholeRewrite[l]) {
                // Only reached when no whole rewrite is possible.
                fileBox(QStringLiteral("The records of this file do not match its list; it is "
                                       "left as it is and the changes are not saved."),
                        dat);
                return ListResult::Failed;
            }
            return rewrite(list, form, false);
        }

        if (form == Form::FullCycle)
            (void)datafile::renewBackup(m_fs, dat, m_ctx.files.bak[l], false,
                                        [&](const datafile::Failure& f) {
                                            fileBox(datafile::failureText(f.step, f.error), f.path);
                                        });

        bool failed = false;
        std::vector<int> written;
        for (const PendingWrite& w : pending) {
            // After a failed append a later one would leave a gap.
            if (failed && w.index >= known)
                continue;
            const QByteArray record =
                WriteNoteRecord(m_store, w.slot, static_cast<int>(w.index + 1), m_ctx, m_now);
            if (IoError we = file->writeAt(w.index * layout::RecordSize, record)) {
                failed = true;
                writeFailure(we, w.slot, form);
                const qint64 now = file->size();
                if (now % layout::RecordSize != 0)
                    (void)file->truncate(now - now % layout::RecordSize);
            } else {
                written.push_back(w.slot);
            }
        }
        if (!written.empty()) {
            if (IoError se = file->sync()) {
                fileBox(datafile::failureText(datafile::Step::Write, se), dat);
                return ListResult::Failed;
            }
        }
        // The file order now: the known records plus the appended ones that made it.
        const qint64 records = file->size() / layout::RecordSize;
        file.reset();
        order.resize(static_cast<size_t>(std::min<qint64>(records, std::ssize(order))));
        m_store.FileOrder[l] = order;
        for (int slot : written)
            m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
        if (failed)
            return ListResult::Failed;
        importsWritten(list);
        return ListResult::Done;
    }

    // The notes of the list are on file: an import file waiting only for them goes.
    void importsWritten(int list) {
        for (size_t k = 0; k < 2; ++k) {
            auto& pending = m_store.PendingImports[k];
            if (!pending[static_cast<size_t>(list)])
                continue;
            pending[static_cast<size_t>(list)] = false;
            if (!pending[0] && !pending[1])
                (void)m_fs.remove(m_ctx.files.imp[k]);
        }
    }

    void writeFailure(const IoError& e, int slot, Form form) {
        if (form == Form::FullCycle)
            noteBox(datafile::failureText(datafile::Step::Write, e), slot);
        else if (e.number != errnum::FileNotFound)
            noteBox(datafile::errorText(e), slot);
    }

    void fileBox(const QString& text, const QString& path) {
        m_ctx.messages.Message_box(text, datafile::fileTitle(m_ctx.tr.Translation(49), path),
                                   msgbox::WriteFailure);
    }

    void noteBox(const QString& text, int slot) {
        const QString title = m_store.Notes[static_cast<size_t>(slot)].trimmedTitle();
        m_ctx.messages.Message_box(text, m_ctx.tr.Translation(48) + title + QStringLiteral("'"),
                                   msgbox::WriteFailure);
    }

    NoteStore& m_store;
    const SaveContext& m_ctx;
    fileio::FileSystem& m_fs;
    double m_now;
    std::array<bool, 2> m_noWholeRewrite{};
};

// Dates from the change mark: "created " stamps both, "MODIFIED" the modification date,
// "modified" (a change of place or look) neither.
void stampDates(NoteRecord& note, double now) {
    if (note.ChangeMark == mark::Created)
        note.Created = now;
    if (note.ChangeMark == mark::Created || note.ChangeMark == mark::ModifiedContent)
        note.Modified = now;
}

// One cycle over both lists; false when a list could not be written (or the cycle stopped).
bool saveLists(NoteStore& store, const SaveContext& ctx, Saver::Form form, const SaveScope& scope) {
    Saver saver(store, ctx);
    bool failed = false;
    for (int list = 0; list <= 1; ++list) {
        const ListResult result = saver.save(list, form, scope);
        if (result == ListResult::Stop)
            return false;
        failed = failed || result == ListResult::Failed;
    }
    return !failed;
}

} // namespace

QByteArray WriteNoteRecord(NoteStore& store, int SaveIndex, int RecordCounter,
                           const SaveContext& ctx, double now) {
    const auto i = static_cast<size_t>(SaveIndex);
    NoteRecord& note = store.Notes[i];

    stampDates(note, now);
    note.ImagePath = note.ImagePath.trimmed();
    note.FiletoOpen = note.FiletoOpen.trimmed();

    NoteRecord stored = note;
    // Only a version actually read from the settings file is old; none read is no version.
    if (!ctx.settingsVersion.isEmpty() && ctx.settingsVersion < FirstCurrentVersion) {
        stored.AlarmShow = true;
        stored.AlarmSpecial = QStringLiteral(" ");
        note.AlarmSpecial = QStringLiteral(" ");
    }

    if (note.UpdateFile && !note.FiletoOpen.isEmpty() && ctx.linkedFiles != nullptr)
        ctx.linkedFiles->WriteLinkedFile(SaveIndex);

    return recordcodec::encode(stored, store.Windows[i], static_cast<std::int16_t>(RecordCounter));
}

bool SaveNotes(NoteStore& store, const SaveContext& ctx, const SaveScope& scope) {
    if (ctx.linkedFiles != nullptr)
        ctx.linkedFiles->retryFailedWrites();
    if (!store.DataChanged && !store.FullSaveNeeded)
        return true;
    // A list that could not be written keeps both flags, so the next cycle tries again.
    if (!saveLists(store, ctx, Saver::Form::FullCycle, scope))
        return false;
    store.FullSaveNeeded = false;
    store.DataChanged = false;
    return true;
}

bool QuickSaveNotes(NoteStore& store, const SaveContext& ctx) {
    if (store.FullSaveNeeded && store.DataChanged)
        return SaveNotes(store, ctx);
    if (ctx.linkedFiles != nullptr)
        ctx.linkedFiles->retryFailedWrites();
    if (!store.DataChanged)
        return true;
    if (!saveLists(store, ctx, Saver::Form::Periodic, SaveScope{}))
        return false;
    store.DataChanged = false;
    return true;
}

int WriteRescueFile(NoteStore& store, const SaveContext& ctx, const QString& path) {
    const double now = oledate::fromDateTime(ctx.clock.now());
    QByteArray bytes;
    int count = 0;
    for (int list = 0; list <= 1; ++list) {
        for (int slot : store.ListEntries[static_cast<size_t>(list)]) {
            const auto i = static_cast<size_t>(slot);
            NoteRecord note = store.Notes[i];
            if (!note.hasPendingChange())
                continue;
            stampDates(note, now);
            bytes +=
                recordcodec::encode(note, store.Windows[i], static_cast<std::int16_t>(++count));
        }
    }
    if (count == 0)
        return 0;
    if (!QDir().mkpath(fileio::folderOf(path)))
        return -1;
    if (fileio::replaceFile(ctx.files.fileSystem(), path, bytes))
        return -1;
    return count;
}
