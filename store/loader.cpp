#include "loader.h"
#include "datafile.h"
#include "linkedfiles.h"
#include "recordcodec.h"
#include "recordlayout.h"

#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/messagesink.h"
#include "platform/textcodec.h"

#include <cmath>
#include <cstdlib>

namespace {

// Records read per chunk: a few megabytes, so a large file needs few reads and little memory.
constexpr int ChunkRecords = 128;

const QString QuickHelpPrefix = QStringLiteral("Quick help");

// |round(value) mod round(range)|, computed on whole numbers as the position check does.
float wrapPosition(float value, int range) {
    const long long whole = std::llrint(value);
    return static_cast<float>(std::llabs(whole % range));
}

class Loader {
public:
    Loader(NoteStore& store, const NoteFiles& files, const LoadOptions& options,
           MessageSink& messages, const Translator& tr, NoteBuilder* builder)
        : m_store(store)
        , m_files(files)
        , m_fs(files.fileSystem())
        , m_options(options)
        , m_messages(messages)
        , m_tr(tr)
        , m_builder(builder) {}

    void readDataFile(int list) {
        const auto l = static_cast<size_t>(list);
        const QString& dat = m_files.dat[l];
        QString path = dat;
        if (m_fs.fileSize(dat) <= 0)
            path = restore(list);
        std::vector<int> order;
        int skipped = 0;
        IoError e;
        std::unique_ptr<fileio::OpenFile> file = m_fs.open(path, fileio::OpenMode::ReadOnly, e);
        if (!file && e.number == errnum::FileNotFound) {
            // A later save finds the data file it expects.
            file = m_fs.open(path, fileio::OpenMode::ReadWrite, e);
            if (!file)
                report(e, dat);
            return;
        }
        if (!file || readRecords(*file, list, -1, &order, skipped, e)) {
            // What could not be read would be lost by any write: the file is left alone.
            report(e, dat);
            m_store.Unreadable[l] = true;
            return;
        }
        file.reset();
        if (m_store.Unreadable[l])
            return;
        m_store.FileOrder[l] = std::move(order);
        m_store.RecordsOutOfStep[l] = skipped > 0;
        if (skipped > 0)
            keepDamaged(list, skipped);
    }

    void readImportFile(int k) {
        const auto i = static_cast<size_t>(k);
        IoError e;
        std::unique_ptr<fileio::OpenFile> file =
            m_fs.open(m_files.imp[i], fileio::OpenMode::ReadOnly, e);
        int skipped = 0;
        if (file && !readRecords(*file, k, k, nullptr, skipped, e))
            return;
        if (e.number == errnum::FileNotFound)
            return;
        report(e, m_files.imp[i]);
        m_keepImport[i] = true;
    }

    // Writes the lists that took in imported notes and deletes the import files whose notes
    // are all on file.
    void mergeImports(LoadResult& result) {
        for (int list = 0; list <= 1; ++list) {
            const auto l = static_cast<size_t>(list);
            if (!m_importedSlots[l].empty() && !m_store.Unreadable[l] && rewrite(list)) {
                result.rewrittenWhole[l] = true;
                continue;
            }
            // Written by the next save; the import file waits for it.
            for (int slot : m_importedSlots[l]) {
                m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Modified;
                m_store.DataChanged = true;
            }
        }
        for (size_t k = 0; k < 2; ++k) {
            bool pending = m_keepImport[k];
            for (size_t l = 0; l < 2; ++l) {
                m_store.PendingImports[k][l] = m_importTargets[k][l] && !result.rewrittenWhole[l];
                pending = pending || m_store.PendingImports[k][l];
            }
            if (!pending)
                (void)m_fs.remove(m_files.imp[k]);
        }
    }

private:
    // Reads every record of a file; true with `error` set when reading failed.
    bool readRecords(fileio::OpenFile& file, int list, int importFile, std::vector<int>* order,
                     int& skipped, IoError& error) {
        const qint64 size = file.size();
        const qint64 records = size / layout::RecordSize;
        if (size % layout::RecordSize != 0)
            ++skipped;
        QByteArray chunk;
        for (qint64 first = 0; first < records; first += ChunkRecords) {
            const qint64 n = std::min<qint64>(ChunkRecords, records - first);
            error = file.readAt(first * layout::RecordSize, n * layout::RecordSize, chunk);
            if (!error && chunk.size() != n * layout::RecordSize)
                error = IoError{errnum::DeviceIo, errorDescription(errnum::DeviceIo)};
            if (error)
                return true;
            for (qint64 i = 0; i < n; ++i) {
                std::optional<DecodedRecord> d = recordcodec::decode(
                    QByteArrayView(chunk.constData() + i * layout::RecordSize, layout::RecordSize));
                const int slot = d ? takeRecord(*d, list, importFile) : -1;
                if (slot < 0)
                    ++skipped;
                if (order != nullptr)
                    order->push_back(slot);
            }
        }
        return false;
    }

    // A missing or empty data file beside a complete temporary file or a backup that holds
    // notes is restored from it. Returns the file to read.
    QString restore(int list) {
        const auto l = static_cast<size_t>(list);
        const QString& dat = m_files.dat[l];
        const QString tmp = fileio::temporaryPath(m_fs.finalTarget(dat));
        const qint64 tmpSize = m_fs.fileSize(tmp);
        QString source;
        if (tmpSize > 0 && tmpSize % layout::RecordSize == 0)
            source = tmp;
        else if (m_fs.fileSize(m_files.bak[l]) > 0)
            source = m_files.bak[l];
        else
            return dat;
        QByteArray bytes;
        IoError e = fileio::readAll(m_fs, source, bytes);
        // An empty data file may be the user's own doing (every note of the list removed):
        // the user decides. A declined backup is kept under another name, so it is neither
        // lost nor offered at every start.
        const bool ask = !e && source == m_files.bak[l] && m_fs.fileSize(dat) == 0;
        if (ask) {
            const QString question =
                QStringLiteral("%1 is empty, but %2 holds %3 notes. Bring them back?")
                    .arg(dat, source)
                    .arg(bytes.size() / layout::RecordSize);
            if (m_messages.Message_box(question, datafile::fileTitle(m_tr.Translation(64), dat),
                                       msgbox::Question) != 0) {
                (void)m_fs.rename(source, source + QStringLiteral(".kept-") + today());
                return dat;
            }
        }
        if (!e)
            e = fileio::replaceFile(m_fs, dat, bytes);
        if (e) {
            // Read from where the notes are, and leave every file as it is.
            report(e, dat);
            m_store.Unreadable[l] = true;
            return source;
        }
        if (ask)
            return dat;
        m_messages.Message_box(
            QStringLiteral("%1 was missing or empty. It has been restored from %2 (%3 notes).")
                .arg(dat, source)
                .arg(bytes.size() / layout::RecordSize),
            datafile::fileTitle(m_tr.Translation(64), dat), msgbox::Info);
        return dat;
    }

    // The date that names the copies a load keeps aside.
    [[nodiscard]] QString today() const {
        const QDate date =
            m_options.clock != nullptr ? m_options.clock->now().date() : QDate::currentDate();
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }

    // Keeps the file as it was before anything drops the records that were skipped.
    void keepDamaged(int list, int skipped) {
        const auto l = static_cast<size_t>(list);
        const QString& dat = m_files.dat[l];
        const QString kept = dat + QStringLiteral(".damaged-") + today();
        // Kept and told already today.
        if (m_fs.fileSize(kept) >= 0)
            return;
        QByteArray bytes;
        IoError e = fileio::readAll(m_fs, dat, bytes);
        if (!e)
            e = fileio::writeNew(m_fs, kept, bytes, 0644);
        if (e) {
            (void)m_fs.remove(kept);
            report(e, kept);
            m_store.Unreadable[l] = true;
            return;
        }
        m_messages.Message_box(QStringLiteral("%1 could not be read in full: %2 records were "
                                              "skipped. The file as it was is kept as %3.")
                                   .arg(dat)
                                   .arg(skipped)
                                   .arg(kept),
                               datafile::fileTitle(m_tr.Translation(64), dat), msgbox::Info);
    }

    bool rewrite(int list) {
        const auto l = static_cast<size_t>(list);
        const std::vector<int>& entries = m_store.ListEntries[l];
        const auto source = [&](int i) {
            const auto slot = static_cast<size_t>(entries[static_cast<size_t>(i)]);
            return recordcodec::encode(m_store.Notes[slot], m_store.Windows[slot],
                                       static_cast<std::int16_t>(i + 1));
        };
        const auto onFailure = [&](const datafile::Failure& f) {
            m_messages.Message_box(datafile::failureText(f.step, f.error),
                                   datafile::fileTitle(m_tr.Translation(49), f.path),
                                   msgbox::WriteFailure);
        };
        if (datafile::replaceWhole(m_fs, m_files.dat[l], m_files.bak[l], datafile::Backup::Rotate,
                                   static_cast<int>(entries.size()), source,
                                   onFailure) != datafile::Outcome::Replaced)
            return false;
        m_store.FileOrder[l] = entries;
        m_store.RecordsOutOfStep[l] = false;
        return true;
    }

    [[nodiscard]] bool isValid(const DecodedRecord& d, int list) const {
        const NoteWindowState& w = d.window;
        if (w.Height == 0 && w.Width == 0)
            return false;
        if (w.Height < 0 || w.Width < 0)
            return false;
        if (std::isnan(w.Height) || std::isnan(w.Width) || std::isnan(w.Left) || std::isnan(w.Top))
            return false;
        return d.record.List == list;
    }

    // A note larger than the screen (one saved on a bigger monitor) is shrunk to the screen
    // instead of being skipped: a skipped record would vanish at the next whole rewrite.
    void fitToScreen(NoteWindowState& w) const {
        if (m_options.screenWidth > 0 && w.Width > static_cast<float>(m_options.screenWidth))
            w.Width = static_cast<float>(m_options.screenWidth);
        if (m_options.screenHeight > 0 && w.Height > static_cast<float>(m_options.screenHeight))
            w.Height = static_cast<float>(m_options.screenHeight);
    }

    void correctPosition(NoteWindowState& w) const {
        const int sw = m_options.screenWidth;
        const int sh = m_options.screenHeight;
        if (m_options.multiScreens || sw <= 0 || sh <= 0)
            return;
        if (w.Left < 0 || w.Left > static_cast<float>(sw) || w.Top < 0 ||
            w.Top > static_cast<float>(sh)) {
            w.Top = wrapPosition(w.Top, sh);
            w.Left = wrapPosition(w.Left, sw);
        }
    }

    // Takes a record into the list; returns its slot, or -1 when it is skipped. `importFile` is
    // the import file's list, or -1 for a data file.
    int takeRecord(DecodedRecord& d, int list, int importFile) {
        if (!isValid(d, list))
            return -1;
        // Huge positions would not fit a whole number; such a record is as invalid as any.
        if (std::fabs(d.window.Left) > 1e15F || std::fabs(d.window.Top) > 1e15F)
            return -1;
        fitToScreen(d.window);
        correctPosition(d.window);

        NoteRecord& record = d.record;
        record.Title = textcodec::trimBlanks(record.Title);
        record.ChangeMark = mark::Blank;
        d.window.Text = textcodec::trimBlanks(d.window.Text);
        d.window.FontName = textcodec::trimBlanks(d.window.FontName);

        int slot = -1;
        if (importFile >= 0 && record.Title.startsWith(QuickHelpPrefix)) {
            for (int s = 0; s <= m_store.LastNote(); ++s) {
                if (m_store.Notes[static_cast<size_t>(s)].trimmedTitle() == record.Title) {
                    slot = s;
                    break;
                }
            }
        }
        if (slot >= 0) {
            // The note keeps its line, so it keeps the list that line belongs to.
            const auto i = static_cast<size_t>(slot);
            record.List = m_store.Notes[i].List;
            m_store.Notes[i] = record;
            m_store.Windows[i] = d.window;
        } else {
            slot = m_store.addNote(list, record, d.window);
        }
        if (importFile >= 0) {
            const auto into = static_cast<size_t>(m_store.Notes[static_cast<size_t>(slot)].List);
            m_importTargets[static_cast<size_t>(importFile)][into] = true;
            m_importedSlots[into].push_back(slot);
        }

        const bool updating = m_store.UpdatingLists;
        m_store.UpdatingLists = true;
        const NoteRecord& taken = m_store.Notes[static_cast<size_t>(slot)];
        if (m_options.linkedFiles != nullptr && taken.OpenFile &&
            !taken.FiletoOpen.trimmed().isEmpty())
            m_options.linkedFiles->ReadLinkedFile(slot);
        if (m_builder != nullptr)
            m_builder->buildNote(slot);
        m_store.UpdatingLists = updating;
        m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
        return slot;
    }

    void report(const IoError& e, const QString& path) {
        m_messages.Message_box(datafile::errorText(e),
                               datafile::fileTitle(m_tr.Translation(64), path), msgbox::Plain);
    }

    NoteStore& m_store;
    const NoteFiles& m_files;
    fileio::FileSystem& m_fs;
    const LoadOptions& m_options;
    MessageSink& m_messages;
    const Translator& m_tr;
    NoteBuilder* m_builder;
    std::array<std::array<bool, 2>, 2> m_importTargets{};
    std::array<std::vector<int>, 2> m_importedSlots;
    std::array<bool, 2> m_keepImport{};
};

} // namespace

LoadResult LoadNotes(NoteStore& store, const NoteFiles& files, const LoadOptions& options,
                     MessageSink& messages, const Translator& tr, NoteBuilder* builder) {
    store.clear();
    if (options.linkedFiles != nullptr)
        options.linkedFiles->forgetAll();
    Loader loader(store, files, options, messages, tr, builder);
    for (int list = 0; list <= 1; ++list) {
        loader.readDataFile(list);
        loader.readImportFile(list);
    }
    LoadResult result;
    loader.mergeImports(result);
    return result;
}
