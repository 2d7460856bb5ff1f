#include "localisation/translator.h"
#include "platform/programfolder.h"
#include "platform/testing/fakefilesystem.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/linkedfile.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/saver.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int ScreenWidth = 1920 * 15;
constexpr int ScreenHeight = 1080 * 15;

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A program folder with one note linked to "todo.txt" in it; the home folder is a temporary
// folder of its own.
struct LinkFixture {
    QTemporaryDir dir;
    QTemporaryDir home;
    QByteArray oldHome = qgetenv("HOME");
    ProgramFolder folder{dir.path() + QLatin1Char('/')};
    NoteFiles files{folder};
    FakeFileSystem fs;
    FakeMessageSink messages;
    FakeClock clock;
    Translator tr;
    NoteStore store;
    LinkedFileStore linked{store, folder, fs, messages, tr};
    int slot = -1;

    explicit LinkFixture(const QString& link = u"todo.txt"_s, bool openFile = true) {
        qputenv("HOME", home.path().toUtf8());
        files.fs = &fs;
        NoteRecord note;
        note.setTitle(u"List"_s);
        note.OpenFile = openFile;
        note.UpdateFile = true;
        note.FiletoOpen = link;
        NoteWindowState window;
        window.Width = 3000;
        window.Height = 3000;
        slot = store.addNote(0, note, window);
    }
    ~LinkFixture() { qputenv("HOME", oldHome); }
    LinkFixture(const LinkFixture&) = delete;
    LinkFixture& operator=(const LinkFixture&) = delete;

    [[nodiscard]] QString path() const { return linked.fullPath(note().FiletoOpen); }
    NoteRecord& note() const { return const_cast<NoteStore&>(store).Notes[0]; }
    QString& text() { return store.Windows[0].Text; }
    // The user types: the text changes and the note is marked.
    void edit(const QString& newText) {
        text() = newText;
        store.MarkChanged(slot, true);
    }
    SaveContext context() { return SaveContext{files, messages, tr, clock, u"3.2.0"_s, &linked}; }
    void load() {
        LoadNotes(store, files, {false, ScreenWidth, ScreenHeight, &clock, &linked}, messages, tr,
                  nullptr);
    }
};

} // namespace

// Linked text files: what a note shows of them and what it writes back.
class TestLinkedFile : public QObject {
    Q_OBJECT
private slots:
    // Through the loader and the save cycle: the file as the note shows it, the note's edit as
    // the file gets it (encoding and line breaks as read), and the edit read back.
    void loadEditSaveReload_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("Windows-1252, CR LF, bare name")
            << u"todo.txt"_s << QByteArray("caf\xE9\r\nthe \x80 sign\r\n") << u"café\nthe € sign"_s
            << u"  café\nthe € sign\ndone  "_s
            << QByteArray("caf\xE9\r\nthe \x80 sign\r\ndone\r\n");
        QTest::newRow("UTF-8, LF, in the home folder")
            << u"~/todo.txt"_s << u"Grüße\nzwei\n"_s.toUtf8() << u"Grüße\nzwei"_s
            << u"Grüße\nzwei\ndrei"_s << u"Grüße\nzwei\ndrei\n"_s.toUtf8();
        QTest::newRow("mark kept")
            << u"todo.txt"_s << QByteArray("\xEF\xBB\xBFplain\r\n") << u"plain"_s << u"plain!"_s
            << QByteArray("\xEF\xBB\xBFplain!\r\n");
        QTest::newRow("Windows-1252 file gets a character it cannot hold")
            << u"todo.txt"_s << QByteArray("na\xEFve\n") << u"naïve"_s << u"naïve ☺"_s
            << u"naïve ☺\n"_s.toUtf8();
        QTest::newRow("no line break: CR LF") << u"todo.txt"_s << QByteArray("one") << u"one"_s
                                              << u"one\ntwo"_s << QByteArray("one\r\ntwo\r\n");
    }
    void loadEditSaveReload() {
        QFETCH(QString, link);
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, shown);
        QFETCH(QString, edited);
        QFETCH(QByteArray, written);
        LinkFixture f(link);
        writeBytes(f.path(), onDisk);
        f.linked.ReadLinkedFile(f.slot);
        QVERIFY(SaveNotes(f.store, f.context()));
        // Saving what was read leaves the file as it was.
        QCOMPARE(readBytes(f.path()), onDisk);

        f.load();
        QCOMPARE(f.store.LastNote(), 0);
        QCOMPARE(f.text(), shown);
        QCOMPARE(f.note().ChangeMark, mark::Blank);
        f.edit(edited);
        QVERIFY(QuickSaveNotes(f.store, f.context()));
        QCOMPARE(readBytes(f.path()), written);
        f.load();
        QCOMPARE(f.text(), edited.trimmed());
        QCOMPARE(f.messages.count(), 0);
    }

    // Files the note cannot take whole are never written to, whatever the note does.
    void neverWritten_data() {
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<bool>("openFails");
        QTest::addColumn<bool>("removedAfterReading");
        QTest::addColumn<QString>("told");
        QTest::addColumn<bool>("readOnly");
        QByteArray big;
        for (int line = 0; big.size() < 100 * 1024; ++line)
            big += "line " + QByteArray::number(line) + "\r\n";
        QTest::newRow("missing") << QByteArray() << false << false << u"Unable to open"_s << false;
        QTest::newRow("unreadable")
            << QByteArray("secret\r\n") << true << false << u"Permission denied"_s << false;
        QTest::newRow("binary") << QByteArray("PK\x03\x04\0\0data", 10) << false << false
                                << u"NUL"_s << false;
        QTest::newRow("100 KB") << big << false << false << u"too big"_s << true;
        QTest::newRow("removed after reading")
            << QByteArray("a\r\n") << false << true << u"removed or renamed"_s << false;
    }
    void neverWritten() {
        QFETCH(QByteArray, onDisk);
        QFETCH(bool, openFails);
        QFETCH(bool, removedAfterReading);
        QFETCH(QString, told);
        QFETCH(bool, readOnly);
        LinkFixture f;
        f.text() = u"the note's own text"_s;
        if (!onDisk.isEmpty())
            writeBytes(f.path(), onDisk);
        if (openFails)
            f.fs.faults.append({FakeFileSystem::Op::Open, 0, 70, u"todo"_s});
        f.linked.ReadLinkedFile(f.slot);
        if (removedAfterReading)
            QVERIFY(QFile::remove(f.path()));
        const QString before = f.text();
        QCOMPARE(!f.store.Windows[0].ReadOnlyReason.isEmpty(), readOnly);
        QCOMPARE(f.linked.readInPart(f.slot), readOnly);
        if (readOnly)
            QVERIFY(f.text().startsWith(u"line 0\nline 1\n"_s));
        else if (!removedAfterReading)
            QCOMPARE(f.text(), u"the note's own text"_s);

        f.edit(before + u"\nmore"_s);
        for (int save = 0; save < 2; ++save) {
            QVERIFY(QuickSaveNotes(f.store, f.context()));
            f.linked.checkForOutsideChanges();
        }
        QCOMPARE(readBytes(f.path()),
                 onDisk.isEmpty() || removedAfterReading ? QByteArray("<missing>") : onDisk);
        QCOMPARE(f.text(), before + u"\nmore"_s);
        // Told once, clearly.
        QCOMPARE(f.messages.count(), 1);
        QVERIFY2(f.messages.shown.at(0).text.contains(told), qPrintable(f.messages.shown[0].text));
        QVERIFY(f.messages.shown.at(0).text.contains(f.path()));
    }

    // A change made outside: shown when the note has no edits of its own, else both versions
    // stay and the user chooses.
    void outsideChange_data() {
        QTest::addColumn<bool>("noteEdited");
        // What sees the change: a look at the files, a save, or a look after a save that found
        // the file gone for a moment.
        QTest::addColumn<QString>("seenBy");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("noteShows");
        QTest::addColumn<QByteArray>("fileAfterSave");
        const QByteArray outside("outside\r\n");
        const QByteArray mine("mine\r\n");
        QTest::newRow("note unchanged") << false << u"look"_s << 0 << u"outside"_s << outside;
        QTest::newRow("both changed, file's version taken")
            << true << u"look"_s << 0 << u"outside"_s << outside;
        QTest::newRow("both changed, note's version kept")
            << true << u"look"_s << 1 << u"mine"_s << mine;
        QTest::newRow("both changed, seen by the save")
            << true << u"save"_s << 1 << u"mine"_s << mine;
        QTest::newRow("both changed, file gone a moment")
            << true << u"gone"_s << 1 << u"mine"_s << mine;
    }
    void outsideChange() {
        QFETCH(bool, noteEdited);
        QFETCH(QString, seenBy);
        QFETCH(int, answer);
        QFETCH(QString, noteShows);
        QFETCH(QByteArray, fileAfterSave);
        LinkFixture f;
        writeBytes(f.path(), "first\r\n");
        f.linked.ReadLinkedFile(f.slot);
        QSignalSpy replaced(&f.linked, &LinkedFileStore::textReplaced);
        if (noteEdited)
            f.edit(u"mine"_s);
        const bool gone = seenBy == u"gone"_s;
        if (gone) {
            QVERIFY(QFile::remove(f.path()));
            f.linked.WriteLinkedFile(f.slot);
            QCOMPARE(f.messages.count(), 1);
        }
        writeBytes(f.path(), "outside\r\n");
        f.messages.answers.enqueue(answer);
        if (seenBy == u"save"_s) {
            f.linked.WriteLinkedFile(f.slot);
            // The file is not overwritten; the question comes once the save is over.
            QCOMPARE(readBytes(f.path()), QByteArray("outside\r\n"));
            QCOMPARE(f.messages.count(), 0);
            QTRY_COMPARE(f.messages.count(), 1);
        } else {
            f.linked.checkForOutsideChanges();
        }
        QCOMPARE(f.text(), noteShows);
        QCOMPARE(f.messages.count(), (noteEdited ? 1 : 0) + (gone ? 1 : 0));
        QCOMPARE(replaced.count(), noteShows == u"outside"_s ? 1 : 0);
        const QString copy = f.dir.filePath(u"todo (note copy).txt"_s);
        QCOMPARE(readBytes(copy), noteEdited ? QByteArray("mine\r\n") : QByteArray("<missing>"));
        f.linked.WriteLinkedFile(f.slot);
        QCOMPARE(readBytes(f.path()), fileAfterSave);
    }

    // A write that fails is told once, keeps the note's edit and is tried again at the next
    // save; a file is never created in a folder that does not exist.
    void failingWrite_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("told");
        QTest::newRow("disk full") << u"todo.txt"_s << true << u"Error #  61"_s;
        QTest::newRow("no such folder") << u"~/gone/todo.txt"_s << false << u"Error #  76"_s;
    }
    void failingWrite() {
        QFETCH(QString, link);
        QFETCH(bool, diskFull);
        QFETCH(QString, told);
        LinkFixture f(link, false);
        if (diskFull) {
            writeBytes(f.path(), "old\r\n");
            f.fs.faults.append({FakeFileSystem::Op::Write, 0, 61, u"todo"_s});
        }
        f.edit(u"new"_s);
        QVERIFY(QuickSaveNotes(f.store, f.context()));
        f.edit(u"newer"_s);
        QVERIFY(QuickSaveNotes(f.store, f.context()));
        QCOMPARE(f.messages.count(), 1);
        QVERIFY2(f.messages.shown.at(0).text.contains(told),
                 qPrintable(f.messages.shown.at(0).title + f.messages.shown.at(0).text));
        QVERIFY(f.messages.shown.at(0).text.contains(u"This file was not updated."_s));
        QCOMPARE(f.text(), u"newer"_s);
        QCOMPARE(readBytes(f.path()), diskFull ? QByteArray("old\r\n") : QByteArray("<missing>"));
        QVERIFY(!QDir(f.home.filePath(u"gone"_s)).exists());
        f.fs.faults.clear();
        // The next save writes it, though the note has not changed since.
        QVERIFY(QuickSaveNotes(f.store, f.context()));
        QCOMPARE(readBytes(f.path()), diskFull ? QByteArray("newer\r\n") : QByteArray("<missing>"));
    }
};

QB_TEST_CLASS(TestLinkedFile)
#include "tst_linkedfile.moc"
