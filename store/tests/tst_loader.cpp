#include "storetestutil.h"
#include "tst_store.h"

#include "store/loader.h"
#include "store/recordlayout.h"

#include <QFile>
#include <QTest>

namespace {

// Builds nothing; checks what a note window sees while it is built.
class RecordingBuilder final : public NoteBuilder {
public:
    explicit RecordingBuilder(NoteStore& store)
        : m_store(store) {}
    void buildNote(int slot) override {
        built.append(slot);
        updatingSeen = updatingSeen && m_store.UpdatingLists;
        // A window reading its linked file marks the note: nothing must stick.
        m_store.MarkChanged(slot, true);
    }
    QList<int> built;
    bool updatingSeen = true;

private:
    NoteStore& m_store;
};

QStringList titles(const NoteStore& store, int list) {
    QStringList out;
    for (int pos = 0; pos < store.lineCount(list); ++pos)
        out << store.Notes[static_cast<size_t>(store.slotAt(list, pos))].Title;
    return out;
}

} // namespace

void TestStore::missingFilesCreatedEmpty() {
    StoreFixture f;
    f.load();
    QCOMPARE(f.store.LastNote(), -1);
    QCOMPARE(f.messages.count(), 0);
    for (const QString& path : f.files.dat)
        QVERIFY(QFile::exists(path) && QFileInfo(path).size() == 0);
    QVERIFY(!QFile::exists(f.files.bak[0]));
}

void TestStore::invalidRecordsSkipped_data() {
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<int>("list");
    QTest::addColumn<bool>("kept");

    QTest::newRow("valid") << 3000.0F << 2000.0F << 0 << true;
    QTest::newRow("width and height 0") << 0.0F << 0.0F << 0 << false;
    QTest::newRow("width 0 only") << 0.0F << 2000.0F << 0 << true;
    QTest::newRow("negative height") << 3000.0F << -1.0F << 0 << false;
    QTest::newRow("negative width") << -1.0F << 2000.0F << 0 << false;
    QTest::newRow("higher than the screen") << 3000.0F << float(ScreenHeight + 1) << 0 << true;
    QTest::newRow("as high as the screen") << 3000.0F << float(ScreenHeight) << 0 << true;
    QTest::newRow("wider than the screen") << float(ScreenWidth + 1) << 2000.0F << 0 << true;
    QTest::newRow("events record in the notes file") << 3000.0F << 2000.0F << 1 << false;
}

void TestStore::invalidRecordsSkipped() {
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(int, list);
    QFETCH(bool, kept);

    StoreFixture f;
    TestNote odd = makeNote(QStringLiteral("odd"), QString(), list);
    odd.window.Width = width;
    odd.window.Height = height;
    writeDataFile(f.files.dat[0], {makeNote(QStringLiteral("first"), QString()), odd,
                                   makeNote(QStringLiteral("last"), QString())});
    f.load();
    const QStringList expected =
        kept ? QStringList{QStringLiteral("first"), QStringLiteral("odd"), QStringLiteral("last")}
             : QStringList{QStringLiteral("first"), QStringLiteral("last")};
    QCOMPARE(titles(f.store, 0), expected);
    QCOMPARE(f.store.lineCount(1), 0);
    QCOMPARE(f.store.RecordsOutOfStep[0], !kept);
    // A file that did not read cleanly is kept as it was, and the user is told once.
    const QString damaged = f.files.dat[0] + QStringLiteral(".damaged-2024-03-15");
    QCOMPARE(QFile::exists(damaged), !kept);
    QCOMPARE(f.messages.count(), kept ? 0 : 1);
    if (!kept) {
        QVERIFY(f.messages.shown[0].text.contains(QStringLiteral("1 records were skipped")));
        f.store.clear();
        f.load();
        QCOMPARE(f.messages.count(), 1);
    }
    // A note saved on a larger screen comes back fitted to this one, not lost.
    if (kept) {
        const NoteWindowState& w = f.store.Windows.at(1);
        QVERIFY(w.Width <= float(ScreenWidth) && w.Height <= float(ScreenHeight));
    }
}

void TestStore::positionCorrection_data() {
    QTest::addColumn<bool>("multiScreens");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("leftBack");
    QTest::addColumn<float>("topBack");

    QTest::newRow("left -500") << false << -500.0F << 300.0F << 500.0F << 300.0F;
    QTest::newRow("left -500, several screens") << true << -500.0F << 300.0F << -500.0F << 300.0F;
    QTest::newRow("right of the screen")
        << false << float(ScreenWidth + 700) << 300.0F << 700.0F << 300.0F;
    QTest::newRow("below the screen, rounded")
        << false << 100.0F << float(ScreenHeight) + 200.4F << 100.0F << 200.0F;
    QTest::newRow("negative top") << false << 100.0F << -45.6F << 100.0F << 46.0F;
    QTest::newRow("on the screen") << false << 100.5F << 200.25F << 100.5F << 200.25F;
    // Only beyond the screen is out: at its very edge a note stays where it is.
    QTest::newRow("at the screen's width and height")
        << false << float(ScreenWidth) << float(ScreenHeight) << float(ScreenWidth)
        << float(ScreenHeight);
}

void TestStore::positionCorrection() {
    QFETCH(bool, multiScreens);
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(float, leftBack);
    QFETCH(float, topBack);

    StoreFixture f;
    TestNote n = makeNote(QStringLiteral("n"), QString());
    n.window.Left = left;
    n.window.Top = top;
    writeDataFile(f.files.dat[0], {n});
    f.load(multiScreens);
    QCOMPARE(f.store.LastNote(), 0);
    QCOMPARE(f.store.Windows[0].Left, leftBack);
    QCOMPARE(f.store.Windows[0].Top, topBack);
}

void TestStore::importMerge() {
    StoreFixture f;
    writeDataFile(f.files.dat[0],
                  {makeNote(QStringLiteral("Quick help: keys"), QStringLiteral("old")),
                   makeNote(QStringLiteral("Groceries"), QStringLiteral("mine"))});
    writeDataFile(f.files.imp[0],
                  {makeNote(QStringLiteral("  Quick help: keys  "), QStringLiteral("new")),
                   makeNote(QStringLiteral("Groceries"), QStringLiteral("theirs")),
                   makeNote(QStringLiteral("Quick help: mouse"), QStringLiteral("added"))});
    f.load();

    QCOMPARE(titles(f.store, 0),
             (QStringList{QStringLiteral("Quick help: keys"), QStringLiteral("Groceries"),
                          QStringLiteral("Groceries"), QStringLiteral("Quick help: mouse")}));
    QCOMPARE(f.store.Windows[0].Text, QStringLiteral("new"));
    QCOMPARE(f.store.Windows[1].Text, QStringLiteral("mine"));
    QCOMPARE(f.store.Windows[2].Text, QStringLiteral("theirs"));
    QVERIFY(!QFile::exists(f.files.imp[0]));
    QVERIFY(!QFile::exists(f.files.imp[1]));

    // The merged notes are on file before the import file is gone, so a restart keeps them.
    QCOMPARE(reload(f), texts(f.store, 0));
    QCOMPARE(f.messages.count(), 0);
}

void TestStore::importIntoOtherListKeepsLine() {
    StoreFixture f;
    writeDataFile(f.files.dat[0], {makeNote(QStringLiteral("Quick help"), QStringLiteral("old"))});
    writeDataFile(f.files.imp[1],
                  {makeNote(QStringLiteral("Quick help"), QStringLiteral("new"), 1)});
    f.load();
    QCOMPARE(f.store.LastNote(), 0);
    QCOMPARE(f.store.lineCount(1), 0);
    // Shown in the notes list, so stored there: a list number of 1 would be skipped next time.
    QCOMPARE(f.store.Notes[0].List, 0);
    QCOMPARE(f.store.Windows[0].Text, QStringLiteral("new"));
    f.store.clear();
    f.load();
    QCOMPARE(titles(f.store, 0), QStringList{QStringLiteral("Quick help")});
}

void TestStore::trailingPartialRecordIgnored() {
    StoreFixture f;
    writeDataFile(f.files.dat[1], {makeNote(QStringLiteral("a"), QString(), 1),
                                   makeNote(QStringLiteral("b"), QString(), 1)});
    {
        QFile file(f.files.dat[1]);
        QVERIFY(file.open(QIODevice::Append));
        file.write(encodeNote(makeNote(QStringLiteral("c"), QString(), 1)).left(1000));
    }
    const QByteArray original = readBytes(f.files.dat[1]);
    f.load();
    QCOMPARE(titles(f.store, 1), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(f.messages.count(), 1);
    QVERIFY(f.messages.shown[0].text.contains(f.files.dat[1]));
    // Two edit sessions later the piece is still on disk, in the kept copy.
    for (int session = 0; session < 2; ++session) {
        f.store.MarkChanged(f.store.slotAt(1, 0), true);
        f.store.FullSaveNeeded = true;
        QVERIFY(f.save());
        f.store.clear();
        f.load();
    }
    QCOMPARE(readBytes(f.files.dat[1] + QStringLiteral(".damaged-2024-03-15")), original);
}

void TestStore::textsTrimmed() {
    StoreFixture f;
    TestNote n = makeNote(QStringLiteral("  Title  "), QStringLiteral("   two\nlines   "));
    n.window.FontName = QStringLiteral(" Serif");
    writeDataFile(f.files.dat[0], {n});
    f.load();
    QCOMPARE(f.store.Notes[0].Title, QStringLiteral("Title"));
    QCOMPARE(f.store.Windows[0].Text, QStringLiteral("two\nlines"));
    QCOMPARE(f.store.Windows[0].FontName, QStringLiteral("Serif"));
    QCOMPARE(f.store.Notes[0].ChangeMark, mark::Blank);
}

void TestStore::builderMarksNothing() {
    StoreFixture f;
    writeDataFile(f.files.dat[0], {makeNote(QStringLiteral("a"), QString())});
    writeDataFile(f.files.dat[1], {makeNote(QStringLiteral("b"), QString(), 1)});
    RecordingBuilder builder(f.store);
    LoadOptions options{false, ScreenWidth, ScreenHeight};
    LoadNotes(f.store, f.files, options, f.messages, f.tr, &builder);
    QCOMPARE(builder.built, (QList<int>{0, 1}));
    QVERIFY(builder.updatingSeen);
    QVERIFY(!f.store.UpdatingLists);
    QVERIFY(!f.store.DataChanged);
    QCOMPARE(f.store.Notes[1].ChangeMark, mark::Blank);
}
