#include "platform/errors.h"
#include "platform/fileio.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/testing/fakefilesystem.h"
#include "platform/testing/testmain.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void codecRoundTrip_data();
    void codecRoundTrip();
    void decodeRules();
    void oleDates_data();
    void oleDates();
    void programFolderPaths();
    void readOnlyFileRefusedEvenForRoot();
    void missingFileIsError53();
    void errorNumberFormat();
    void replaceFileKeepsModeAndLink_data();
    void replaceFileKeepsModeAndLink();
    void replaceFileFailureLeavesOldFile_data();
    void replaceFileFailureLeavesOldFile();
};

void TestPlatform::codecRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width"); // -1: no fixed width
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("back");
    const QByteArray mark("\xEF\xBB\xBF");
    const auto row = [](const char* name, const QString& text, int width, const QByteArray& bytes,
                        const QString& back) {
        QTest::newRow(name) << text << width << bytes << back;
    };
    row("ascii", QStringLiteral("Hello"), -1, "Hello", QStringLiteral("Hello"));
    row("western", QString::fromUtf8("Café €"), -1, "Caf\xE9 \x80", QString::fromUtf8("Café €"));
    // DF 85 is also valid UTF-8 ("߅"): without the mark it is Windows-1252.
    row("bytes that look like UTF-8", QString::fromUtf8("Gruß…"), -1, "Gru\xDF\x85",
        QString::fromUtf8("Gruß…"));
    row("no-break space", QString::fromUtf8("a\u00A0b"), -1,
        "a\xA0"
        "b",
        QString::fromUtf8("a\u00A0b"));
    row("cjk", QString::fromUtf8("日本"), -1, mark + QString::fromUtf8("日本").toUtf8(),
        QString::fromUtf8("日本"));
    row("emoji", QString::fromUtf8("📝"), -1, mark + QByteArray("\xF0\x9F\x93\x9D"),
        QString::fromUtf8("📝"));
    row("empty", QString(), -1, QByteArray(), QString());
    // Widths count bytes, the mark included; a cut never splits a character.
    row("fixed, mark included", QString::fromUtf8("ab日本"), 8,
        mark + QByteArray("ab") + QString::fromUtf8("日").toUtf8(), QString::fromUtf8("ab日"));
    row("fixed, no room for the mark", QString::fromUtf8("é日"), 2, "\xE9 ", QStringLiteral("é"));
    row("fixed, mark alone would fit", QString::fromUtf8("日"), 4, "    ", QString());
    row("fixed, padded", QStringLiteral("abc"), 5, "abc  ", QStringLiteral("abc"));
    row("fixed, cut", QStringLiteral("abcdef"), 4, "abcd", QStringLiteral("abcd"));
}

void TestPlatform::codecRoundTrip() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, back);
    if (width < 0) {
        QCOMPARE(textcodec::encode(text), bytes);
        QCOMPARE(textcodec::decode(bytes), back);
    } else {
        QCOMPARE(textcodec::encodeFixed(text, width), bytes);
        QCOMPARE(textcodec::decodeFixed(bytes), back);
    }
}

void TestPlatform::decodeRules() {
    // A key and then a value on one line: the mark starts the UTF-8 part.
    QCOMPARE(
        textcodec::decode(QByteArray("key\xE9 \xEF\xBB\xBF") + QString::fromUtf8("日").toUtf8()),
        QString::fromUtf8("keyé 日"));
    // Files written by others are guessed.
    QCOMPARE(textcodec::decodeForeign(QByteArray("Gru\xC3\x9F")), QString::fromUtf8("Gruß"));
    QCOMPARE(textcodec::decodeForeign(QByteArray("\xEF\xBB\xBF"
                                                 "a")),
             QStringLiteral("a"));
    QCOMPARE(textcodec::decodeForeign(QByteArray("\xE9t\xE9")), QString::fromUtf8("été"));
}

void TestPlatform::oleDates_data() {
    QTest::addColumn<QDateTime>("dt");
    QTest::addColumn<double>("ole");
    QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
    QTest::newRow("noon") << QDateTime(QDate(1900, 1, 1), QTime(12, 0)) << 2.5;
    QTest::newRow("2024") << QDateTime(QDate(2024, 3, 15), QTime(6, 0)) << 45366.25;
    QTest::newRow("before epoch") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
}

void TestPlatform::oleDates() {
    QFETCH(QDateTime, dt);
    QFETCH(double, ole);
    QCOMPARE(oledate::fromDateTime(dt), ole);
    QCOMPARE(oledate::toDateTime(ole), dt);
}

void TestPlatform::programFolderPaths() {
    const ProgramFolder folder(QStringLiteral("/opt/qb"));
    QCOMPARE(folder.path(), QStringLiteral("/opt/qb/"));
    QCOMPARE(folder.resolve(QStringLiteral(" pic.png ")), QStringLiteral("/opt/qb/pic.png"));
    QCOMPARE(folder.resolve(QStringLiteral("/tmp/pic.png")), QStringLiteral("/tmp/pic.png"));
    QCOMPARE(folder.resolve(QStringLiteral("C:\\pics\\a.bmp")), QStringLiteral("C:\\pics\\a.bmp"));
    QCOMPARE(folder.storedForm(QStringLiteral("/opt/qb/pic.png")), QStringLiteral("pic.png"));
    QCOMPARE(folder.storedForm(QStringLiteral("/opt/qb/sub/pic.png")),
             QStringLiteral("/opt/qb/sub/pic.png"));
    QCOMPARE(ProgramFolder::folderPart(QStringLiteral("a\\b/c.txt")), QStringLiteral("a\\b/"));
    QCOMPARE(ProgramFolder::folderPart(QStringLiteral("c.txt")), QString());
}

void TestPlatform::readOnlyFileRefusedEvenForRoot() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ro.dat"));
    QVERIFY(!fileio::writeAll(path, QByteArray("abc")));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const IoError e = fileio::appendBytes(path, QByteArray("x"));
    QCOMPARE(e.number, errnum::PermissionDenied);
    fileio::RecordFile f;
    QCOMPARE(f.open(path, fileio::RecordFile::Mode::ReadWrite).number, errnum::PermissionDenied);
    QVERIFY(!fileio::isWritable(path));
    QByteArray back;
    QVERIFY(!fileio::readAll(path, back));
    QCOMPARE(back, QByteArray("abc"));
}

void TestPlatform::missingFileIsError53() {
    QTemporaryDir dir;
    QByteArray out;
    const IoError e = fileio::readAll(dir.filePath(QStringLiteral("none")), out);
    QCOMPARE(e.number, errnum::FileNotFound);
    QCOMPARE(e.description, QStringLiteral("File not found"));
    QCOMPARE(fileio::removeFile(dir.filePath(QStringLiteral("none"))).number, errnum::FileNotFound);
}

void TestPlatform::errorNumberFormat() {
    QCOMPARE(formatErrorNumber(53), QStringLiteral(" 53"));
    QCOMPARE(formatErrorNumber(-5), QStringLiteral("-5"));
}

void TestPlatform::replaceFileKeepsModeAndLink_data() {
    QTest::addColumn<int>("oldMode"); // -1: no file yet
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<int>("modeAfter");
    QTest::newRow("new file") << -1 << false << 0600;
    QTest::newRow("mode 0640 kept") << 0640 << false << 0640;
    QTest::newRow("through a link") << 0604 << true << 0604;
    QTest::newRow("through a link to a missing file") << -1 << true << 0600;
}

void TestPlatform::replaceFileKeepsModeAndLink() {
    QFETCH(int, oldMode);
    QFETCH(bool, throughLink);
    QFETCH(int, modeAfter);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("synced")));
    const QString target = dir.filePath(QStringLiteral("synced/settings.ini"));
    const QString path = throughLink ? dir.filePath(QStringLiteral("settings.ini")) : target;
    if (throughLink)
        QVERIFY(QFile::link(QStringLiteral("synced/settings.ini"), path));
    if (oldMode >= 0) {
        QVERIFY(!fileio::writeAll(target, QByteArray("old")));
        QVERIFY(::chmod(QFile::encodeName(target).constData(), static_cast<mode_t>(oldMode)) == 0);
    }

    QVERIFY(!fileio::replaceFile(path, QByteArray("new"), 0600));

    QByteArray back;
    QVERIFY(!fileio::readAll(target, back));
    QCOMPARE(back, QByteArray("new"));
    QCOMPARE(QFileInfo(path).isSymLink(), throughLink);
    QCOMPARE(fileio::realFileSystem().permissions(target), modeAfter);
    QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files),
             QStringList{QStringLiteral("settings.ini")});
}

void TestPlatform::replaceFileFailureLeavesOldFile_data() {
    using Op = FakeFileSystem::Op;
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("error");
    QTest::newRow("open, permission") << int(Op::Open) << 70;
    QTest::newRow("write, disk full") << int(Op::Write) << 61;
    QTest::newRow("sync, device") << int(Op::Sync) << 57;
    QTest::newRow("rename") << int(Op::Rename) << 70;
    QTest::newRow("read-only file") << -1 << 70;
}

void TestPlatform::replaceFileFailureLeavesOldFile() {
    QFETCH(int, op);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    QVERIFY(!fileio::writeAll(path, QByteArray("old")));
    FakeFileSystem fs;
    if (op >= 0)
        fs.faults.append({FakeFileSystem::Op(op), 1, error, {}});
    else
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));

    QCOMPARE(fileio::replaceFile(fs, path, QByteArray("new")).number, error);

    QByteArray back;
    QVERIFY(!fileio::readAll(path, back));
    QCOMPARE(back, QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.ini")});
    // The bytes are on disk before they take the file's name.
    if (op < 0)
        return;
    const int synced = fs.log.indexOf(QStringLiteral("sync ") + path + QStringLiteral(".tmp"));
    const int renamed = fs.log.indexOf(QRegularExpression(QStringLiteral("rename .*")));
    if (op == int(FakeFileSystem::Op::Rename))
        QVERIFY(synced >= 0 && synced < renamed);
}

QB_TEST_CLASS(TestPlatform)
#include "tst_platform.moc"
