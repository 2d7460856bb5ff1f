#include "storetestutil.h"

#include "store/loader.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QFile>

StoreFixture::StoreFixture()
    : folder(dir.path() + QLatin1Char('/'))
    , files(folder) {
    files.fs = &fs;
}

SaveContext StoreFixture::context(LinkedFiles* linked) {
    return SaveContext{files, messages, tr, clock, version, linked};
}

LoadResult StoreFixture::load(bool multiScreens) {
    LoadOptions options;
    options.multiScreens = multiScreens;
    options.screenWidth = ScreenWidth;
    options.screenHeight = ScreenHeight;
    options.clock = &clock;
    return LoadNotes(store, files, options, messages, tr, nullptr);
}

bool StoreFixture::save() {
    return SaveNotes(store, context());
}

bool StoreFixture::quickSave() {
    return QuickSaveNotes(store, context());
}

TestNote makeNote(const QString& title, const QString& text, int list) {
    TestNote n;
    n.record.Title = title;
    n.record.List = static_cast<std::int16_t>(list);
    n.window.Left = 1500;
    n.window.Top = 1500;
    n.window.Width = 3000;
    n.window.Height = 2250;
    n.window.Text = text;
    return n;
}

QByteArray encodeNote(const TestNote& note, int recordNumber) {
    return recordcodec::encode(note.record, note.window, static_cast<std::int16_t>(recordNumber));
}

void writeDataFile(const QString& path, const std::vector<TestNote>& notes) {
    QByteArray bytes;
    int n = 0;
    for (const TestNote& note : notes)
        bytes += encodeNote(note, ++n);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QStringList texts(const NoteStore& store, int list) {
    QStringList out;
    for (int pos = 0; pos < store.lineCount(list); ++pos)
        out << store.Windows[static_cast<size_t>(store.slotAt(list, pos))].Text;
    return out;
}

QStringList reload(StoreFixture& f, int list) {
    NoteStore again;
    NoteFiles real(f.folder);
    LoadOptions options{false, ScreenWidth, ScreenHeight, &f.clock};
    LoadNotes(again, real, options, f.messages, f.tr, nullptr);
    return texts(again, list);
}

int addCreated(StoreFixture& f, const QString& text, int list) {
    TestNote n = makeNote(text, text, list);
    n.record.ChangeMark = mark::Created;
    f.store.DataChanged = true;
    return f.store.addNote(list, n.record, n.window);
}

int edit(StoreFixture& f, int pos, const QString& text) {
    const int slot = f.store.slotAt(0, pos);
    f.store.Windows[static_cast<size_t>(slot)].Text = text;
    f.store.MarkChanged(slot, true);
    return slot;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray recordAt(const QByteArray& file, int recordNumber) {
    return file.mid(static_cast<qsizetype>(recordNumber - 1) * layout::RecordSize,
                    layout::RecordSize);
}
