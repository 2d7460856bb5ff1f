#include "storetestutil.h"
#include "tst_store.h"

#include "store/linkedfiles.h"
#include "store/loader.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include "platform/oledate.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/resource.h>

namespace {

struct FileState {
    bool exists = false;
    QByteArray bytes;
    QDateTime modified;

    bool operator==(const FileState&) const = default;
};

FileState stateOf(const QString& path) {
    const QFileInfo info(path);
    return {info.exists(), readBytes(path), info.lastModified()};
}

// Notes n0..n(count-1) in the notes list, saved and loaded back, nothing marked.
void prepare(StoreFixture& f, int count) {
    std::vector<TestNote> notes;
    for (int i = 0; i < count; ++i)
        notes.push_back(makeNote(QStringLiteral("n%1").arg(i), QStringLiteral("text %1").arg(i)));
    writeDataFile(f.files.dat[0], notes);
    writeDataFile(f.files.dat[1], {makeNote(QStringLiteral("event"), QStringLiteral("e"), 1)});
    f.load();
}

std::int16_t recordNumberOf(const QByteArray& record) {
    return qFromLittleEndian<std::int16_t>(record.constData() + layout::RecordNumber);
}

// Files above this size cannot be written while it is in force.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

class RecordingLinkedFiles final : public LinkedFiles {
public:
    void WriteLinkedFile(int slot) override { written.append(slot); }
    QList<int> written;
};

} // namespace

void TestStore::cycleWithoutChangesTouchesNoFile() {
    StoreFixture f;
    prepare(f, 3);
    const QStringList paths{f.files.dat[0], f.files.dat[1], f.files.bak[0], f.files.bak[1]};
    QList<FileState> before;
    for (const QString& p : paths)
        before << stateOf(p);
    const QStringList entries = f.dir.isValid() ? QDir(f.dir.path()).entryList() : QStringList();

    f.save();
    f.quickSave();

    for (int i = 0; i < paths.size(); ++i)
        QVERIFY2(stateOf(paths[i]) == before[i], qPrintable(paths[i]));
    QVERIFY(!QFile::exists(f.files.bak[0]));
    QCOMPARE(QDir(f.dir.path()).entryList(), entries);
    QCOMPARE(f.messages.count(), 0);
}

void TestStore::fullRewriteDropsDeletedNote() {
    StoreFixture f;
    prepare(f, 3);
    const QByteArray before = readBytes(f.files.dat[0]);
    f.store.markDeleted(1);
    QVERIFY(f.store.FullSaveNeeded);

    f.save();

    const QByteArray after = readBytes(f.files.dat[0]);
    QCOMPARE(after.size(), 2 * layout::RecordSize);
    QCOMPARE(recordNumberOf(recordAt(after, 1)), 1);
    QCOMPARE(recordNumberOf(recordAt(after, 2)), 2);
    QCOMPARE(readBytes(f.files.bak[0]), before);
    QCOMPARE(reload(f, 0), (QStringList{QStringLiteral("text 0"), QStringLiteral("text 2")}));
    QVERIFY(!f.store.FullSaveNeeded && !f.store.DataChanged);
    QVERIFY(!QFile::exists(f.files.dat[0] + QStringLiteral(".tmp")));
    QCOMPARE(f.messages.count(), 0);
}

void TestStore::inPlaceWritesOnlyTheChangedRecord_data() {
    QTest::addColumn<bool>("periodic");
    QTest::newRow("full cycle") << false;
    QTest::newRow("periodic") << true;
}

void TestStore::inPlaceWritesOnlyTheChangedRecord() {
    QFETCH(bool, periodic);
    StoreFixture f;
    prepare(f, 7);
    const QByteArray before = readBytes(f.files.dat[0]);
    const FileState events = stateOf(f.files.dat[1]);
    edit(f, 4, QStringLiteral("changed"));

    QVERIFY(periodic ? f.quickSave() : f.save());

    const QByteArray after = readBytes(f.files.dat[0]);
    QCOMPARE(after.size(), before.size());
    for (int r = 1; r <= 7; ++r) {
        if (r != 5)
            QVERIFY2(recordAt(after, r) == recordAt(before, r), qPrintable(QString::number(r)));
    }
    QCOMPARE(recordNumberOf(recordAt(after, 5)), 5);
    // A full cycle renews the changed list's backup; a periodic save leaves backups alone.
    if (periodic)
        QVERIFY(!QFile::exists(f.files.bak[0]));
    else
        QCOMPARE(readBytes(f.files.bak[0]), before);
    // The events list did not change: neither it nor its backup is touched.
    QVERIFY(!QFile::exists(f.files.bak[1]));
    QVERIFY(stateOf(f.files.dat[1]) == events);
    QCOMPARE(reload(f, 0).at(4), QStringLiteral("changed"));
    QVERIFY(!f.store.DataChanged);
}

void TestStore::readOnlyDataFile_data() {
    QTest::addColumn<bool>("full");
    QTest::addColumn<bool>("periodic");
    QTest::newRow("full cycle, whole rewrite") << true << false;
    QTest::newRow("full cycle, in place") << false << false;
    QTest::newRow("periodic, in place") << false << true;
    QTest::newRow("periodic, whole rewrite") << true << true;
}

void TestStore::readOnlyDataFile() {
    QFETCH(bool, full);
    QFETCH(bool, periodic);
    StoreFixture f;
    prepare(f, 3);
    QFile::copy(f.files.dat[0], f.files.bak[0]);
    const FileState dat = stateOf(f.files.dat[0]);
    const FileState bak = stateOf(f.files.bak[0]);
    QVERIFY(QFile::setPermissions(f.files.dat[0],
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    f.store.MarkChanged(0, true);
    f.store.FullSaveNeeded = full;

    if (periodic)
        f.quickSave();
    else
        f.save();

    QCOMPARE(f.messages.count(), 1);
    QVERIFY(f.messages.shown[0].text.startsWith(QStringLiteral("Open Error #  70\r\n")));
    QCOMPARE(f.messages.shown[0].title,
             f.tr.Translation(49) + QStringLiteral("\r\n") + f.files.dat[0]);
    QVERIFY(f.store.DataChanged);
    QCOMPARE(f.store.FullSaveNeeded, full);
    QCOMPARE(f.store.Notes[0].ChangeMark, mark::ModifiedContent);
    QVERIFY(stateOf(f.files.dat[0]) == dat);
    QVERIFY(stateOf(f.files.bak[0]) == bak);
}

void TestStore::quickSaveWithFullSaveNeeded() {
    StoreFixture f;
    prepare(f, 3);
    // Swapped lines: an in-place write at the new position would land on the other note.
    f.store.swapLines(0, 0, 2);
    edit(f, 0, QStringLiteral("text 2 edited"));

    f.quickSave();

    QCOMPARE(reload(f, 0), (QStringList{QStringLiteral("text 2 edited"), QStringLiteral("text 1"),
                                        QStringLiteral("text 0")}));
    QVERIFY(!f.store.FullSaveNeeded && !f.store.DataChanged);
    QVERIFY(QFile::exists(f.files.bak[0]));
}

void TestStore::deletedNoteStaysDroppedAfterMidRunFullSave() {
    StoreFixture f;
    prepare(f, 3);
    f.store.markDeleted(f.store.slotAt(0, 0));
    f.quickSave(); // whole rewrite: two records
    QCOMPARE(f.store.Notes[0].ChangeMark, mark::Deleted);

    // The deleted line is still shown; the last note is record 2 now, not 3.
    const int last = edit(f, 2, QStringLiteral("last edited"));
    f.quickSave();
    QCOMPARE(QFileInfo(f.files.dat[0]).size(), 2 * layout::RecordSize);
    QCOMPARE(reload(f, 0), (QStringList{QStringLiteral("text 1"), QStringLiteral("last edited")}));

    // A later whole rewrite does not bring it back.
    f.store.swapLines(0, 1, 2);
    f.store.MarkChanged(last, false);
    f.save();
    QCOMPARE(reload(f, 0), (QStringList{QStringLiteral("last edited"), QStringLiteral("text 1")}));
}

void TestStore::skippedRecordsForceWholeRewrite() {
    StoreFixture f;
    TestNote empty = makeNote(QStringLiteral("empty"), QString());
    empty.window.Width = 0;
    empty.window.Height = 0;
    writeDataFile(f.files.dat[0], {makeNote(QStringLiteral("a"), QStringLiteral("a")), empty,
                                   makeNote(QStringLiteral("b"), QStringLiteral("b"))});
    f.load();
    QVERIFY(f.store.RecordsOutOfStep[0]);
    f.store.Windows[1].Text = QStringLiteral("b edited");
    f.store.MarkChanged(1, true);

    f.quickSave();

    // In place, record 2 would have been overwritten and the old "b" read again as a third note.
    QCOMPARE(reload(f, 0), (QStringList{QStringLiteral("a"), QStringLiteral("b edited")}));
    QVERIFY(!f.store.RecordsOutOfStep[0]);
}

void TestStore::failedTemporaryFileLeavesFilesAlone() {
    StoreFixture f;
    prepare(f, 5);
    QFile::copy(f.files.dat[0], f.files.bak[0]);
    const FileState dat = stateOf(f.files.dat[0]);
    const FileState bak = stateOf(f.files.bak[0]);
    f.store.markDeleted(f.store.slotAt(0, 0));
    {
        FileSizeLimit limit(3 * layout::RecordSize);
        f.save();
    }
    QCOMPARE(f.messages.count(), 1);
    QVERIFY(f.messages.shown[0].text.startsWith(QStringLiteral("Save Error # ")));
    // The file failed, not one note.
    QCOMPARE(f.messages.shown[0].title,
             f.tr.Translation(49) + QStringLiteral("\r\n") + f.files.dat[0]);
    QVERIFY(stateOf(f.files.dat[0]) == dat);
    QVERIFY(stateOf(f.files.bak[0]) == bak);
    QVERIFY(!QFile::exists(f.files.dat[0] + QStringLiteral(".tmp")));
    QVERIFY(f.store.FullSaveNeeded);
    QVERIFY(f.store.DataChanged);

    // The next cycle, with room again, completes the save.
    f.save();
    QCOMPARE(f.messages.count(), 1);
    QCOMPARE(reload(f, 0).size(), 4);
    QVERIFY(!f.store.FullSaveNeeded);
}

void TestStore::unicodeRoundTrip() {
    StoreFixture f;
    f.load();
    const QString typed = QStringLiteral("日本語 ✓ €");
    TestNote n = makeNote(typed, typed + QStringLiteral("\nzweite Zeile ß"));
    n.record.ChangeMark = mark::Created;
    f.store.addNote(0, n.record, n.window);
    TestNote western = makeNote(QStringLiteral("Café"), QStringLiteral("Noël à 5 €"));
    western.record.ChangeMark = mark::Created;
    f.store.addNote(0, western.record, western.window);
    f.store.DataChanged = true;
    f.save();
    // The first save after a first start: the backup is of the empty file, and no box.
    QCOMPARE(f.messages.count(), 0);
    QCOMPARE(QFileInfo(f.files.bak[0]).size(), 0);

    NoteStore again;
    LoadOptions options{false, ScreenWidth, ScreenHeight};
    LoadNotes(again, f.files, options, f.messages, f.tr, nullptr);
    QCOMPARE(again.Notes[0].Title, typed);
    QCOMPARE(again.Windows[0].Text, n.window.Text);
    QCOMPARE(again.Notes[1].Title, QStringLiteral("Café"));
    QCOMPARE(again.Windows[1].Text, western.window.Text);

    const QByteArray second = recordAt(readBytes(f.files.dat[0]), 2);
    QCOMPARE(second.mid(layout::Title, 5), QByteArray("Caf\xE9 "));
    QCOMPARE(second.mid(layout::Text, 11), QByteArray("No\xEBl \xE0 5 \x80 "));
}

void TestStore::datesStampedFromClock_data() {
    QTest::addColumn<QString>("changeMark");
    QTest::addColumn<bool>("createdStamped");
    QTest::addColumn<bool>("modifiedStamped");
    QTest::newRow("created") << mark::Created << true << true;
    QTest::newRow("MODIFIED") << mark::ModifiedContent << false << true;
    QTest::newRow("modified") << mark::Modified << false << false;
}

void TestStore::datesStampedFromClock() {
    QFETCH(QString, changeMark);
    QFETCH(bool, createdStamped);
    QFETCH(bool, modifiedStamped);
    StoreFixture f;
    prepare(f, 1);
    f.store.Notes[0].Created = 40000.5;
    f.store.Notes[0].Modified = 41000.5;
    f.store.Notes[0].ChangeMark = changeMark;
    f.store.DataChanged = true;
    f.clock.current = QDateTime(QDate(2023, 7, 1), QTime(18, 0, 0));
    const double now = oledate::fromDateTime(f.clock.current);

    f.quickSave();

    const double created = createdStamped ? now : 40000.5;
    const double modified = modifiedStamped ? now : 41000.5;
    QCOMPARE(f.store.Notes[0].Created, created);
    QCOMPARE(f.store.Notes[0].Modified, modified);
    const QByteArray rec = recordAt(readBytes(f.files.dat[0]), 1);
    QCOMPARE(qFromLittleEndian<double>(rec.constData() + layout::Created), created);
    QCOMPARE(qFromLittleEndian<double>(rec.constData() + layout::Modified), modified);
}

void TestStore::oldVersionRule_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("old");
    QTest::newRow("3.0.9") << QStringLiteral("3.0.9") << true;
    // No version read (a first start) is no old version.
    QTest::newRow("none read") << QString() << false;
    QTest::newRow("3.1.0") << QStringLiteral("3.1.0") << false;
    QTest::newRow("3.2.0") << QStringLiteral("3.2.0") << false;
}

void TestStore::oldVersionRule() {
    QFETCH(QString, version);
    QFETCH(bool, old);
    StoreFixture f;
    prepare(f, 1);
    f.version = version;
    NoteRecord& note = f.store.Notes[0];
    note.AlarmShow = false;
    note.AlarmSpecial = QStringLiteral("1");
    note.ImagePath = QStringLiteral("  cat.png  ");
    f.store.MarkChanged(0, false);

    f.quickSave();

    const std::optional<DecodedRecord> d =
        recordcodec::decode(recordAt(readBytes(f.files.dat[0]), 1));
    QVERIFY(d.has_value());
    QCOMPARE(d->record.AlarmShow, old);
    QCOMPARE(d->record.AlarmSpecial, old ? QStringLiteral(" ") : QStringLiteral("1"));
    QCOMPARE(note.AlarmSpecial, old ? QStringLiteral(" ") : QStringLiteral("1"));
    QVERIFY(!note.AlarmShow); // only the stored flag
    QCOMPARE(note.ImagePath, QStringLiteral("cat.png"));
    QCOMPARE(d->record.ImagePath, QStringLiteral("cat.png"));
}

void TestStore::linkedFileWrittenWhenAsked() {
    StoreFixture f;
    prepare(f, 3);
    f.store.Notes[0].UpdateFile = true;
    f.store.Notes[0].FiletoOpen = QStringLiteral("  notes.txt ");
    f.store.Notes[1].UpdateFile = true;
    f.store.Notes[1].FiletoOpen = QStringLiteral("   ");
    f.store.Notes[2].UpdateFile = false;
    f.store.Notes[2].FiletoOpen = QStringLiteral("other.txt");
    for (int slot = 0; slot < 3; ++slot)
        f.store.MarkChanged(slot, true);
    RecordingLinkedFiles linked;

    QuickSaveNotes(f.store, f.context(&linked));

    QCOMPARE(linked.written, QList<int>{0});
    QCOMPARE(f.store.Notes[0].FiletoOpen, QStringLiteral("notes.txt"));
}
