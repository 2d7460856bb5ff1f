#include "platform/appstore.h"
#include "platform/autostart.h"
#include "platform/errors.h"
#include "platform/fileio.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "platform/testing/fakefilesystem.h"
#include "platform/testing/testmain.h"
#include "platform/textcodec.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>

namespace {

QByteArray readBack(const QString& path) {
    QByteArray bytes;
    return fileio::readAll(path, bytes) ? QByteArray("unreadable") : bytes;
}

QByteArray desktopFile() {
    return readBack(autostart::desktopFilePath());
}

} // namespace

// The text codec, dates, files, the one instance per program folder, the session's request to
// end, the start-with-the-session entry and the program's own stored values.
class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void codecRoundTrip_data();
    void codecRoundTrip();
    void decodeRules();
    void oleDates_data();
    void oleDates();
    void programFolderPaths();
    void errorsOfFileOperations();
    void replaceFileKeepsModeAndLink_data();
    void replaceFileKeepsModeAndLink();
    void replaceFileFailureLeavesOldFile_data();
    void replaceFileFailureLeavesOldFile();
    void secondInstanceAsksTheFirstToShow();
    void theFolderItselfIsLocked();
    void terminationBecomesAQuitRequest_data();
    void terminationBecomesAQuitRequest();
    void onlyOneRouterAtATime();
    void runValueRoundTrips_data();
    void runValueRoundTrips();
    void disabledEntryReadsEmpty_data();
    void disabledEntryReadsEmpty();
    void storesFollowTheEnvironment();

private:
    QTemporaryDir m_runtime;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPlatform::initTestCase() {
    // Locks and sockets of the test go to a folder of its own.
    QVERIFY(m_runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
}

void TestPlatform::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", m_dir->path().toUtf8());
    qputenv("HOME", m_dir->path().toUtf8());
}

void TestPlatform::codecRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width"); // -1: no fixed width
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("back");
    const QByteArray mark("\xEF\xBB\xBF");
    const auto row = [](const char* name, const char* text, int width, const QByteArray& bytes,
                        const char* back) {
        QTest::newRow(name) << QString::fromUtf8(text) << width << bytes << QString::fromUtf8(back);
    };
    // DF 85 is also valid UTF-8 ("߅"): without the mark it is Windows-1252.
    row("bytes that look like UTF-8", "Gruß…", -1, "Gru\xDF\x85", "Gruß…");
    row("no-break space", "a\u00A0b", -1, QByteArray("a\xA0") + 'b', "a\u00A0b");
    row("cjk", "日本", -1, mark + QString::fromUtf8("日本").toUtf8(), "日本");
    row("empty", "", -1, QByteArray(), "");
    // Widths count bytes, the mark included; a cut never splits a character.
    row("fixed, mark included", "ab日本", 8, mark + "ab" + QString::fromUtf8("日").toUtf8(),
        "ab日");
    row("fixed, no room for the mark", "é日", 2, "\xE9 ", "é");
    row("fixed, mark alone would fit", "日", 4, "    ", "");
    row("fixed, cut", "abcdef", 4, "abcd", "abcd");
    // The mark's three characters are Western text inside a field, and a text that begins
    // with them goes as UTF-8; the unassigned bytes come back as they were.
    row("fixed, the mark's characters inside", "aï»¿é", 8, "a\xEF\xBB\xBF\xE9   ", "aï»¿é");
    row("the mark's characters first", " ï»¿é", -1, mark + QString::fromUtf8(" ï»¿é").toUtf8(),
        " ï»¿é");
    // A text that begins with U+FEFF keeps it behind the field's own mark.
    const QString feff = QString(QChar(0xFEFF)) + u'x';
    QTest::newRow("text's own U+FEFF") << feff << 8 << (mark + mark + "x ") << feff;
    row("unassigned bytes", "\u0081\u008D\u008F\u0090\u009D", -1, "\x81\x8D\x8F\x90\x9D",
        "\u0081\u008D\u008F\u0090\u009D");
}

void TestPlatform::codecRoundTrip() {
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, back);
    QCOMPARE(width < 0 ? textcodec::encode(text) : textcodec::encodeFixed(text, width), bytes);
    QCOMPARE(width < 0 ? textcodec::decode(bytes) : textcodec::decodeFixed(bytes), back);
}

void TestPlatform::decodeRules() {
    // A key and then a value on one line: the mark starts the UTF-8 part.
    QCOMPARE(
        textcodec::decode(QByteArray("key\xE9 \xEF\xBB\xBF") + QString::fromUtf8("日").toUtf8()),
        QString::fromUtf8("keyé 日"));
    // A field is UTF-8 when it starts with the mark, after blanks only.
    QCOMPARE(textcodec::decodeFixed(QByteArray(" \xEF\xBB\xBF") + QString::fromUtf8("日").toUtf8()),
             QString::fromUtf8(" 日"));
    QCOMPARE(textcodec::decodeFixed("x\xEF\xBB\xBF\xE9"), QString::fromUtf8("xï»¿é"));
    // A character cut short at the end reads as U+FFFD, not as nothing.
    QCOMPARE(textcodec::decodeFixed("\xEF\xBB\xBFx\xEA"), QStringLiteral("x\uFFFD"));
    // Files written by others are guessed.
    QCOMPARE(textcodec::decodeForeign("Gru\xC3\x9F"), QString::fromUtf8("Gruß"));
    QCOMPARE(textcodec::decodeForeign("\xEF\xBB\xBF"
                                      "a"),
             QStringLiteral("a"));
    QCOMPARE(textcodec::decodeForeign("\xE9t\xE9"), QString::fromUtf8("été"));
}

void TestPlatform::oleDates_data() {
    QTest::addColumn<QDateTime>("dt");
    QTest::addColumn<double>("ole");
    QTest::newRow("noon") << QDateTime(QDate(1900, 1, 1), QTime(12, 0)) << 2.5;
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
    QCOMPARE(folder.resolve(QStringLiteral(" pic.png ")), QStringLiteral("/opt/qb/pic.png"));
    QCOMPARE(folder.resolve(QStringLiteral("/tmp/pic.png")), QStringLiteral("/tmp/pic.png"));
    QCOMPARE(folder.resolve(QStringLiteral("C:\\pics\\a.bmp")), QStringLiteral("C:\\pics\\a.bmp"));
    QCOMPARE(folder.storedForm(QStringLiteral("/opt/qb/pic.png")), QStringLiteral("pic.png"));
    QCOMPARE(folder.storedForm(QStringLiteral("/opt/qb/sub/pic.png")),
             QStringLiteral("/opt/qb/sub/pic.png"));
    QCOMPARE(ProgramFolder::folderPart(QStringLiteral("a\\b/c.txt")), QStringLiteral("a\\b/"));
}

void TestPlatform::errorsOfFileOperations() {
    // A missing file is error 53, shown as " 53".
    const QString missing = m_dir->filePath(QStringLiteral("none"));
    QByteArray out;
    const IoError e = fileio::readAll(missing, out);
    QCOMPARE(e.number, errnum::FileNotFound);
    QCOMPARE(e.description, QStringLiteral("File not found"));
    QCOMPARE(fileio::removeFile(missing).number, errnum::FileNotFound);
    QCOMPARE(formatErrorNumber(53) + formatErrorNumber(-5), QStringLiteral(" 53-5"));
    // A read-only file is refused, even when running as root.
    const QString path = m_dir->filePath(QStringLiteral("ro.dat"));
    QVERIFY(!fileio::writeAll(path, QByteArray("abc")));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(fileio::appendBytes(path, QByteArray("x")).number, errnum::PermissionDenied);
    fileio::RecordFile f;
    QCOMPARE(f.open(path, fileio::RecordFile::Mode::ReadWrite).number, errnum::PermissionDenied);
    QVERIFY(!fileio::isWritable(path));
    QCOMPARE(readBack(path), QByteArray("abc"));
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
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("synced")));
    const QString target = m_dir->filePath(QStringLiteral("synced/settings.ini"));
    const QString path = throughLink ? m_dir->filePath(QStringLiteral("settings.ini")) : target;
    if (throughLink)
        QVERIFY(QFile::link(QStringLiteral("synced/settings.ini"), path));
    if (oldMode >= 0) {
        QVERIFY(!fileio::writeAll(target, QByteArray("old")));
        QVERIFY(::chmod(QFile::encodeName(target).constData(), static_cast<mode_t>(oldMode)) == 0);
    }
    QVERIFY(!fileio::replaceFile(path, QByteArray("new"), 0600));
    QCOMPARE(readBack(target), QByteArray("new"));
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
    const QString path = m_dir->filePath(QStringLiteral("a.ini"));
    QVERIFY(!fileio::writeAll(path, QByteArray("old")));
    FakeFileSystem fs;
    if (op >= 0)
        fs.faults.append({FakeFileSystem::Op(op), 1, error, {}});
    else
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    QCOMPARE(fileio::replaceFile(fs, path, QByteArray("new")).number, error);
    QCOMPARE(readBack(path), QByteArray("old"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("a.ini")});
    // The bytes are on disk before they take the file's name.
    const qsizetype synced =
        fs.log.indexOf(QStringLiteral("sync ") + path + QStringLiteral(".tmp"));
    if (op == int(FakeFileSystem::Op::Rename))
        QVERIFY(synced >= 0 &&
                synced < fs.log.indexOf(QRegularExpression(QStringLiteral("rename .*"))));
}

void TestPlatform::secondInstanceAsksTheFirstToShow() {
    // The key follows the canonical folder.
    const QString key = SingleInstance::keyFor(m_dir->path());
    QCOMPARE(SingleInstance::keyFor(m_dir->path() + QStringLiteral("/sub/..//")), key);
    QVERIFY(SingleInstance::serverName(key).startsWith(m_runtime.path()));
    QVERIFY(!SingleInstance::askRunningToShow(key));
    {
        // The socket a crashed run leaves behind does not block.
        QFile socket(SingleInstance::serverName(key));
        QVERIFY(socket.open(QIODevice::WriteOnly));
    }
    auto first = std::make_unique<SingleInstance>(m_dir->path());
    QSignalSpy shown(first.get(), &SingleInstance::showRequested);
    QCOMPARE(first->tryAcquire(), SingleInstance::Acquire::Acquired);
    SingleInstance second(m_dir->path());
    QCOMPARE(second.tryAcquire(), SingleInstance::Acquire::HeldByAnother);
    QVERIFY(!second.isAcquired());
    QVERIFY(SingleInstance::askRunningToShow(key));
    QTRY_COMPARE(shown.count(), 1);
    // Another folder is another program.
    QTemporaryDir other;
    QCOMPARE(SingleInstance(other.path()).tryAcquire(), SingleInstance::Acquire::Acquired);
    // A released instance makes way for the next one, which answers requests.
    first.reset();
    SingleInstance next(m_dir->path());
    QSignalSpy nextShown(&next, &SingleInstance::showRequested);
    QCOMPARE(next.tryAcquire(), SingleInstance::Acquire::Acquired);
    QVERIFY(SingleInstance::askRunningToShow(key));
    QTRY_COMPARE(nextShown.count(), 1);
}

void TestPlatform::theFolderItselfIsLocked() {
    SingleInstance first(m_dir->path());
    QCOMPARE(first.tryAcquire(), SingleInstance::Acquire::Acquired);
    // Another runtime folder (another login, a sandbox) or another way to the same folder
    // (a link, a bind mount) still finds it taken.
    QTemporaryDir otherRuntime;
    qputenv("XDG_RUNTIME_DIR", otherRuntime.path().toUtf8());
    QCOMPARE(SingleInstance(m_dir->path()).tryAcquire(), SingleInstance::Acquire::HeldByAnother);
    qunsetenv("XDG_RUNTIME_DIR");
    const QString link = otherRuntime.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(m_dir->path(), link));
    QCOMPARE(SingleInstance(link).tryAcquire(), SingleInstance::Acquire::HeldByAnother);
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
    // A folder that cannot be opened is an error to show, not another running copy.
    SingleInstance missing(m_dir->filePath(QStringLiteral("gone")));
    QCOMPARE(missing.tryAcquire(), SingleInstance::Acquire::Failed);
    QCOMPARE(missing.error().number, 53);
}

void TestPlatform::terminationBecomesAQuitRequest_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestPlatform::terminationBecomesAQuitRequest() {
    QFETCH(int, signalNumber);
    SessionEnd sessionEnd;
    QVERIFY(sessionEnd.isInstalled());
    QSignalSpy quit(&sessionEnd, &SessionEnd::quitRequested);
    // The process survives the signal, every time: it only asks for the orderly shutdown.
    QCOMPARE(::raise(signalNumber), 0);
    QTRY_COMPARE(quit.count(), 1);
    QCOMPARE(::raise(signalNumber), 0);
    QTRY_COMPARE(quit.count(), 2);
}

void TestPlatform::onlyOneRouterAtATime() {
    auto first = std::make_unique<SessionEnd>();
    QVERIFY(first->isInstalled() && !SessionEnd().isInstalled());
    first.reset();
    SessionEnd third;
    QVERIFY(third.isInstalled());
    QSignalSpy quit(&third, &SessionEnd::quitRequested);
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_COMPARE(quit.count(), 1);
}

void TestPlatform::runValueRoundTrips_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("space") << QStringLiteral("/home/me/My Apps/quillaboard")
                           << QStringLiteral("\"/home/me/My Apps/quillaboard\"");
    QTest::newRow("reserved") << QStringLiteral("/srv/a$b`c\"d\\e/quillaboard")
                              << QStringLiteral(
                                     "\"/srv/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e/quillaboard\"");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/quillaboard")
                             << QStringLiteral("/opt/100%%/quillaboard");
    QTest::newRow("non-ASCII") << QStringLiteral("/home/zoë/bin/quillaboard")
                               << QStringLiteral("/home/zoë/bin/quillaboard");
}

void TestPlatform::runValueRoundTrips() {
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QVERIFY(autostart::readRunValue().isEmpty() && autostart::removeRunValue());
    QVERIFY(!autostart::writeRunValue(QString()));
    // Registering again replaces the entry.
    QVERIFY(autostart::writeRunValue(QStringLiteral("/old/quillaboard")));
    QVERIFY(autostart::writeRunValue(path));
    QCOMPARE(autostart::readRunValue(), path);
    QVERIFY(desktopFile().contains(QByteArray("\nExec=") + exec.toUtf8() + '\n'));
    QVERIFY(autostart::removeRunValue());
    QVERIFY(!QFile::exists(autostart::desktopFilePath()));
    QVERIFY(autostart::readRunValue().isEmpty());
}

void TestPlatform::disabledEntryReadsEmpty_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("value");
    QTest::newRow("hidden") << QByteArray("[Desktop Entry]\nExec=/a/b\nHidden=true\n") << QString();
    QTest::newRow("switched off")
        << QByteArray("[Desktop Entry]\nExec=/a/b\nX-GNOME-Autostart-enabled=false\n") << QString();
    QTest::newRow("other group")
        << QByteArray("[Desktop Action x]\nExec=/x\n[Desktop Entry]\nExec=/a/b --tray\n")
        << QStringLiteral("/a/b");
    QTest::newRow("unterminated quote")
        << QByteArray("[Desktop Entry]\nExec=\"/a/b\n") << QString();
}

void TestPlatform::disabledEntryReadsEmpty() {
    QFETCH(QByteArray, content);
    QFETCH(QString, value);
    QVERIFY(QDir().mkpath(m_dir->path() + QStringLiteral("/autostart")));
    QVERIFY(!fileio::writeAll(autostart::desktopFilePath(), content));
    QCOMPARE(autostart::readRunValue(), value);
}

void TestPlatform::storesFollowTheEnvironment() {
    // The program folder's own value.
    QVERIFY(appstore::readValue(appstore::PathValue).isEmpty());
    const QString folder = QStringLiteral("/home/me/Quill board; v=2 #1");
    QVERIFY(appstore::writeValue(appstore::PathValue, folder));
    QCOMPARE(appstore::readValue(appstore::PathValue), folder);
    QCOMPARE(appstore::storeFilePath(),
             m_dir->path() + QStringLiteral("/Quillaboard/Quillaboard.conf"));
    QVERIFY(appstore::removeValue(appstore::PathValue) &&
            appstore::removeValue(appstore::PathValue));
    QVERIFY(appstore::readValue(appstore::PathValue).isEmpty());
    // Another configuration folder is another user's.
    QVERIFY(autostart::writeRunValue(QStringLiteral("/first/quillaboard")));
    QTemporaryDir other;
    qputenv("XDG_CONFIG_HOME", other.path().toUtf8());
    QVERIFY(autostart::readRunValue().isEmpty());
    // A relative value is no configuration folder: the home folder's ~/.config is used.
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    QCOMPARE(autostart::desktopFilePath(),
             m_dir->path() + QStringLiteral("/.config/autostart/Quillaboard.desktop"));
}

QB_TEST_CLASS(TestPlatform)
QB_TEST_GUILESS_MAIN
#include "tst_platform.moc"
