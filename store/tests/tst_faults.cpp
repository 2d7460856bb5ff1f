#include "storetestutil.h"
#include "tst_store.h"

#include "store/datafile.h"
#include "store/recordlayout.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace {

using Op = FakeFileSystem::Op;

const QStringList GenerationA{QStringLiteral("a0"), QStringLiteral("a1"), QStringLiteral("a2")};

// Three saved notes a0..a2 and an event; an older backup beside them.
void prepare(StoreFixture& f) {
    std::vector<TestNote> notes;
    for (const QString& text : GenerationA)
        notes.push_back(makeNote(text, text));
    writeDataFile(f.files.bak[0], {makeNote(QStringLiteral("old"), QStringLiteral("old"))});
    writeDataFile(f.files.dat[0], notes);
    writeDataFile(f.files.dat[1], {makeNote(QStringLiteral("e"), QStringLiteral("e"), 1)});
    f.load();
}

QStringList leftovers(const StoreFixture& f) {
    return QDir(f.dir.path()).entryList({QStringLiteral("*.tmp")}, QDir::Files);
}

} // namespace

void TestStore::crashPoints_data() {
    QTest::addColumn<QString>("form");
    for (const char* form : {"whole", "full", "periodic"})
        QTest::newRow(form) << QString::fromLatin1(form);
}

void TestStore::crashPoints() {
    QFETCH(QString, form);
    const bool whole = form == QLatin1String("whole");
    // Generation B: a0 deleted and a1 edited (whole), or a0 and a2 edited (in place).
    const auto change = [&](StoreFixture& f) {
        if (whole) {
            f.store.markDeleted(f.store.slotAt(0, 0));
            edit(f, 1, QStringLiteral("b1"));
        } else {
            edit(f, 0, QStringLiteral("b0"));
            edit(f, 2, QStringLiteral("b2"));
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
        if (whole) {
            const QString tmp = f.files.dat[0] + QStringLiteral(".tmp");
            const qsizetype synced = f.fs.log.indexOf(QStringLiteral("sync ") + tmp);
            const qsizetype renamed = f.fs.log.indexOf(QStringLiteral("rename ") + tmp +
                                                       QStringLiteral(" > ") + f.files.dat[0]);
            QVERIFY(synced >= 0 && synced < renamed);
        }
    }
    QVERIFY(total >= 3);
    for (int n = 0; n <= total; ++n) {
        StoreFixture f;
        prepare(f);
        f.fs.crashAfter = f.fs.operations() + n;
        (void)change(f);
        const int boxes = f.messages.count();
        const QStringList back = reload(f);
        const QString at = QStringLiteral("stopped after operation %1: ").arg(n) + back.join(u',');
        if (whole) {
            QVERIFY2(back == GenerationA ||
                         back == (QStringList{QStringLiteral("b1"), QStringLiteral("a2")}),
                     qPrintable(at));
        } else {
            QCOMPARE(back.size(), 3);
            QVERIFY2(back[0] == QLatin1String("a0") || back[0] == QLatin1String("b0"),
                     qPrintable(at));
            QCOMPARE(back[1], QStringLiteral("a1"));
            QVERIFY2(back[2] == QLatin1String("a2") || back[2] == QLatin1String("b2"),
                     qPrintable(at));
        }
        // Nothing needed restoring: the data file was whole at every instant.
        QCOMPARE(f.messages.count(), boxes);
    }
}

void TestStore::restoredAtLoad_data() {
    QTest::addColumn<bool>("datMissing");
    QTest::addColumn<bool>("completeTmp");
    QTest::newRow("missing, backup") << true << false;
    QTest::newRow("empty, backup") << false << false;
    QTest::newRow("missing, complete temporary file") << true << true;
}

void TestStore::emptiedListIsTheUsersToRestore() {
    // Every note of the list removed: the backup is offered, not forced on the user, and a
    // declined backup is kept aside instead of being offered at every start.
    StoreFixture f;
    writeDataFile(f.files.bak[0], {makeNote(QStringLiteral("old"), QStringLiteral("old"))});
    writeDataFile(f.files.dat[0], {});
    f.messages.answers.enqueue(1);
    f.load();
    QVERIFY(texts(f.store, 0).isEmpty());
    QCOMPARE(f.messages.count(), 1);
    QCOMPARE(f.messages.shown[0].options.buttons, msgbox::Question.buttons);
    QVERIFY(!QFile::exists(f.files.bak[0]));
    QCOMPARE(QDir(QFileInfo(f.files.bak[0]).path())
                 .entryList({QStringLiteral("Quillaboard.bak.kept-*")})
                 .size(),
             1);
    f.messages.shown.clear();
    QVERIFY(reload(f).isEmpty());
    QCOMPARE(f.messages.count(), 0);
}

void TestStore::restoredAtLoad() {
    QFETCH(bool, datMissing);
    QFETCH(bool, completeTmp);
    StoreFixture f;
    // What an interrupted rewrite of an earlier version left behind.
    writeDataFile(f.files.bak[0], {makeNote(QStringLiteral("old"), QStringLiteral("old"))});
    const QString tmp = f.files.dat[0] + QStringLiteral(".tmp");
    if (completeTmp)
        writeDataFile(tmp, {makeNote(QStringLiteral("new"), QStringLiteral("new"))});
    if (!datMissing)
        writeDataFile(f.files.dat[0], {});
    f.load();
    QCOMPARE(texts(f.store, 0),
             QStringList{completeTmp ? QStringLiteral("new") : QStringLiteral("old")});
    QCOMPARE(f.messages.count(), 1);
    QVERIFY(f.messages.shown[0].text.contains(f.files.dat[0]));
    QVERIFY(f.messages.shown[0].text.contains(completeTmp ? tmp : f.files.bak[0]));
    QCOMPARE(reload(f), texts(f.store, 0));
    // The backup is not turned into a copy of an empty file by the next save.
    f.store.MarkChanged(0, true);
    QVERIFY(f.save());
    QCOMPARE(QFileInfo(f.files.bak[0]).size(), layout::RecordSize);
}

void TestStore::failingOperation_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("pathPart");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<QString>("boxStart"); // empty: no box
    QTest::addColumn<QString>("boxFile");  // the file the box title names

    const QString dat = QStringLiteral("Quillaboard.dat");
    QTest::newRow("record write, disk full") << int(Op::Write) << 1 << 61 << QStringLiteral(".tmp")
                                             << false << QStringLiteral("Save Error #  61") << dat;
    QTest::newRow("sync of the new file") << int(Op::Sync) << 1 << 57 << QStringLiteral("dat.tmp")
                                          << false << QStringLiteral("Save Error #  57") << dat;
    QTest::newRow("rename over the data file")
        << int(Op::Rename) << 1 << 70 << QStringLiteral("dat.tmp >") << false
        << QStringLiteral("Rename Error #  70") << dat;
    QTest::newRow("no hard links: copied")
        << int(Op::Link) << 1 << 75 << QString() << true << QString() << QString();
    QTest::newRow("backup copy, disk full")
        << int(Op::Write) << 0 << 61 << QStringLiteral("bak.tmp") << true
        << QStringLiteral("Filecopy Error #  61") << dat;
    QTest::newRow("backup rename")
        << int(Op::Rename) << 1 << 57 << QStringLiteral("bak.tmp >") << true
        << QStringLiteral("Rename Error #  57") << QStringLiteral("Quillaboard.bak");
}

void TestStore::failingOperation() {
    QFETCH(int, op);
    QFETCH(int, occurrence);
    QFETCH(int, error);
    QFETCH(QString, pathPart);
    QFETCH(bool, saved);
    QFETCH(QString, boxStart);
    QFETCH(QString, boxFile);
    StoreFixture f;
    prepare(f);
    const QByteArray datBefore = readBytes(f.files.dat[0]);
    const QByteArray bakBefore = readBytes(f.files.bak[0]);
    f.store.markDeleted(f.store.slotAt(0, 0));
    edit(f, 1, QStringLiteral("b1"));
    // Links fail for every later copy too, as on a file system without them.
    f.fs.faults.append({Op(op), occurrence, error, pathPart});
    if (op == int(Op::Write))
        f.fs.faults.append({Op::Link, 0, 75, {}});

    QCOMPARE(f.save(), saved);

    QCOMPARE(f.messages.count(), boxStart.isEmpty() ? 0 : 1);
    if (!boxStart.isEmpty()) {
        QVERIFY2(f.messages.shown[0].text.startsWith(boxStart),
                 qPrintable(f.messages.shown[0].text));
        QCOMPARE(f.messages.shown[0].title,
                 datafile::fileTitle(f.tr.Translation(49), f.folder.file(boxFile)));
    }
    QCOMPARE(leftovers(f), QStringList());
    // The new content got in: the backup holds the old file, or the old one when the new
    // backup could not be made complete. Otherwise nothing changed and nothing was forgotten.
    const bool backupRenewed = boxStart.isEmpty();
    if (saved) {
        QCOMPARE(reload(f), (QStringList{QStringLiteral("b1"), QStringLiteral("a2")}));
        QCOMPARE(readBytes(f.files.bak[0]), backupRenewed ? datBefore : bakBefore);
    } else {
        QCOMPARE(readBytes(f.files.dat[0]), datBefore);
        QVERIFY(readBytes(f.files.bak[0]) == bakBefore || readBytes(f.files.bak[0]) == datBefore);
        QVERIFY(f.store.FullSaveNeeded && f.store.DataChanged);
        QVERIFY(f.save());
        QCOMPARE(reload(f), (QStringList{QStringLiteral("b1"), QStringLiteral("a2")}));
    }
}

void TestStore::inPlaceFailures() {
    // A failed append leaves whole records only; the note stays marked.
    StoreFixture f;
    prepare(f);
    const int slot = addCreated(f, QStringLiteral("added"));
    f.fs.faults.append({Op::Write, 1, 61, QStringLiteral("Quillaboard.dat")});
    QVERIFY(!f.quickSave());
    QCOMPARE(QFileInfo(f.files.dat[0]).size() % layout::RecordSize, 0);
    QCOMPARE(f.store.Notes[static_cast<size_t>(slot)].ChangeMark, mark::Created);
    QCOMPARE(f.messages.shown.at(0).title, f.tr.Translation(48) + QStringLiteral("added'"));
    f.fs.faults.clear();
    QVERIFY(f.quickSave());
    QCOMPARE(reload(f), GenerationA + QStringList{QStringLiteral("added")});
}

void TestStore::fileShortOfRecords_data() {
    QTest::addColumn<int>("records");
    QTest::newRow("one record short") << 2;
    QTest::newRow("two records short") << 1;
}

void TestStore::fileShortOfRecords() {
    QFETCH(int, records);
    StoreFixture f;
    prepare(f);
    QFile file(f.files.dat[0]);
    QVERIFY(file.resize(qint64(records) * layout::RecordSize));
    edit(f, 2, QStringLiteral("b2"));
    QVERIFY(f.quickSave());
    // No note is lost and none lands on another's record.
    QCOMPARE(reload(f),
             (QStringList{QStringLiteral("a0"), QStringLiteral("a1"), QStringLiteral("b2")}));
}

void TestStore::readOnlyFolderSavesInPlace() {
    StoreFixture f;
    prepare(f);
    f.store.markDeleted(f.store.slotAt(0, 0));
    edit(f, 1, QStringLiteral("b1"));
    f.fs.faults.append({Op::Open, 0, 70, QStringLiteral(".tmp")});
    QVERIFY(!f.quickSave());
    // The edit is on file; the deleted note waits for a whole rewrite, and is not lost.
    QCOMPARE(reload(f),
             (QStringList{QStringLiteral("a0"), QStringLiteral("b1"), QStringLiteral("a2")}));
    QVERIFY(f.store.FullSaveNeeded);
    QVERIFY(f.messages.shown.at(0).text.startsWith(QStringLiteral("Open Error #  70")));
    QVERIFY(f.messages.shown.at(0).title.endsWith(f.files.dat[0] + QStringLiteral(".tmp")));
}

void TestStore::unreadableListLeftAlone() {
    StoreFixture f;
    prepare(f);
    const QByteArray before = readBytes(f.files.dat[0]);
    f.store.clear();
    f.messages.shown.clear();
    f.fs.faults.append({Op::Read, 1, 57, QStringLiteral("Quillaboard.dat")});
    f.load();
    QCOMPARE(f.messages.count(), 1);
    QCOMPARE(f.messages.shown[0].title, datafile::fileTitle(f.tr.Translation(64), f.files.dat[0]));
    QVERIFY(f.store.Unreadable[0]);
    addCreated(f, QStringLiteral("new"));
    f.store.FullSaveNeeded = true;
    QVERIFY(!f.save());
    QVERIFY(!f.quickSave());
    QCOMPARE(readBytes(f.files.dat[0]), before);
    QCOMPARE(f.messages.count(), 1);
}

void TestStore::eventsFileNamedInBoxes() {
    StoreFixture f;
    f.fs.faults.append({Op::Open, 0, 70, QStringLiteral("QuillaEvents.dat")});
    f.load();
    QCOMPARE(f.messages.count(), 1);
    QCOMPARE(f.messages.shown[0].title, datafile::fileTitle(f.tr.Translation(64), f.files.dat[1]));
    QVERIFY(f.messages.shown[0].title.startsWith(f.tr.Translation(64).replace(
        QStringLiteral("Quillaboard"), QStringLiteral("QuillaEvents"))));
    // An empty list whose new file cannot be synced: a box naming the file, no crash.
    StoreFixture g;
    prepare(g);
    g.store.markDeleted(g.store.slotAt(1, 0));
    g.fs.faults.append({Op::Sync, 1, 57, QStringLiteral("QuillaEvents.dat.tmp")});
    QVERIFY(!g.save());
    QCOMPARE(g.messages.shown.last().title,
             datafile::fileTitle(g.tr.Translation(49), g.files.dat[1]));
}

void TestStore::oneFullCyclePerStart() {
    StoreFixture f;
    writeDataFile(f.files.dat[0], {makeNote(QStringLiteral("mine"), QStringLiteral("mine"))});
    writeDataFile(f.files.imp[0], {makeNote(QStringLiteral("in"), QStringLiteral("in"))});
    const QByteArray userFile = readBytes(f.files.dat[0]);
    const LoadResult loaded = f.load();
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

void TestStore::failingListLeavesOtherBackup() {
    StoreFixture f;
    prepare(f);
    f.store.swapLines(0, 0, 1);
    f.store.MarkChanged(f.store.slotAt(1, 0), true);
    f.fs.faults.append({Op::Write, 0, 61, QStringLiteral("QuillaEvents.dat.tmp")});
    QVERIFY(!f.quickSave());
    const QByteArray bak = readBytes(f.files.bak[0]);
    QVERIFY(!f.quickSave());
    QVERIFY(!f.quickSave());
    QCOMPARE(readBytes(f.files.bak[0]), bak);
}

void TestStore::importKeptUntilWritten() {
    StoreFixture f;
    writeDataFile(f.files.dat[0], {makeNote(QStringLiteral("mine"), QStringLiteral("mine"))});
    writeDataFile(f.files.imp[0], {makeNote(QStringLiteral("in"), QStringLiteral("in"))});
    f.fs.faults.append({Op::Rename, 0, 70, QStringLiteral("dat.tmp >")});
    f.load();
    QVERIFY(QFile::exists(f.files.imp[0]));
    QVERIFY(f.store.DataChanged);
    f.fs.faults.clear();
    QVERIFY(f.quickSave());
    QVERIFY(!QFile::exists(f.files.imp[0]));
    QCOMPARE(reload(f), (QStringList{QStringLiteral("mine"), QStringLiteral("in")}));
}

void TestStore::modeAndLinkKept() {
    StoreFixture f;
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("synced")));
    const QString target = f.dir.filePath(QStringLiteral("synced/notes.dat"));
    writeDataFile(target, {makeNote(QStringLiteral("a"), QStringLiteral("a"))});
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

void TestStore::rescueFile() {
    StoreFixture f;
    prepare(f);
    edit(f, 1, QStringLiteral("b1"));
    f.store.markDeleted(f.store.slotAt(0, 2));
    addCreated(f, QStringLiteral("ev"), 1);
    const QString path = f.dir.filePath(QStringLiteral("rescue/deep/notes.new"));
    QCOMPARE(WriteRescueFile(f.store, f.context(), path), 2);
    QCOMPARE(QFileInfo(path).size(), 2 * layout::RecordSize);
    QCOMPARE(f.store.Notes[1].ChangeMark, mark::ModifiedContent);
    // Imported as the notes list's import file, its note of that list comes back.
    QVERIFY(QFile::copy(path, f.files.imp[0]));
    QCOMPARE(reload(f), GenerationA + QStringList{QStringLiteral("b1")});
    f.fs.faults.append({Op::Open, 0, 70, {}});
    QCOMPARE(WriteRescueFile(f.store, f.context(), path), -1);
}
