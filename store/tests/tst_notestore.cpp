#include "tst_store.h"

#include "store/notestore.h"
#include "store/settings.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Every line's ListPos names that line, and every slot is on exactly one line of its list.
void verifyPositions(const NoteStore& store) {
    int lines = 0;
    for (int list = 0; list <= 1; ++list) {
        for (int pos = 0; pos < store.lineCount(list); ++pos) {
            const int slot = store.slotAt(list, pos);
            QCOMPARE(store.ListPos[static_cast<size_t>(slot)], pos);
            QCOMPARE(store.Notes[static_cast<size_t>(slot)].List, list);
            ++lines;
        }
    }
    QCOMPARE(lines, store.LastNote() + 1);
}

int addPlain(NoteStore& store, int list) {
    return store.addNote(list, NoteRecord{}, NoteWindowState{});
}

} // namespace

void TestStore::markChanged_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("content");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("signalled");

    QTest::newRow("blank, layout") << mark::Blank << false << mark::Modified << true;
    QTest::newRow("blank, content") << mark::Blank << true << mark::ModifiedContent << true;
    QTest::newRow("modified, content") << mark::Modified << true << mark::ModifiedContent << true;
    QTest::newRow("MODIFIED never downgraded")
        << mark::ModifiedContent << false << mark::ModifiedContent << true;
    QTest::newRow("created stays, content") << mark::Created << true << mark::Created << false;
    QTest::newRow("created stays, layout") << mark::Created << false << mark::Created << false;
    QTest::newRow("deleted stays") << mark::Deleted << true << mark::Deleted << false;
}

void TestStore::markChanged() {
    QFETCH(QString, before);
    QFETCH(bool, content);
    QFETCH(QString, after);
    QFETCH(bool, signalled);

    NoteStore store;
    addPlain(store, 0);
    const int slot = addPlain(store, 0);
    store.Notes[1].ChangeMark = before;
    QSignalSpy spy(&store, &NoteStore::noteMarked);

    store.MarkChanged(slot, content);

    QCOMPARE(store.Notes[1].ChangeMark, after);
    QCOMPARE(store.Notes[0].ChangeMark, mark::Blank);
    QVERIFY(store.DataChanged);
    QCOMPARE(spy.count(), signalled ? 1 : 0);
    if (signalled)
        QCOMPARE(spy.at(0).at(0).toInt(), slot);
}

void TestStore::markChangedIgnoredWhileUpdatingLists() {
    NoteStore store;
    const int slot = addPlain(store, 0);
    QSignalSpy spy(&store, &NoteStore::noteMarked);
    store.UpdatingLists = true;
    store.MarkChanged(slot, true);
    QCOMPARE(store.Notes[0].ChangeMark, mark::Blank);
    QVERIFY(!store.DataChanged);
    QCOMPARE(spy.count(), 0);

    // A slot that does not exist is no note.
    store.UpdatingLists = false;
    store.MarkChanged(5, true);
    store.MarkChanged(-1, true);
    QVERIFY(!store.DataChanged);
}

void TestStore::slotsAndLines() {
    NoteStore store;
    QCOMPARE(store.LastNote(), -1);
    QCOMPARE(store.slotAt(0, 0), -1);

    NoteRecord r;
    r.List = 1; // the list the note is added to wins
    QCOMPARE(store.addNote(0, r, NoteWindowState{}), 0);
    QCOMPARE(addPlain(store, 1), 1);
    QCOMPARE(addPlain(store, 0), 2);
    QCOMPARE(store.slotAt(0, 1), 2);
    QCOMPARE(store.slotAt(1, 0), 1);
    QCOMPARE(store.slotAt(1, 1), -1);
    QCOMPARE(store.slotAt(2, 0), -1);
    verifyPositions(store);
}

void TestStore::swapAndMoveKeepPositions() {
    NoteStore store;
    for (int i = 0; i < 4; ++i)
        addPlain(store, 0);
    addPlain(store, 1);

    store.swapLines(0, 1, 2);
    QCOMPARE(store.slotAt(0, 1), 2);
    QCOMPARE(store.slotAt(0, 2), 1);
    QVERIFY(store.FullSaveNeeded);
    QCOMPARE(store.Notes[1].ChangeMark, mark::Blank); // reordering marks no note
    verifyPositions(store);

    store.FullSaveNeeded = false;
    store.swapLines(0, 3, 4); // no line 4
    QVERIFY(!store.FullSaveNeeded);

    // Line 1 (slot 2) of list 0 goes to the end of list 1.
    QCOMPARE(store.moveToList(1, 0, 1), 1);
    QCOMPARE(store.lineCount(0), 3);
    QCOMPARE(store.lineCount(1), 2);
    QCOMPARE(store.slotAt(1, 1), 2);
    QCOMPARE(store.Notes[2].ChangeMark, mark::Modified);
    QVERIFY(store.FullSaveNeeded);
    QVERIFY(store.DataChanged);
    verifyPositions(store);

    QCOMPARE(store.moveToList(0, 1, 2), -1);
    QCOMPARE(store.moveToList(5, 0, 1), -1);
    QCOMPARE(store.moveToList(-1, 0, 1), -1);
    QCOMPARE(store.moveToList(2, 0, 1), 2); // the last line
    verifyPositions(store);
}

void TestStore::markDeleted() {
    NoteStore store;
    const int slot = addPlain(store, 0);
    store.Notes[0].ChangeMark = mark::ModifiedContent;
    store.markDeleted(slot);
    QCOMPARE(store.Notes[0].ChangeMark, mark::Deleted);
    QVERIFY(!store.Windows[0].Live && !store.Windows[0].Visible);
    QVERIFY(store.FullSaveNeeded && store.DataChanged);
    QVERIFY(!store.Notes[0].hasPendingChange());
    QCOMPARE(store.lineCount(0), 1); // keeps its line until the next full save
}

void TestStore::autoDimValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    // The level read before is 120; a text that is no level leaves it.
    QTest::newRow("padded") << QStringLiteral("050") << 50;
    QTest::newRow("blanks and trailing text") << QStringLiteral(" 200 px") << 200;
    QTest::newRow("transparent") << QStringLiteral("0") << 0;
    QTest::newRow("opaque") << QStringLiteral("255") << 255;
    QTest::newRow("above 255") << QStringLiteral("256") << 120;
    QTest::newRow("far above 255") << QStringLiteral("9999999999999") << 120;
    QTest::newRow("negative") << QStringLiteral("-5") << 120;
    QTest::newRow("no number") << QStringLiteral("abc") << 120;
    QTest::newRow("empty") << QString() << 120;
}

void TestStore::autoDimValue() {
    QFETCH(QString, text);
    QFETCH(int, value);
    Settings s;
    s.txtAutoDimValue = QStringLiteral("120");
    QCOMPARE(s.autoDimValue(), 120);
    s.txtAutoDimValue = text;
    QCOMPARE(s.autoDimValue(), value);

    // The setter refuses what is no level and keeps the field's text.
    Settings fresh;
    QCOMPARE(fresh.setAutoDimText(text), value != 120);
    QCOMPARE(fresh.txtAutoDimValue, value != 120 ? text : QStringLiteral("050"));
    QCOMPARE(fresh.autoDimValue(), value != 120 ? value : 50);
}
