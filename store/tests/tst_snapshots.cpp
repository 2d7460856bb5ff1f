#include "platform/testing/testmain.h"
#include "store/notefiles.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"
#include "store/snapshots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One record per letter of `titles`, in `list`.
QByteArray notes(const QString& titles, int list = 0) {
    QByteArray bytes;
    for (const QChar c : titles) {
        NoteRecord r;
        r.setTitle(QString(c));
        r.List = static_cast<std::int16_t>(list);
        NoteWindowState w;
        w.Left = w.Top = w.Width = w.Height = 3000;
        w.Text = QStringLiteral("text of ") + c;
        bytes += recordcodec::encode(r, w, 1);
    }
    return bytes;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

} // namespace

// Daily snapshots of the data files and the way notes come back from them.
class TestSnapshots : public QObject {
    Q_OBJECT
private slots:
    void init();
    void oneADayOnlyWhenChanged_data();
    void oneADayOnlyWhenChanged();
    void restoredNotesGoToTheImportFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<NoteFiles> m_files;
    QString m_snapshots;
};

void TestSnapshots::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_files = std::make_unique<NoteFiles>(ProgramFolder(m_dir->path() + QLatin1Char('/')));
    m_snapshots = m_dir->filePath(QStringLiteral("snapshots"));
}

void TestSnapshots::oneADayOnlyWhenChanged_data() {
    // Each step: "<day>:<titles of the normal list>:<outcome>", outcomes W written,
    // T already today, U unchanged. Titles after "^" come from a file written long ago and
    // renamed over the data file (as a backup is put back), its old date kept.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("days");
    QTest::addColumn<bool>("events");
    QTest::newRow("no notes, nothing kept") << QStringLiteral("0::U 1::U") << 0 << false;
    QTest::newRow("first day") << QStringLiteral("0:A:W") << 1 << true;
    QTest::newRow("a change later the same day waits")
        << QStringLiteral("0:A:W 0:AB:T") << 1 << true;
    QTest::newRow("unchanged the next day") << QStringLiteral("0:A:W 1:A:U 5:A:U") << 1 << true;
    QTest::newRow("changed the next day") << QStringLiteral("0:A:W 1:AB:W 2:B:W") << 3 << true;
    QTest::newRow("a note removed is a change") << QStringLiteral("0:AB:W 3:A:W") << 2 << true;
    QTest::newRow("all notes removed is a change") << QStringLiteral("0:A:W 1::W") << 2 << true;
    QTest::newRow("an old file put back is a change")
        << QStringLiteral("0:A:W 1:^B:W") << 2 << true;
    QString twenty;
    for (int day = 0; day < 20; ++day)
        twenty += QStringLiteral("%1:%2:W ").arg(day).arg(QString(QChar(u'A' + day)));
    QTest::newRow("twenty changed days keep fourteen")
        << twenty.trimmed() << snapshots::Kept << true;
}

void TestSnapshots::oneADayOnlyWhenChanged() {
    QFETCH(QString, steps);
    QFETCH(int, days);
    QFETCH(bool, events);
    const QDate start(2026, 3, 1);
    QList<QDate> written;
    QString lastTitles;
    write(m_files->dat[1], events ? notes(QStringLiteral("E"), 1) : QByteArray());
    for (const QString& step : steps.split(QLatin1Char(' '))) {
        QStringList parts = step.split(QLatin1Char(':'));
        const QDate day = start.addDays(parts.at(0).toInt());
        if (parts.at(1).startsWith(QLatin1Char('^'))) {
            const QString older = m_files->dat[0] + QStringLiteral(".old");
            write(older, notes(parts.at(1).mid(1)));
            QFile aged(older);
            QVERIFY(aged.open(QIODevice::ReadWrite) &&
                    aged.setFileTime(QDateTime(start.addDays(-30), QTime(12, 0)),
                                     QFileDevice::FileModificationTime));
            aged.close();
            QVERIFY(QFile::remove(m_files->dat[0]) && QFile::rename(older, m_files->dat[0]));
            parts[1].remove(0, 1);
        } else {
            write(m_files->dat[0], notes(parts.at(1)));
        }
        const auto outcome = snapshots::takeDaily(m_files->dat, m_snapshots, day);
        const QString code = outcome == snapshots::Outcome::Written        ? QStringLiteral("W")
                             : outcome == snapshots::Outcome::AlreadyToday ? QStringLiteral("T")
                             : outcome == snapshots::Outcome::Unchanged    ? QStringLiteral("U")
                                                                           : QStringLiteral("F");
        QCOMPARE(code + QLatin1Char(' ') + step, parts.at(2) + QLatin1Char(' ') + step);
        if (outcome == snapshots::Outcome::Written) {
            written.prepend(day);
            lastTitles = parts.at(1);
        }
    }
    const QList<snapshots::Snapshot> kept = snapshots::list(m_snapshots);
    QCOMPARE(kept.size(), days);
    QCOMPARE(QDir(m_snapshots).entryList(QDir::Files).size(), days * 2);
    if (days == 0)
        return;
    // Newest first, the newest as it was written, private to the user.
    QList<QDate> keptDays;
    for (const snapshots::Snapshot& s : kept)
        keptDays.append(s.date);
    QCOMPARE(keptDays, written.first(days));
    QCOMPARE(kept.first().noteCounts[0], lastTitles.size());
    QCOMPARE(kept.first().noteCounts[1], events ? 1 : 0);
    QCOMPARE(read(kept.first().files[0]), notes(lastTitles));
    QCOMPARE(QFileInfo(kept.first().files[0]).permissions() & QFile::ReadOther,
             QFileDevice::Permissions());
}

void TestSnapshots::restoredNotesGoToTheImportFiles() {
    QDir().mkpath(m_snapshots);
    // A record of the events list inside the normal list's file is not a note of it.
    write(m_files->dat[0], notes(QStringLiteral("AB")) + notes(QStringLiteral("X"), 1));
    write(m_files->dat[1], notes(QStringLiteral("E"), 1));
    QCOMPARE(snapshots::takeDaily(m_files->dat, m_snapshots, QDate(2026, 3, 1)),
             snapshots::Outcome::Written);
    const QList<snapshots::Snapshot> kept = snapshots::list(m_snapshots);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept.first().noteCounts[0], 2);
    const QList<snapshots::StoredNote> stored = snapshots::notesOf(kept.first());
    QCOMPARE(stored.size(), 3);
    QCOMPARE(stored.at(1).title, QStringLiteral("B"));
    QCOMPARE(stored.at(1).text, QStringLiteral("text of B"));
    QCOMPARE(stored.at(2).list, 1);

    // An import file left from before is added to, not replaced.
    write(m_files->imp[0], notes(QStringLiteral("P")));
    QList<snapshots::StoredNote> chosen = {stored.at(1), stored.at(2)};
    // A quick-help title would make the load replace the current note of that title.
    chosen[0].record.replace(layout::Title, 12, QByteArrayLiteral("Quick help B"));
    QVERIFY(snapshots::addToImport(chosen, *m_files));
    const QByteArray imported = read(m_files->imp[0]);
    QCOMPARE(imported.size(), 2 * layout::RecordSize);
    QCOMPARE(imported.left(layout::RecordSize), notes(QStringLiteral("P")));
    const auto restored = recordcodec::decode(imported.mid(layout::RecordSize));
    QVERIFY(restored);
    QCOMPARE(restored->record.trimmedTitle(), QStringLiteral("Restored Quick help B"));
    QCOMPARE(read(m_files->imp[1]), chosen.at(1).record);
}

QB_TEST_CLASS(TestSnapshots)
#include "tst_snapshots.moc"
