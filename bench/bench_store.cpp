// Loading and saving 2000 notes against raw file reads and writes of the same bytes.
#include "localisation/translator.h"
#include "platform/fileio.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/saver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>

namespace {

constexpr int Runs = 3;
constexpr qint64 ChunkBytes = 128LL * 32530;
constexpr int ScreenWidth = 1920 * 15;
constexpr int ScreenHeight = 1080 * 15;

// The best of a few runs, in milliseconds: the least disturbed by the rest of the machine.
double bestMs(const std::function<void()>& work, int runs = Runs) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

struct Bench {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path() + QLatin1Char('/')};
    NoteFiles files{folder};
    FakeMessageSink messages;
    FakeClock clock;
    Translator tr;
    NoteStore store;

    SaveContext context() {
        return SaveContext{files, messages, tr, clock, QStringLiteral("3.2.0")};
    }

    // `count` notes with a few lines of text each, written whole.
    void fill(int count) {
        (void)fileio::removeFile(files.dat[0]);
        (void)fileio::removeFile(files.bak[0]);
        store.clear();
        for (int i = 0; i < count; ++i) {
            NoteRecord r;
            r.Title = QStringLiteral("Note %1").arg(i);
            r.ChangeMark = mark::Created;
            NoteWindowState w;
            w.Left = static_cast<float>(15 * (i % 100));
            w.Top = static_cast<float>(15 * (i % 50));
            w.Width = 3000;
            w.Height = 2250;
            w.Text =
                QStringLiteral("Line one of note %1\nsecond line, café à 5 €\n").arg(i).repeated(8);
            store.addNote(0, r, w);
        }
        store.FullSaveNeeded = true;
        (void)SaveNotes(store, context());
    }

    void load() {
        LoadOptions options{false, ScreenWidth, ScreenHeight};
        LoadNotes(store, files, options, messages, tr, nullptr);
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    Bench b;

    b.fill(2000);
    const qint64 bytes = fileio::fileSize(b.files.dat[0]);
    out << "data file: 2000 notes, " << bytes / (1024 * 1024) << " MB\n";

    // The raw read takes the file in the loader's chunks into one reused buffer.
    QByteArray raw;
    (void)fileio::readAll(b.files.dat[0], raw); // warm the page cache
    QByteArray chunk;
    const double rawRead = bestMs([&] {
        fileio::RecordFile file;
        if (file.open(b.files.dat[0], fileio::RecordFile::Mode::ReadOnly))
            return;
        for (qint64 at = 0; at < bytes; at += ChunkBytes)
            (void)file.readAt(at, std::min<qint64>(ChunkBytes, bytes - at), chunk);
    });
    const double load = bestMs([&] { b.load(); });
    out << "load 2000 notes: " << qRound(load) << " ms, raw read " << qRound(rawRead)
        << " ms, ratio " << QString::number(load / rawRead, 'f', 2) << "\n";

    const QString rawPath = b.dir.filePath(QStringLiteral("raw.bin"));
    const double rawWrite = bestMs([&] { (void)fileio::writeAll(rawPath, raw); });
    // An unchanged list is left alone by a whole-rewrite cycle; time the rewrite itself, as
    // the first start of a new version runs it.
    SaveScope rewrite;
    rewrite.rewriteUnchanged = true;
    const double fullSave = bestMs([&] {
        b.store.FullSaveNeeded = true;
        (void)SaveNotes(b.store, b.context(), rewrite);
    });
    out << "full save 2000 notes: " << qRound(fullSave) << " ms, raw write+fsync "
        << qRound(rawWrite) << " ms, ratio " << QString::number(fullSave / rawWrite, 'f', 2)
        << "\n";

    for (int count : {200, 2000}) {
        b.fill(count);
        const double inPlace = bestMs(
            [&] {
                const int slot = b.store.slotAt(0, count / 2);
                b.store.Windows[static_cast<size_t>(slot)].Text += QLatin1Char('x');
                b.store.MarkChanged(slot, true);
                (void)QuickSaveNotes(b.store, b.context());
            },
            10);
        out << "in-place save of 1 changed note among " << count << ": "
            << QString::number(inPlace, 'f', 2) << " ms\n";
    }
    out << "message boxes: " << b.messages.count() << "\n";
    return b.messages.count() == 0 ? 0 : 1;
}
