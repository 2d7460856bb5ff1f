#include "loader.h"
#include "datafile.h"
#include "recordcodec.h"
#include "recordlayout.h"

#include "localisation/translator.h"
#include "platform/fileio.h"
#include "platform/messagesink.h"

#include <cmath>
#include <cstdlib>

namespace {

// Records read per chunk: a few megabytes, so a large file needs few reads and little memory.
constexpr int ChunkRecords = 128;

const QString QuickHelpPrefix = QStringLiteral("Quick help");

// Blanks (only blanks) removed on both sides, as fixed-length texts are trimmed.
QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// |round(value) mod round(range)|, computed on whole numbers as the position check does.
float wrapPosition(float value, int range) {
    const long long whole = std::llrint(value);
    return static_cast<float>(std::llabs(whole % range));
}

class Loader {
public:
    Loader(NoteStore& store, const LoadOptions& options, MessageSink& messages,
           const Translator& tr, NoteBuilder* builder)
        : m_store(store)
        , m_options(options)
        , m_messages(messages)
        , m_tr(tr)
        , m_builder(builder) {}

    [[nodiscard]] bool importedInto(int list) const {
        return m_importedInto[static_cast<size_t>(list)];
    }

    // Reads one file of a list; returns the number of records taken into the list.
    int readFile(const QString& path, int list, bool importFile) {
        fileio::RecordFile file;
        if (IoError e = file.open(path, fileio::RecordFile::Mode::ReadOnly)) {
            if (e.number == errnum::FileNotFound) {
                // A later save finds the data file it expects; import files are deleted anyway.
                if (!importFile)
                    reportIfFailed(fileio::touch(path));
            } else {
                report(e);
            }
            return 0;
        }
        const qint64 size = file.size();
        const qint64 records = size / layout::RecordSize;
        int taken = 0;
        bool skipped = size % layout::RecordSize != 0;
        QByteArray chunk;
        for (qint64 first = 0; first < records; first += ChunkRecords) {
            const qint64 n = std::min<qint64>(ChunkRecords, records - first);
            if (IoError e =
                    file.readAt(first * layout::RecordSize, n * layout::RecordSize, chunk)) {
                report(e);
                skipped = true;
                break;
            }
            const qint64 whole = chunk.size() / layout::RecordSize;
            for (qint64 i = 0; i < whole; ++i) {
                std::optional<DecodedRecord> d = recordcodec::decode(
                    QByteArrayView(chunk.constData() + i * layout::RecordSize, layout::RecordSize));
                if (d && takeRecord(*d, list, importFile))
                    ++taken;
                else
                    skipped = true;
            }
            if (whole < n) {
                skipped = true;
                break;
            }
        }
        file.close();
        if (!importFile && skipped)
            m_store.RecordsOutOfStep[static_cast<size_t>(list)] = true;
        return taken;
    }

private:
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

    bool takeRecord(DecodedRecord& d, int list, bool importFile) {
        if (!isValid(d, list))
            return false;
        // Huge positions would not fit a whole number; such a record is as invalid as any.
        if (std::fabs(d.window.Left) > 1e15F || std::fabs(d.window.Top) > 1e15F)
            return false;
        fitToScreen(d.window);
        correctPosition(d.window);

        NoteRecord& record = d.record;
        record.Title = trimBlanks(record.Title);
        record.ChangeMark = mark::Blank;
        d.window.Text = trimBlanks(d.window.Text);
        d.window.FontName = trimBlanks(d.window.FontName);

        int slot = -1;
        if (importFile && record.Title.startsWith(QuickHelpPrefix)) {
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
        if (importFile)
            m_importedInto[static_cast<size_t>(m_store.Notes[static_cast<size_t>(slot)].List)] =
                true;

        if (m_builder != nullptr) {
            const bool updating = m_store.UpdatingLists;
            m_store.UpdatingLists = true;
            m_builder->buildNote(slot);
            m_store.UpdatingLists = updating;
        }
        m_store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
        return true;
    }

    void report(const IoError& e) {
        m_messages.Message_box(datafile::errorText(e), m_tr.Translation(64), msgbox::Plain);
    }

    void reportIfFailed(const IoError& e) {
        if (e)
            report(e);
    }

    NoteStore& m_store;
    const LoadOptions& m_options;
    MessageSink& m_messages;
    const Translator& m_tr;
    NoteBuilder* m_builder;
    std::array<bool, 2> m_importedInto{};
};

} // namespace

void LoadNotes(NoteStore& store, const NoteFiles& files, const LoadOptions& options,
               MessageSink& messages, const Translator& tr, NoteBuilder* builder) {
    store.clear();
    Loader loader(store, options, messages, tr, builder);
    for (int list = 0; list <= 1; ++list) {
        const auto l = static_cast<size_t>(list);
        loader.readFile(files.dat[l], list, false);
        loader.readFile(files.imp[l], list, true);
    }

    // The import files are deleted below, so what they brought must be in the data files
    // first; the whole list is written, as the positions of its lines are its record numbers.
    // Should that fail, the import files stay for the next start.
    bool keepImports = false;
    for (int list = 0; list <= 1; ++list) {
        if (!loader.importedInto(list))
            continue;
        const auto l = static_cast<size_t>(list);
        const std::vector<int>& entries = store.ListEntries[l];
        const auto source = [&](int i) {
            const auto slot = static_cast<size_t>(entries[static_cast<size_t>(i)]);
            return recordcodec::encode(store.Notes[slot], store.Windows[slot],
                                       static_cast<std::int16_t>(i + 1));
        };
        const auto onFailure = [&](const datafile::Failure& f) {
            messages.Message_box(datafile::failureText(f.step, f.error),
                                 tr.Translation(49) + QStringLiteral("\r\n") + f.path,
                                 msgbox::WriteFailure);
        };
        const datafile::Outcome outcome =
            datafile::replaceWhole(files.dat[l], files.bak[l], datafile::Backup::Rotate,
                                   static_cast<int>(entries.size()), source, onFailure);
        if (outcome == datafile::Outcome::Replaced)
            store.RecordsOutOfStep[l] = false;
        else
            keepImports = true;
    }

    if (keepImports)
        return;
    for (const QString& imported : files.imp)
        (void)fileio::removeFile(imported);
}
