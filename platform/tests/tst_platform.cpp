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
    void westernTextIsWindows1252();
    void fixedFieldsCutOnCharacterBoundary();
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
    QTest::newRow("ascii") << QStringLiteral("Hello, world");
    QTest::newRow("western") << QString::fromUtf8("Café € œ — “quotes”");
    QTest::newRow("cjk") << QString::fromUtf8("日本語 ✓ €");
    QTest::newRow("emoji") << QString::fromUtf8("note 📝 done");
    QTest::newRow("empty") << QString();
}

void TestPlatform::codecRoundTrip() {
    QFETCH(QString, text);
    QCOMPARE(textcodec::decode(textcodec::encode(text)), text);
}

void TestPlatform::westernTextIsWindows1252() {
    const QByteArray bytes = textcodec::encode(QString::fromUtf8("Café €"));
    QCOMPARE(bytes, QByteArray("Caf\xE9 \x80"));
    // Bytes that are not valid UTF-8 read as Windows-1252.
    QCOMPARE(textcodec::decode(QByteArray("\xE9t\xE9")), QString::fromUtf8("été"));
}

void TestPlatform::fixedFieldsCutOnCharacterBoundary() {
    const QByteArray field = textcodec::encodeFixed(QString::fromUtf8("ab日本"), 6);
    QCOMPARE(field.size(), 6);
    // "日" takes three bytes: the second one does not fit and is dropped whole.
    QCOMPARE(textcodec::decodeFixed(field), QString::fromUtf8("ab日"));
    QCOMPARE(textcodec::encodeFixed(QStringLiteral("abc"), 5), QByteArray("abc  "));
    QCOMPARE(textcodec::encodeFixed(QStringLiteral("abcdef"), 4), QByteArray("abcd"));
    // A cut that leaves only Western characters is stored as Windows-1252 again.
    QCOMPARE(textcodec::encodeFixed(QString::fromUtf8("é日"), 2), QByteArray("\xE9 "));
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
