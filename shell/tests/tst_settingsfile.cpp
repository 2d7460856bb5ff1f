#include "localisation/translator.h"
#include "platform/autostart.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "platform/textcodec.h"
#include "shell/settingsfile.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString Exe = QStringLiteral("/opt/quill board/quillaboard");
const QString French = QStringLiteral("French (by A)");

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A line as a user may have typed it: the key padded, the value as it comes.
QByteArray line(const QByteArray& key, const QByteArray& value) {
    return key.leftJustified(20) + value + "\r\n";
}

// Every key the file holds, in its order, each with a value other than its default.
const char* const EveryKey =
    "[Version]3.2.0|[DebugMode]1|[ShowTooltips]2|[Language]French (by A)|[posStartupTop]1234.5|"
    "[posStartupLeft]4321|[frmStartupVisible]1|[DefautTop]1234567|[DefautHeight]2222.25|"
    "[DefautWidth]3333|[DefautLeft]44|[DefautFontName]DejaVu Sans|[DefautFontSize]10.5|"
    "[DefautFontBold]1|[DefautFontItalic]1|[DefautFontUnderl]1|[DefautBackColor]65518|"
    "[DefautForeColor]-2147483630|[DefautAlwaysOnTop]1|[DefautShowScrollb]1|[DefautShowTitle]1|"
    "[DefautRollup]1|[DefautRollHeight]375|[DefautAutoRoll]1|[DefautAutoDim]1|"
    "[DefautImageMode]-2|[SetupAutoSave]1|[SetupAutoRefresh]1|[SetupMoveNotes]1|"
    "[SetupRandomColor]1|[AnimateNote]1|[ConfirmDelete]1|[SetupAutoSaveTime]15|"
    "[SetupAutoRefrTime]8|[DefautAlarmFreq]6|[DefautAlarmPrev]-30|[DefautAlarmPrevTp]M|"
    "[DefautAlarmPlaySd]1|[DefautAlarmSndFil]ding.wav|[DefautAlarmExecut]1|"
    "[DefautAlarmExeFil]/usr/bin/run this|[DefautAlarmShow]1|[MailCheckNet]1|[MailCheck]1|"
    "[MailFreqCheck]15|[MailUserName]me|[MailPassword]p a s s|[MailServer]pop.example.net|"
    "[MailPort]995|[MailSilent]1|[MailPlaySound]1|[MailWavFile]mail.wav|"
    "[PictureDir]/home/me/Pictures/|[NetEnable]1|[NetPlaySound]1|[NetWavFile]net.wav|"
    "[AutoDimValue]128|[PrefixNewNote]Idée ï»¿ é|[posSNotifyTop]300|[posSNotifyLeft]400|"
    "[DetMailWindow]1,2,3,4|[MailDetailWindow]5,6,7,8|[MultiScreens]1|"
    "[MailProgram]/usr/bin/mailer|[NetID]東京 Ōsaka|[End of INI]";

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void everyKeyRoundTripsInFixedWidthLines();
    void valuesOutsideTheirRulesKeepThePreviousOnes_data();
    void valuesOutsideTheirRulesKeepThePreviousOnes();
    void problemFiles_data();
    void problemFiles();
    void writesOnlyChangesThroughLinksAndReportsFailures();
    void fillDefaults();

private:
    [[nodiscard]] QString iniPath() const { return m_dir->filePath(SettingsFileName); }
    void writeIni(const QByteArray& bytes);
    void read(const QString& runValue = QStringLiteral("x"));
    std::unique_ptr<QTemporaryDir> m_dir;
    FakeMessageSink m_messages;
    FakeDiagnosticLog m_log;
    Translator m_translator;
    Settings m_settings;
    ProgramState m_state;
    std::unique_ptr<SettingsFile> m_file;
};

void TestSettingsFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The autostart entry of a first run goes here, never into the real home folder.
    qputenv("XDG_CONFIG_HOME", m_dir->path().toUtf8());
    qputenv("HOME", m_dir->path().toUtf8());
    m_messages = FakeMessageSink();
    m_settings = Settings();
    m_state = ProgramState();
    m_file = std::make_unique<SettingsFile>(ProgramFolder(m_dir->path()), m_messages, m_translator,
                                            &m_log);
    QVERIFY(autostart::removeRunValue());
}

void TestSettingsFile::writeIni(const QByteArray& bytes) {
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

void TestSettingsFile::read(const QString& runValue) {
    SettingsReadContext context;
    context.screenTwips = QSize(15360, 11520); // 1024 x 768 pixels
    context.managerTwips = QSize(9000, 6000);
    context.languages = {NativeLanguage, French};
    context.runValue = runValue;
    context.executablePath = Exe;
    context.dayName = [](const QDate& date) {
        return date.dayOfWeek() == 7 ? QStringLiteral("Dimanche") : QStringLiteral("samedi");
    };
    m_file->ReadSettings(m_settings, m_state, context);
}

void TestSettingsFile::everyKeyRoundTripsInFixedWidthLines() {
    // Lines of 20 + 128 bytes and CR LF; Western text single-byte, other text marked UTF-8.
    QByteArray original;
    for (const QString& item : QString::fromUtf8(EveryKey).split(QLatin1Char('|'))) {
        const qsizetype end = item.indexOf(QLatin1Char(']')) + 1;
        original += textcodec::encodeFixed(item.left(end), 20) +
                    textcodec::encodeFixed(item.mid(end), 128) + "\r\n";
    }
    writeIni(original);
    read();
    // Exactly: seven significant digits, where six would write 1.23457e+06.
    QVERIFY(m_settings.NoteDefaults.Top == 1234567.0f);
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QCOMPARE(fileBytes(iniPath()), original);
}

void TestSettingsFile::valuesOutsideTheirRulesKeepThePreviousOnes_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("previous");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected"); // as written back, in UTF-8
    const auto row = [](const char* key, const QByteArray& previous, const QByteArray& value,
                        const QByteArray& expected) {
        QTest::addRow("%s %s", key, value.left(16).constData())
            << QByteArray(key) << previous << value << expected;
    };
    // Words for yes and no in any case; a check box has three states.
    row("[ShowTooltips]", "1", "FaUx", "0");
    row("[ShowTooltips]", "0", "2", "2");
    row("[ShowTooltips]", "1", "7", "1");
    row("[MailPassword]", "", "True", "True");
    // Positions lie on the screen of 15360 x 11520 twips, from 1 on.
    row("[posStartupTop]", "100", "11520", "100");
    row("[posStartupTop]", "100", "0.9", "100");
    row("[posStartupLeft]", "200", "12000", "12000");
    row("[posStartupLeft]", "200", "15359.5", "15359.5");
    row("[posSNotifyTop]", "100", "1234,5", "1234.5");
    row("[SetupAutoSaveTime]", "3", "16", "3");
    row("[DefautBackColor]", "77", "4294967296", "77");
    // A dimming level outside 0..255 changes nothing; a negative one would hide the notes.
    row("[AutoDimValue]", "120", "-5", "120");
    row("[AutoDimValue]", "120", "300", "120");
    // Typed fields are cut to their bytes; a marked value is read as UTF-8.
    row("[MailPassword]", "", QByteArray(200, 'p'), QByteArray(128, 'p'));
    row("[DefautFontName]", "", QByteArray(40, 'F'), QByteArray(32, 'F'));
    row("[DefautAlarmExeFil]", "", textcodec::ByteOrderMark + QByteArray("\xC3\xA9").repeated(70),
        QByteArray("\xC3\xA9").repeated(64));
    // A picture folder needs a separator; a language must be one of the list.
    row("[PictureDir]", "/keep/", "Pictures", "/keep/");
    row("[Language]", French.toUtf8(), "Klingon", French.toUtf8());
}

void TestSettingsFile::valuesOutsideTheirRulesKeepThePreviousOnes() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, previous);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    writeIni(line(key, previous) + line(key, value));
    read();
    QCOMPARE(m_messages.count(), 0);
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    const QByteArray written = fileBytes(iniPath());
    const qsizetype at = written.indexOf("\n" + key.leftJustified(20));
    QCOMPARE(textcodec::decode(written.mid(at + 21, 128)).trimmed(), QString::fromUtf8(expected));
}

void TestSettingsFile::problemFiles_data() {
    QTest::addColumn<QByteArray>("bytes"); // none when null, a folder in its place for "/"
    QTest::addColumn<QString>("runValue");
    QTest::addColumn<QString>("text"); // in the one box shown
    QTest::addColumn<bool>("firstRunValues");
    const QByteArray server = line("[MailServer]", "pop.example.net");
    const QByteArray rest = line("[NetID]", "late") + line("[End of INI]", {});
    const QString x = QStringLiteral("x");
    QTest::newRow("first run") << QByteArray() << QString()
                               << QStringLiteral("Please, read the help notes") << true;
    QTest::newRow("missing, registered")
        << QByteArray() << x << QStringLiteral(" 53 : File not found") << true;
    QTest::newRow("unreadable") << QByteArray("/") << x
                                << QStringLiteral("Quillaboard.ini\r\nThe program will") << true;
    // A damaged file is read up to the damage and kept aside before it is ever rewritten.
    QTest::newRow("misspelt key") << server + line("[mailserver]", "x") + rest << x
                                  << QStringLiteral(" : 2: [mailserver]") << false;
    QTest::newRow("empty line") << server + "\r\n" + rest << x << QStringLiteral(" : 2:") << false;
    QTest::newRow("garbage") << QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\xff garbage") << x
                             << QStringLiteral(" : 1:") << true;
    QTest::newRow("huge line") << server + QByteArray(3 << 20, 'x') << x << QStringLiteral(" : 2:")
                               << false;
}

void TestSettingsFile::problemFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, runValue);
    QFETCH(QString, text);
    QFETCH(bool, firstRunValues);
    const bool damaged = bytes.size() > 1;
    if (bytes == "/")
        QVERIFY(QDir(m_dir->path()).mkdir(SettingsFileName));
    else if (damaged)
        writeIni(bytes);
    read(runValue);
    QCOMPARE(m_messages.count(), 1);
    const QString box = m_messages.shown.at(0).text;
    QVERIFY2(box.contains(text), qPrintable(box));
    QVERIFY(m_state.SettingsChanged);
    QCOMPARE(m_settings.txtServeurIP,
             firstRunValues ? QString() : QStringLiteral("pop.example.net"));
    QVERIFY(m_settings.NetID.isEmpty());
    QCOMPARE(m_settings.chkAutoSave, firstRunValues ? 1 : 0);
    if (firstRunValues)
        QCOMPARE(m_settings.posStartupLeft, 15360.0f / 2 - 9000.0f / 2);
    if (bytes.isNull()) // the language of the system's day names
        QCOMPARE(m_settings.Language, French);
    QCOMPARE(autostart::readRunValue(), runValue.isEmpty() ? Exe : QString());
    const QString copy = iniPath() + QStringLiteral(".damaged-") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(box.contains(copy), damaged);
    if (damaged) {
        QVERIFY(m_file->WriteSettings(m_settings, m_state));
        QVERIFY(fileBytes(copy) == bytes);
    }
}

void TestSettingsFile::writesOnlyChangesThroughLinksAndReportsFailures() {
    // The old tray key is passed over, and the last line needs no line break.
    const QByteArray original = line("[RefreshSysIcon]", "1") + "[NetID]             before";
    writeIni(original);
    read();
    QCOMPARE(m_settings.NetID, QStringLiteral("before"));
    QCOMPARE(m_messages.count(), 0);
    m_settings.NetID = QStringLiteral("after");
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QCOMPARE(fileBytes(iniPath()), original);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{SettingsFileName});

    // A failed write keeps the change mark and names the file.
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup));
    m_state.SettingsChanged = true;
    QVERIFY(!m_file->WriteSettings(m_settings, m_state));
    QVERIFY(m_state.SettingsChanged);
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.at(0).text,
             QStringLiteral("error  70\r\nUnable to write in ") + iniPath());
    QCOMPARE(fileBytes(iniPath()), original);

    // Once the file may be written again, the next attempt succeeds. A file the user shares
    // with a group stays so; a link into a synchronised folder stays a link, and the edit
    // reaches its target.
    QTemporaryDir synced;
    const QString target = synced.filePath(SettingsFileName);
    QVERIFY(QFile::rename(iniPath(), target));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(QFile::link(target, iniPath()));
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(!m_state.SettingsChanged);
    QVERIFY(QFileInfo(iniPath()).isSymLink());
    QVERIFY(fileBytes(target).contains("after"));
    QVERIFY(QFile::permissions(target) & QFile::ReadGroup);

    // A new file holds the mail password: the user's alone.
    QVERIFY(QFile::remove(iniPath()));
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QCOMPARE(QFile::permissions(iniPath()),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

void TestSettingsFile::fillDefaults() {
    ::FillDefaults(m_settings, m_state);
    NoteDefaultsRecord& d = m_settings.NoteDefaults;
    QVERIFY(!d.Rollup && !d.AutoRoll && !d.AutoDim);
    QCOMPARE(d.ForeColor, -2147483630); // the button-text system colour
    QVERIFY(m_state.SettingsChanged);
    // What a file gave stays, and complete defaults mark nothing.
    d.AutoDim = true;
    d.AlarmSndFil = QStringLiteral("x.wav");
    ProgramState state;
    ::FillDefaults(m_settings, state);
    QVERIFY(d.AutoDim && d.AlarmSndFil == QStringLiteral("x.wav") && !state.SettingsChanged);
}

QB_TEST_CLASS(TestSettingsFile)
#include "tst_settingsfile.moc"
