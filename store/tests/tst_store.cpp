#include "localisation/translator.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/testing/fakefilesystem.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/datafile.h"
#include "store/linkedfiles.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"
#include "store/saver.h"
#include "store/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Fault = FakeFileSystem::Fault;
Q_DECLARE_METATYPE(Fault)

namespace {

using Op = FakeFileSystem::Op;
constexpr int ScreenWidth = 1920 * 15;
constexpr int ScreenHeight = 1080 * 15;

// A program folder in a temporary directory with the note files and the fakes a load or a
// save needs; every file operation of the store goes through `fs`.
struct StoreFixture {
    QTemporaryDir dir;
    ProgramFolder folder{dir.path() + QLatin1Char('/')};
    NoteFiles files{folder};
    FakeFileSystem fs;
    FakeMessageSink messages;
    FakeClock clock;
    Translator tr;
    NoteStore store;
    QString version = u"3.2.0"_s;
    StoreFixture() { files.fs = &fs; }
    SaveContext context(LinkedFiles* linked = nullptr) {
        return SaveContext{files, messages, tr, clock, version, linked};
    }
    // Loads with a 1920x1080 pixel screen and no windows.
    LoadResult load(bool multiScreens = false) {
        return LoadNotes(store, files, {multiScreens, ScreenWidth, ScreenHeight, &clock}, messages,
                         tr, nullptr);
    }
    bool save() { return SaveNotes(store, context()); }
    bool quickSave() { return QuickSaveNotes(store, context()); }
};

struct TestNote {
    NoteRecord record;
    NoteWindowState window;
};

// A valid note of list `list`, 200x150 pixels at (100, 100).
TestNote makeNote(const QString& title, const QString& text, int list = 0) {
    TestNote n;
    n.record.Title = title;
    n.record.List = static_cast<std::int16_t>(list);
    n.window.Left = n.window.Top = 1500;
    n.window.Width = 3000;
    n.window.Height = 2250;
    n.window.Text = text;
    return n;
}

TestNote note(const QString& text, int list = 0) {
    return makeNote(text, text, list);
}

QByteArray encodeNote(const TestNote& n, int recordNumber = 1) {
    return recordcodec::encode(n.record, n.window, static_cast<std::int16_t>(recordNumber));
}

// Writes a data file of these notes, records numbered from 1.
void writeDataFile(const QString& path, const std::vector<TestNote>& notes) {
    QByteArray bytes;
    for (const TestNote& n : notes)
        bytes += encodeNote(n, int(bytes.size() / layout::RecordSize) + 1);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
}

QStringList names(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* item : items)
        out << QString::fromUtf8(item);
    return out;
}

// The texts of a list's lines, in order.
QStringList texts(const NoteStore& store, int list) {
    QStringList out;
    for (int pos = 0; pos < store.lineCount(list); ++pos)
        out << store.Windows[static_cast<size_t>(store.slotAt(list, pos))].Text;
    return out;
}

// Loads the program folder again through the real file system; the texts of one list.
QStringList reload(StoreFixture& f, int list = 0) {
    NoteStore again;
    const NoteFiles real(f.folder);
    LoadNotes(again, real, {false, ScreenWidth, ScreenHeight, &f.clock}, f.messages, f.tr, nullptr);
    return texts(again, list);
}

// Adds a new note, marked created, to `list`; returns its slot.
int addCreated(StoreFixture& f, const QString& text, int list = 0) {
    TestNote n = note(text, list);
    n.record.ChangeMark = mark::Created;
    f.store.DataChanged = true;
    return f.store.addNote(list, n.record, n.window);
}

// Gives line `pos` of the notes list a new text and marks it; returns its slot.
int edit(StoreFixture& f, int pos, const QString& text) {
    const int slot = f.store.slotAt(0, pos);
    f.store.Windows[static_cast<size_t>(slot)].Text = text;
    f.store.MarkChanged(slot, true);
    return slot;
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray recordAt(const QByteArray& file, int recordNumber) {
    return file.mid(qsizetype(recordNumber - 1) * layout::RecordSize, layout::RecordSize);
}

template <typename T>
T at(const QByteArray& rec, int offset) {
    return qFromLittleEndian<T>(rec.constData() + offset);
}

const QStringList GenerationA = names({"a0", "a1", "a2"});

// Saved notes a0.. in the notes list and an event, an older backup beside them; loaded.
void prepare(StoreFixture& f, int count = 3) {
    std::vector<TestNote> notes;
    for (int i = 0; i < count; ++i)
        notes.push_back(note(u"a%1"_s.arg(i)));
    writeDataFile(f.files.bak[0], {note(u"old"_s)});
    writeDataFile(f.files.dat[0], notes);
    writeDataFile(f.files.dat[1], {note(u"e"_s, 1)});
    f.load();
}

// Generation B of a whole rewrite: a0 deleted, a1 edited.
void deleteAndEdit(StoreFixture& f) {
    f.store.markDeleted(f.store.slotAt(0, 0));
    edit(f, 1, u"b1"_s);
}

template <typename S, typename T>
using Field = std::pair<T S::*, int>;

struct RecordingLinkedFiles final : LinkedFiles {
    QList<int> written;
    void ReadLinkedFile(int) override {}
    void WriteLinkedFile(int slot) override { written.append(slot); }
};

} // namespace

// The note store: the record codec, loading and saving, and failing file operations.
class TestStore : public QObject {
    Q_OBJECT
private slots:
    void recordLayout() {
        // Byte positions as the file format fixes them, not the code's own constants. Every
        // field gets a value of its own, so two fields swapped would show.
        TestNote n = makeNote(QString(), u"milk\neggs"_s, 1);
        QByteArray rec = encodeNote(n, 7);
        QCOMPARE(rec.size(), 32530);
        QCOMPARE(at<std::int16_t>(rec, 0), 7);
        QCOMPARE(at<std::int16_t>(rec, 284), 1);
        QCOMPARE(rec.mid(530, 32000), QByteArray("milk\r\neggs").leftJustified(32000));
        QCOMPARE(rec.mid(505, 25), QByteArray(25, ' '));

        // Flags are int16, -1 for true; each one flipped in turn shows at its own offset only.
        const Field<NoteRecord, bool> recordFlags[] = {
            {&NoteRecord::ShowTitle, 138},   {&NoteRecord::ShowScrollBar, 140},
            {&NoteRecord::OpenFile, 142},    {&NoteRecord::UpdateFile, 144},
            {&NoteRecord::Locked, 274},      {&NoteRecord::Rollup, 276},
            {&NoteRecord::AutoRoll, 282},    {&NoteRecord::AlarmPlaySd, 299},
            {&NoteRecord::AlarmExecut, 365}, {&NoteRecord::AlarmShow, 499},
            {&NoteRecord::AutoDim, 502}};
        const Field<NoteWindowState, bool> windowFlags[] = {
            {&NoteWindowState::FontBold, 128},      {&NoteWindowState::FontItalic, 130},
            {&NoteWindowState::FontUnderline, 132}, {&NoteWindowState::Visible, 134},
            {&NoteWindowState::AlwaysOnTop, 136},   {&NoteWindowState::PictureShown, 497}};
        const auto flip = [&](bool& flag, int offset) {
            flag = !flag;
            rec = encodeNote(n);
            QCOMPARE(at<std::int16_t>(rec, offset), std::int16_t(flag ? -1 : 0));
        };
        for (const auto& [member, offset] : recordFlags)
            flip(n.record.*member, offset);
        for (const auto& [member, offset] : windowFlags)
            flip(n.window.*member, offset);
        // Numbers and texts, each set to a value made of its offset.
        const Field<NoteWindowState, float> floats[] = {{&NoteWindowState::Left, 68},
                                                        {&NoteWindowState::Top, 72},
                                                        {&NoteWindowState::Height, 76},
                                                        {&NoteWindowState::Width, 80},
                                                        {&NoteWindowState::FontSize, 124}};
        const Field<NoteRecord, double> doubles[] = {
            {&NoteRecord::Created, 2}, {&NoteRecord::Modified, 10}, {&NoteRecord::AlarmDate, 287}};
        const std::tuple<QString NoteRecord::*, int, int> recordTexts[] = {
            {&NoteRecord::Title, 18, 50},        {&NoteRecord::FiletoOpen, 146, 128},
            {&NoteRecord::AlarmState, 286, 1},   {&NoteRecord::AlarmFreq, 295, 1},
            {&NoteRecord::AlarmPrevTp, 298, 1},  {&NoteRecord::AlarmSndFil, 301, 64},
            {&NoteRecord::AlarmExeFil, 367, 64}, {&NoteRecord::ImagePath, 431, 64},
            {&NoteRecord::AlarmSpecial, 501, 1}, {&NoteRecord::AlarmRemind, 504, 1}};
        const auto textOf = [](int offset, int width) {
            return width == 1 ? QByteArray(1, char('A' + offset % 26))
                              : QByteArray::number(offset).rightJustified(width - 1, '.');
        };
        for (const auto& [member, offset] : floats)
            n.window.*member = float(offset) + 0.5F;
        for (const auto& [member, offset] : doubles)
            n.record.*member = offset + 0.25;
        for (const auto& [member, offset, width] : recordTexts)
            n.record.*member = QString::fromLatin1(textOf(offset, width));
        n.window.FontName = QString::fromLatin1(textOf(92, 32));
        n.record.RollHeight = 278.5F;
        n.record.AlarmPrev = -296;
        n.window.BackColor = 0x00C0FFEE;
        n.window.ForeColor = 0x00123456;
        rec = encodeNote(n, 3);
        for (const auto& [member, offset] : floats)
            QCOMPARE(at<float>(rec, offset), float(offset) + 0.5F);
        for (const auto& [member, offset] : doubles)
            QCOMPARE(at<double>(rec, offset), offset + 0.25);
        for (const auto& [member, offset, width] : recordTexts)
            QCOMPARE(rec.mid(offset, width), textOf(offset, width).leftJustified(width));
        QCOMPARE(rec.mid(92, 32), textOf(92, 32) + ' ');
        QCOMPARE(at<float>(rec, 278), 278.5F);
        QCOMPARE(at<std::int16_t>(rec, 296), -296);
        QCOMPARE(at<std::int32_t>(rec, 84), 0x00C0FFEE);
        QCOMPARE(at<std::int32_t>(rec, 88), 0x00123456);

        // Decoding and encoding again gives the same bytes: each field reads back as written.
        std::optional<DecodedRecord> d = recordcodec::decode(rec);
        QVERIFY(d.has_value());
        QCOMPARE(d->recordNumber, 3);
        QCOMPARE(recordcodec::encode(d->record, d->window, 3), rec);
        // A blank one-character code is a value of its own, not an empty text.
        n.record.AlarmState = u" "_s;
        d = recordcodec::decode(encodeNote(n));
        QVERIFY(d.has_value());
        QCOMPARE(d->record.AlarmState, u" "_s);
        // The mark takes 3 of the 50 bytes; 15 three-byte characters fill 45 more and the
        // 16th is not split.
        const QString kanji(17, QChar(0x65E5));
        d = recordcodec::decode(encodeNote(makeNote(kanji, {})));
        QVERIFY(d.has_value());
        QCOMPARE(d->record.Title, kanji.left(15));
        // A line break across the cut is dropped whole rather than leaving its CR.
        const QString y(31999, u'y');
        d = recordcodec::decode(encodeNote(makeNote({}, y + u"\nz"_s)));
        QVERIFY(d.has_value());
        QCOMPARE(d->window.Text, y);
        // Text that fits only with bare LF line breaks keeps them and its end.
        const QString lines = u"a\n"_s.repeated(layout::TextSize / 2);
        d = recordcodec::decode(encodeNote(makeNote({}, lines)));
        QVERIFY(d.has_value());
        QCOMPARE(d->window.Text, lines);
        // Keeping the ratio alone is the sum -1, read back as plain stretched.
        for (const auto& [stretched, keepRatio, stored] :
             {std::tuple{true, false, -1}, {true, true, -2}, {false, true, -1}}) {
            n.window.PictureStretched = stretched;
            n.record.ImageKeepRatio = keepRatio;
            rec = encodeNote(n);
            QCOMPARE(int(at<std::int16_t>(rec, layout::ImageMode)), stored);
            d = recordcodec::decode(rec);
            QVERIFY(d.has_value() && d->window.PictureStretched);
            QCOMPARE(d->record.ImageKeepRatio, stored == -2);
        }
    }

    void invalidRecordsSkipped_data() {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<int>("list");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("cut"); // the record comes last, cut short
        QTest::newRow("width and height 0") << 0.0F << 0.0F << 0 << false << false;
        QTest::newRow("width 0 only") << 0.0F << 2000.0F << 0 << true << false;
        QTest::newRow("negative height") << 3000.0F << -1.0F << 0 << false << false;
        QTest::newRow("higher than the screen")
            << 3000.0F << float(ScreenHeight + 1) << 0 << true << false;
        QTest::newRow("events record in the notes file")
            << 3000.0F << 2000.0F << 1 << false << false;
        QTest::newRow("last record cut short") << 3000.0F << 2000.0F << 0 << false << true;
    }
    void invalidRecordsSkipped() {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(int, list);
        QFETCH(bool, kept);
        QFETCH(bool, cut);
        StoreFixture f;
        TestNote odd = note(u"odd"_s, list);
        odd.window.Width = width;
        odd.window.Height = height;
        const TestNote first = note(u"first"_s), end = note(u"last"_s);
        writeDataFile(f.files.dat[0],
                      cut ? std::vector{first, end, odd} : std::vector{first, odd, end});
        if (cut)
            QVERIFY(QFile::resize(f.files.dat[0], 2 * layout::RecordSize + 1000));
        const QByteArray original = readBytes(f.files.dat[0]);
        f.load();
        QStringList expected = names({"first", "odd", "last"});
        if (!kept)
            expected.removeAt(1);
        QCOMPARE(texts(f.store, 0), expected);
        QCOMPARE(f.store.lineCount(1), 0);
        // A note saved on a larger screen comes back fitted to this one, not lost.
        QVERIFY(f.store.Windows.at(1).Height <= float(ScreenHeight));
        // A file that did not read cleanly is kept as it was, and the user is told once.
        const QString damaged = f.files.dat[0] + u".damaged-2024-03-15"_s;
        QCOMPARE(f.messages.count(), kept ? 0 : 1);
        if (!kept) {
            QVERIFY(f.messages.shown[0].text.contains(u"1 records were skipped"_s));
            QVERIFY(f.messages.shown[0].text.contains(f.files.dat[0]));
        }
        // Records no longer match lines: in place, the last note's record would be the wrong one.
        expected.last() = u"last edited"_s;
        edit(f, int(expected.size()) - 1, expected.last());
        QVERIFY(f.quickSave());
        QCOMPARE(reload(f), expected);
        // Later saves rotate the backup; the kept copy stays.
        f.store.MarkChanged(0, true);
        QVERIFY(f.save());
        QCOMPARE(readBytes(damaged), kept ? QByteArray() : original);
    }

    void dimmingLevelOutOfRangeChangesNothing() {
        // A negative level would make every inactive auto-dim note invisible.
        Settings s;
        QVERIFY(s.setAutoDimText(u"120"_s));
        for (const QString& bad : {u"-5"_s, u"256"_s, u"abc"_s}) {
            QVERIFY(!s.setAutoDimText(bad));
            s.txtAutoDimValue = bad;
            QCOMPARE(s.autoDimValue(), 120);
        }
        QVERIFY(s.setAutoDimText(u"000"_s));
        QCOMPARE(s.autoDimValue(), 0);
    }

    void positionCorrection() {
        // Only beyond the screen is out: at its very edge a note stays where it is.
        const float w = ScreenWidth, h = ScreenHeight;
        for (const auto& [several, left, top, leftBack, topBack] :
             {std::tuple{true, -500.0F, 300.0F, -500.0F, 300.0F},
              {false, -500.0F, h + 200.4F, 500.0F, 200.0F},
              {false, w, h, w, h}}) {
            StoreFixture f;
            TestNote n = note(u"n"_s);
            n.window.Left = left;
            n.window.Top = top;
            writeDataFile(f.files.dat[0], {n});
            f.load(several);
            QCOMPARE(f.store.Windows.at(0).Left, leftBack);
            QCOMPARE(f.store.Windows.at(0).Top, topBack);
        }
    }

    void importMerge() {
        StoreFixture f;
        const auto titled = [](const char* title, const char* text, int list = 0) {
            return makeNote(QString::fromLatin1(title), QString::fromLatin1(text), list);
        };
        writeDataFile(f.files.dat[0],
                      {titled("Quick help: keys", "old"), titled("Groceries", "mine"),
                       titled("Quick help: list", "old")});
        writeDataFile(f.files.imp[0],
                      {titled("  Quick help: keys  ", "new"), titled("Groceries", "theirs"),
                       titled("Quick help: mouse", "added")});
        // Shown in the notes list, so stored there: a list number of 1 would be skipped later.
        writeDataFile(f.files.imp[1], {titled("Quick help: list", "new too", 1)});
        const QByteArray userFile = readBytes(f.files.dat[0]);
        const LoadResult loaded = f.load();
        const QStringList merged = names({"new", "mine", "new too", "theirs", "added"});
        QCOMPARE(texts(f.store, 0), merged);
        QCOMPARE(f.store.lineCount(1), 0);
        QVERIFY(!QFile::exists(f.files.imp[0]) && !QFile::exists(f.files.imp[1]));
        // The merged notes are on file before the import file is gone.
        QCOMPARE(reload(f), merged);
        QCOMPARE(f.messages.count(), 0);
        QCOMPARE(loaded.rewrittenWhole, (std::array<bool, 2>{true, false}));
        QCOMPARE(readBytes(f.files.bak[0]), userFile);
        // The rewrite for a new version keeps the backup the import already made.
        SaveScope scope;
        scope.keepBackup = loaded.rewrittenWhole;
        scope.rewriteUnchanged = true;
        f.store.FullSaveNeeded = true;
        QVERIFY(SaveNotes(f.store, f.context(), scope));
        QCOMPARE(readBytes(f.files.bak[0]), userFile);
        QCOMPARE(QFileInfo(f.files.bak[1]).size(), 0);
    }

    void inPlaceWritesOnlyTheChangedRecord() {
        // A full cycle renews the changed list's backup; a periodic save leaves backups alone.
        for (const bool periodic : {false, true}) {
            StoreFixture f;
            prepare(f, 7);
            const QByteArray before = readBytes(f.files.dat[0]);
            const QByteArray oldBackup = readBytes(f.files.bak[0]);
            const QDateTime eventsTime = QFileInfo(f.files.dat[1]).lastModified();
            // A text change then a move: the later layout change does not hide the first.
            f.store.MarkChanged(edit(f, 4, u"changed"_s), false);
            f.clock.current = QDateTime(QDate(2023, 7, 1), QTime(18, 0, 0));

            QVERIFY(periodic ? f.quickSave() : f.save());

            const QByteArray after = readBytes(f.files.dat[0]);
            QCOMPARE(after.size(), before.size());
            for (int r = 1; r <= 7; ++r) {
                if (r != 5)
                    QVERIFY2(recordAt(after, r) == recordAt(before, r),
                             qPrintable(QString::number(r)));
            }
            const QByteArray changed = recordAt(after, 5);
            QCOMPARE(at<std::int16_t>(changed, layout::RecordNumber), 5);
            // A changed text stamps the modification date, not the creation date.
            QCOMPARE(at<double>(changed, layout::Modified), oledate::fromDateTime(f.clock.current));
            QCOMPARE(at<double>(changed, layout::Created), 0.0);
            QCOMPARE(readBytes(f.files.bak[0]), periodic ? oldBackup : before);
            // The events list did not change: neither it nor its backup is touched.
            QVERIFY(!QFile::exists(f.files.bak[1]));
            QCOMPARE(QFileInfo(f.files.dat[1]).lastModified(), eventsTime);
            QCOMPARE(reload(f).at(4), u"changed"_s);
            QVERIFY(!f.store.DataChanged);
        }
    }

    void lineChangesRewriteWhole() {
        StoreFixture f;
        prepare(f);
        f.store.MarkChanged(4, true); // no such note
        f.store.MarkChanged(-1, true);
        QVERIFY(!f.store.DataChanged);
        // Swapped lines: an in-place write at the new position would land on the other note.
        f.store.swapLines(0, 0, 2);
        const int deleted = f.store.slotAt(0, 1);
        f.store.markDeleted(deleted);
        f.store.MarkChanged(deleted, true); // stays deleted
        edit(f, 0, u"a2 edited"_s);
        QVERIFY(f.quickSave());
        QCOMPARE(reload(f), names({"a2 edited", "a0"}));
        QVERIFY(!f.store.FullSaveNeeded && !f.store.DataChanged);
        // The deleted line is still shown; the last note is record 2 now, not 3.
        const int last = edit(f, 2, u"last edited"_s);
        QVERIFY(f.quickSave());
        QCOMPARE(QFileInfo(f.files.dat[0]).size(), 2 * layout::RecordSize);
        QCOMPARE(reload(f), names({"a2 edited", "last edited"}));
        // A later whole rewrite does not bring it back.
        f.store.swapLines(0, 0, 2);
        f.store.MarkChanged(last, false);
        QVERIFY(f.save());
        QCOMPARE(reload(f), names({"last edited", "a2 edited"}));
    }

    void unicodeRoundTrip() {
        StoreFixture f;
        f.load(); // a first start: empty files, nothing to restore, no box
        f.store.Notes[size_t(addCreated(f, u"Noël à 5 €"_s))].Title = u"Café"_s;
        QVERIFY(f.save());
        QCOMPARE(f.messages.count(), 0);
        QCOMPARE(QFileInfo(f.files.bak[0]).size(), 0);
        QCOMPARE(f.store.Notes[0].Created, oledate::fromDateTime(f.clock.current));
        const QByteArray rec = readBytes(f.files.dat[0]);
        QCOMPARE(rec.mid(layout::Title, 5), QByteArray("Caf\xE9 "));
        QCOMPARE(rec.mid(layout::Text, 11), QByteArray("No\xEBl \xE0 5 \x80 "));
        QCOMPARE(reload(f), names({"Noël à 5 €"}));
    }

    void recordPreparedForSaving_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("old");
        QTest::newRow("3.0.9") << u"3.0.9"_s << true;
        // No version read (a first start) is no old version.
        QTest::newRow("none read") << QString() << false;
        QTest::newRow("3.1.0") << u"3.1.0"_s << false;
    }
    void recordPreparedForSaving() {
        QFETCH(QString, version);
        QFETCH(bool, old);
        StoreFixture f;
        prepare(f);
        f.version = version;
        NoteRecord& n = f.store.Notes[0];
        n.AlarmShow = false;
        n.AlarmSpecial = u"1"_s;
        // The linked file is written only for a note that asks for it and names one.
        const std::pair<bool, QString> asked[] = {
            {true, u"  notes.txt "_s}, {true, u"   "_s}, {false, u"other.txt"_s}};
        for (int slot = 0; slot < 3; ++slot) {
            std::tie(f.store.Notes[size_t(slot)].UpdateFile,
                     f.store.Notes[size_t(slot)].FiletoOpen) = asked[slot];
            f.store.MarkChanged(slot, true);
        }
        RecordingLinkedFiles linked;
        QVERIFY(QuickSaveNotes(f.store, f.context(&linked)));
        QCOMPARE(linked.written, QList<int>{0});
        QCOMPARE(n.FiletoOpen, u"notes.txt"_s);
        const std::optional<DecodedRecord> d =
            recordcodec::decode(recordAt(readBytes(f.files.dat[0]), 1));
        QVERIFY(d.has_value());
        QCOMPARE(d->record.AlarmShow, old);
        QCOMPARE(d->record.AlarmSpecial, old ? u" "_s : u"1"_s);
        QCOMPARE(n.AlarmSpecial, d->record.AlarmSpecial);
        QVERIFY(!n.AlarmShow); // only the stored flag
    }

    void crashPoints_data() {
        QTest::addColumn<QString>("form");
        for (const char* form : {"whole", "full", "periodic"})
            QTest::newRow(form) << QString::fromLatin1(form);
    }

    void crashPoints() {
        QFETCH(QString, form);
        const bool whole = form == QLatin1String("whole");
        // In place, generation B is a0 and a2 edited.
        const auto change = [&](StoreFixture& f) {
            if (whole) {
                deleteAndEdit(f);
            } else {
                edit(f, 0, u"b0"_s);
                edit(f, 2, u"b2"_s);
            }
            return form == QLatin1String("periodic") ? f.quickSave() : f.save();
        };
        int total = 0;
        {
            StoreFixture f;
            prepare(f);
            const int before = f.fs.operations();
            QVERIFY(change(f));
            total = f.fs.operations() - before;
            // The new file is on disk before it takes the data file's name.
            const QString tmp = f.files.dat[0] + u".tmp"_s;
            const qsizetype synced = f.fs.log.indexOf(u"sync "_s + tmp);
            const qsizetype renamed =
                f.fs.log.indexOf(u"rename "_s + tmp + u" > "_s + f.files.dat[0]);
            QVERIFY(!whole || (synced >= 0 && synced < renamed));
        }
        for (int n = 0; n <= total; ++n) {
            StoreFixture f;
            prepare(f);
            f.fs.crashAfter = f.fs.operations() + n;
            (void)change(f);
            const int boxes = f.messages.count();
            const QStringList back = reload(f);
            const QString at = u"stopped after operation %1: "_s.arg(n) + back.join(u',');
            if (whole) {
                QVERIFY2(back == GenerationA || back == names({"b1", "a2"}), qPrintable(at));
            } else {
                QVERIFY2(back.size() == 3 && (back[0] == u"a0" || back[0] == u"b0") &&
                             back[1] == u"a1" && (back[2] == u"a2" || back[2] == u"b2"),
                         qPrintable(at));
            }
            // Nothing needed restoring: the data file was whole at every instant.
            QCOMPARE(f.messages.count(), boxes);
        }
    }

    void restoredAtLoad_data() {
        QTest::addColumn<bool>("datMissing");
        QTest::addColumn<bool>("completeTmp");
        QTest::addColumn<int>("answer"); // to the question asked for an empty file
        QTest::newRow("missing, backup") << true << false << 0;
        QTest::newRow("empty, backup") << false << false << 0;
        QTest::newRow("missing, complete temporary file") << true << true << 0;
        // Every note removed: a declined backup is kept aside, not offered at every start.
        QTest::newRow("empty, declined") << false << false << 1;
    }

    void restoredAtLoad() {
        QFETCH(bool, datMissing);
        QFETCH(bool, completeTmp);
        QFETCH(int, answer);
        StoreFixture f;
        // What an interrupted rewrite of an earlier version left behind.
        writeDataFile(f.files.bak[0], {makeNote(u"old"_s, u"old"_s)});
        const QString tmp = f.files.dat[0] + u".tmp"_s;
        if (completeTmp)
            writeDataFile(tmp, {makeNote(u"new"_s, u"new"_s)});
        if (!datMissing)
            writeDataFile(f.files.dat[0], {});
        if (answer != 0)
            f.messages.answers.enqueue(answer);
        f.load();
        QCOMPARE(reload(f), texts(f.store, 0));
        QCOMPARE(f.messages.count(), 1);
        if (!datMissing)
            QCOMPARE(f.messages.shown[0].options.buttons, msgbox::Question.buttons);
        if (answer != 0) {
            QVERIFY(texts(f.store, 0).isEmpty());
            QVERIFY(!QFile::exists(f.files.bak[0]));
            QCOMPARE(QDir(f.dir.path()).entryList({u"Quillaboard.bak.kept-*"_s}).size(), 1);
            return;
        }
        QCOMPARE(texts(f.store, 0), QStringList{completeTmp ? u"new"_s : u"old"_s});
        QVERIFY(f.messages.shown[0].text.contains(f.files.dat[0]));
        QVERIFY(f.messages.shown[0].text.contains(completeTmp ? tmp : f.files.bak[0]));
        // The backup is not turned into a copy of an empty file by the next save.
        f.store.MarkChanged(0, true);
        QVERIFY(f.save());
        QCOMPARE(QFileInfo(f.files.bak[0]).size(), layout::RecordSize);
    }

    void failingOperation_data() {
        QTest::addColumn<Fault>("fault"); // error 0: the data file is read-only instead
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("boxStart"); // empty: no box
        QTest::addColumn<QString>("boxFile");  // the file the box title names
        QTest::addColumn<QStringList>("onFile");
        const QString dat = u"Quillaboard.dat"_s;
        const QStringList b = names({"b1", "a2"});
        QTest::newRow("record write, disk full") << Fault{Op::Write, 1, 61, u".tmp"_s} << false
                                                 << u"Save Error #  61"_s << dat << GenerationA;
        QTest::newRow("sync of the new file") << Fault{Op::Sync, 1, 57, u"dat.tmp"_s} << false
                                              << u"Save Error #  57"_s << dat << GenerationA;
        QTest::newRow("rename over the data file")
            << Fault{Op::Rename, 1, 70, u"dat.tmp >"_s} << false << u"Rename Error #  70"_s << dat
            << GenerationA;
        // A folder where no new file can be made: the edit is saved in place, the removal waits.
        QTest::newRow("no new file")
            << Fault{Op::Open, 1, 70, u"dat.tmp"_s} << false << u"Open Error #  70"_s
            << u"Quillaboard.dat.tmp"_s << names({"a0", "b1", "a2"});
        // Renaming over a read-only file would succeed: the whole rewrite must refuse it too.
        QTest::newRow("read-only data file")
            << Fault{Op::Open, 0, 0, {}} << false << u"Open Error #  70"_s << dat << GenerationA;
        QTest::newRow("no hard links: copied")
            << Fault{Op::Link, 1, 75, {}} << true << QString() << QString() << b;
        QTest::newRow("backup copy, disk full") << Fault{Op::Write, 0, 61, u"bak.tmp"_s} << true
                                                << u"Filecopy Error #  61"_s << dat << b;
        QTest::newRow("backup rename") << Fault{Op::Rename, 1, 57, u"bak.tmp >"_s} << true
                                       << u"Rename Error #  57"_s << u"Quillaboard.bak"_s << b;
    }

    void failingOperation() {
        QFETCH(Fault, fault);
        QFETCH(bool, saved);
        QFETCH(QString, boxStart);
        QFETCH(QString, boxFile);
        QFETCH(QStringList, onFile);
        StoreFixture f;
        prepare(f);
        const QByteArray datBefore = readBytes(f.files.dat[0]);
        const QByteArray bakBefore = readBytes(f.files.bak[0]);
        deleteAndEdit(f);
        if (fault.error == 0)
            QVERIFY(QFile::setPermissions(f.files.dat[0], QFile::ReadOwner));
        else
            f.fs.faults.append(fault);
        // Links fail for every later copy too, as on a file system without them.
        if (fault.op == Op::Write)
            f.fs.faults.append({Op::Link, 0, 75, {}});

        QCOMPARE(f.save(), saved);

        QCOMPARE(f.messages.count(), boxStart.isEmpty() ? 0 : 1);
        if (!boxStart.isEmpty()) {
            QVERIFY(f.messages.shown[0].text.startsWith(boxStart));
            QCOMPARE(f.messages.shown[0].title,
                     datafile::fileTitle(f.tr.Translation(49), f.folder.file(boxFile)));
        }
        QCOMPARE(QDir(f.dir.path()).entryList({u"*.tmp"_s}, QDir::Files), QStringList());
        QCOMPARE(reload(f), onFile);
        // The new content got in: the backup holds the old file, or the old one when the new
        // backup could not be made complete. Otherwise nothing was forgotten.
        if (saved) {
            QCOMPARE(readBytes(f.files.bak[0]), boxStart.isEmpty() ? datBefore : bakBefore);
        } else {
            QVERIFY(readBytes(f.files.bak[0]) == bakBefore ||
                    readBytes(f.files.bak[0]) == datBefore);
            QVERIFY(f.store.FullSaveNeeded && f.store.DataChanged);
            QVERIFY(QFile::setPermissions(f.files.dat[0], QFile::ReadOwner | QFile::WriteOwner));
            QVERIFY(f.save());
            QCOMPARE(reload(f), names({"b1", "a2"}));
        }
    }

    void inPlaceFailures() {
        StoreFixture f;
        prepare(f);
        // A file short of records: no note is lost and none lands on another's record.
        QVERIFY(QFile::resize(f.files.dat[0], layout::RecordSize));
        edit(f, 2, u"b2"_s);
        QVERIFY(f.quickSave());
        QCOMPARE(reload(f), names({"a0", "a1", "b2"}));
        // A failed append leaves whole records only; the note stays marked.
        const int slot = addCreated(f, u"added"_s);
        f.fs.faults.append({Op::Write, 1, 61, u"Quillaboard.dat"_s});
        QVERIFY(!f.quickSave());
        QCOMPARE(QFileInfo(f.files.dat[0]).size() % layout::RecordSize, 0);
        QCOMPARE(f.store.Notes[static_cast<size_t>(slot)].ChangeMark, mark::Created);
        QCOMPARE(f.messages.shown.at(0).title, f.tr.Translation(48) + u"added'"_s);
        f.fs.faults.clear();
        QVERIFY(f.quickSave());
        QCOMPARE(reload(f), names({"a0", "a1", "b2", "added"}));
    }

    void unreadableListLeftAlone_data() {
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("op");
        QTest::newRow("notes file, read error") << 0 << int(Op::Read);
        QTest::newRow("events file, open error") << 1 << int(Op::Open);
    }

    void unreadableListLeftAlone() {
        QFETCH(int, list);
        QFETCH(int, op);
        StoreFixture f;
        prepare(f);
        const auto l = static_cast<size_t>(list);
        const QByteArray before = readBytes(f.files.dat[l]);
        f.store.clear();
        f.fs.faults.append({Op(op), 1, 57, QFileInfo(f.files.dat[l]).fileName()});
        f.load();
        QCOMPARE(f.messages.count(), 1);
        // The box names the file that failed, in its title's first line too.
        const QString name = QFileInfo(f.files.dat[l]).completeBaseName();
        QCOMPARE(f.messages.shown[0].title,
                 f.tr.Translation(64).replace(u"Quillaboard"_s, name) + u"\r\n"_s + f.files.dat[l]);
        QVERIFY(f.store.Unreadable[l]);
        addCreated(f, u"new"_s, list);
        f.store.FullSaveNeeded = true;
        QVERIFY(!f.save());
        QVERIFY(!f.quickSave());
        QCOMPARE(readBytes(f.files.dat[l]), before);
        QCOMPARE(f.messages.count(), 1);
    }

    void failingListLeavesOtherBackup() {
        StoreFixture f;
        prepare(f);
        f.store.swapLines(0, 0, 1);
        // An emptied list whose new file cannot be synced: a box naming the file, no crash.
        f.store.markDeleted(f.store.slotAt(1, 0));
        f.fs.faults.append({Op::Sync, 0, 57, u"QuillaEvents.dat.tmp"_s});
        QVERIFY(!f.quickSave());
        QCOMPARE(f.messages.shown.last().title,
                 datafile::fileTitle(f.tr.Translation(49), f.files.dat[1]));
        // Only the list that was written has its backup renewed, once.
        const QByteArray bak = readBytes(f.files.bak[0]);
        QVERIFY(!f.quickSave());
        QVERIFY(!f.quickSave());
        QCOMPARE(readBytes(f.files.bak[0]), bak);
    }

    void importKeptUntilWritten() {
        StoreFixture f;
        writeDataFile(f.files.dat[0], {makeNote(u"mine"_s, u"mine"_s)});
        writeDataFile(f.files.imp[0], {makeNote(u"in"_s, u"in"_s)});
        f.fs.faults.append({Op::Rename, 0, 70, u"dat.tmp >"_s});
        f.load();
        QVERIFY(QFile::exists(f.files.imp[0]));
        QVERIFY(f.store.DataChanged);
        f.fs.faults.clear();
        QVERIFY(f.quickSave());
        QVERIFY(!QFile::exists(f.files.imp[0]));
        QCOMPARE(reload(f), names({"mine", "in"}));
    }

    void modeAndLinkKept() {
        StoreFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(u"synced"_s));
        const QString target = f.dir.filePath(u"synced/notes.dat"_s);
        writeDataFile(target, {makeNote(u"a"_s, u"a"_s)});
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0600) == 0);
        QVERIFY(QFile::link(target, f.files.dat[0]));
        f.load();
        f.store.markDeleted(0);
        QVERIFY(f.save());
        QVERIFY(QFileInfo(f.files.dat[0]).isSymLink());
        QCOMPARE(QFileInfo(target).size(), 0);
        QCOMPARE(fileio::realFileSystem().permissions(target), 0600);
        QCOMPARE(QFileInfo(f.files.bak[0]).size(), layout::RecordSize);
    }

    void rescueFile() {
        StoreFixture f;
        prepare(f);
        edit(f, 1, u"b1"_s);
        f.store.markDeleted(f.store.slotAt(0, 2));
        addCreated(f, u"ev"_s, 1);
        const QString path = f.dir.filePath(u"rescue/deep/notes.new"_s);
        QCOMPARE(WriteRescueFile(f.store, f.context(), path), 2);
        QCOMPARE(QFileInfo(path).size(), 2 * layout::RecordSize);
        QCOMPARE(f.store.Notes[1].ChangeMark, mark::ModifiedContent);
        // Imported as the notes list's import file, its note of that list comes back.
        QVERIFY(QFile::copy(path, f.files.imp[0]));
        QCOMPARE(reload(f), GenerationA + QStringList{u"b1"_s});
        f.fs.faults.append({Op::Open, 0, 70, {}});
        QCOMPARE(WriteRescueFile(f.store, f.context(), path), -1);
    }
};

QB_TEST_CLASS(TestStore)
QB_TEST_GUILESS_MAIN
#include "tst_store.moc"
