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

const QSize Screen(15360, 11520); // 1024 x 768 pixels
const QSize Manager(9000, 6000);
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
    "[Version]3.2.0|[DebugMode]1|[ShowTooltips]2|[Language]German (by B)|[posStartupTop]1234.5|"
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
    "[AutoDimValue]128|[PrefixNewNote]Idée|[posSNotifyTop]300|[posSNotifyLeft]400|"
    "[DetMailWindow]1,2,3,4|[MailDetailWindow]5,6,7,8|[MultiScreens]1|"
    "[MailProgram]/usr/bin/mailer|[NetID]東京 Ōsaka|[End of INI]";

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void everyKeyRoundTripsInFixedWidthLines();
    void valuesOutsideTheirRulesKeepThePreviousOnes_data();
    void valuesOutsideTheirRulesKeepThePreviousOnes();
    void damagedFileIsKeptAside_data();
    void damagedFileIsKeptAside();
    void rewriteKeepsModeAndLinks();
    void writesOnlyChangesAndReportsFailures();
    void firstRun_data();
    void firstRun();
    void languageFromDayNames_data();
    void languageFromDayNames();
    void fillDefaults();

private:
    [[nodiscard]] QString iniPath() const { return m_dir->filePath(SettingsFileName); }
    void writeIni(const QByteArray& bytes);
    void read(const QStringList& languages = {}, const QString& runValue = QStringLiteral("x"));

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_config;
    FakeMessageSink m_messages;
    FakeDiagnosticLog m_log;
    Translator m_translator;
    Settings m_settings;
    ProgramState m_state;
    std::unique_ptr<SettingsFile> m_file;
};

void TestSettingsFile::initTestCase() {
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    // The autostart entry of a first run goes here, never into the real home folder.
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    qputenv("HOME", m_config->path().toUtf8());
}

void TestSettingsFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messages = FakeMessageSink();
    m_settings = Settings();
    m_state = ProgramState();
    m_file = std::make_unique<SettingsFile>(ProgramFolder(m_dir->path()), m_messages, m_translator,
                                            &m_log);
    QVERIFY(autostart::removeRunValue());
}

void TestSettingsFile::writeIni(const QByteArray& bytes) {
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestSettingsFile::read(const QStringList& languages, const QString& runValue) {
    SettingsReadContext context;
    context.screenTwips = Screen;
    context.managerTwips = Manager;
    context.languages = languages;
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
    read({NativeLanguage, QStringLiteral("German (by B)")});
    QCOMPARE(m_messages.count(), 0);
    // Exactly: seven significant digits, where six would write 1.23457e+06.
    QVERIFY(m_settings.NoteDefaults.Top == 1234567.0f);
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(!m_state.SettingsChanged);
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
    row("[ShowTooltips]", "0", "Vrai", "1");
    row("[ShowTooltips]", "1", "FaUx", "0");
    row("[ShowTooltips]", "0", "2", "2");
    row("[ShowTooltips]", "1", "7", "1");
    row("[MailPassword]", "", "True", "True");
    // Positions lie on the screen of 15360 x 11520 twips, from 1 on.
    row("[posStartupTop]", "100", "11520", "100");
    row("[posStartupTop]", "100", "0.9", "100");
    row("[posStartupTop]", "100", "1", "1");
    row("[posStartupLeft]", "200", "12000", "12000");
    row("[posStartupLeft]", "200", "15359.5", "15359.5");
    row("[posSNotifyTop]", "100", "1234,5", "1234.5");
    // Numbers out of their range or list.
    row("[DefautFontSize]", "9", "big", "9");
    row("[DefautImageMode]", "-1", "99999", "-1");
    row("[SetupAutoSaveTime]", "3", "16", "3");
    row("[DefautBackColor]", "77", "4294967296", "77");
    row("[MailFreqCheck]", "", "45.4", "45");
    row("[AutoDimValue]", "", "300", "255");
    // Typed fields are cut to their bytes; a marked value is read as UTF-8.
    row("[MailPassword]", "", QByteArray(200, 'p'), QByteArray(128, 'p'));
    row("[DefautFontName]", "", QByteArray(40, 'F'), QByteArray(32, 'F'));
    row("[DefautAlarmExeFil]", "", textcodec::ByteOrderMark + QByteArray("\xC3\xA9").repeated(70),
        QByteArray("\xC3\xA9").repeated(64));
    row("[DefautAlarmFreq]", "", "Hourly", "H");
    // A picture folder needs a separator; a language must be one of the list.
    row("[PictureDir]", "/keep/", "Pictures", "/keep/");
    row("[PictureDir]", "/keep/", "D:\\Pictures\\", "D:\\Pictures\\");
    row("[Language]", French.toUtf8(), "Klingon", French.toUtf8());
}

void TestSettingsFile::valuesOutsideTheirRulesKeepThePreviousOnes() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, previous);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    writeIni(line(key, previous) + line(key, value));
    read({NativeLanguage, French});
    QCOMPARE(m_messages.count(), 0);
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    const QByteArray written = fileBytes(iniPath());
    const qsizetype at = written.indexOf("\n" + key.leftJustified(20));
    QVERIFY(at > 0);
    QCOMPARE(textcodec::decode(written.mid(at + 21, 128)).trimmed(), QString::fromUtf8(expected));
}

void TestSettingsFile::damagedFileIsKeptAside_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("autoSave"); // a first run's 1 when nothing could be used
    QTest::addColumn<QString>("stoppedAt");
    const QByteArray server = line("[MailServer]", "pop.example.net");
    const QByteArray rest = line("[NetID]", "late") + line("[End of INI]", {});
    const QString read = QStringLiteral("pop.example.net");
    QTest::newRow("misspelt key") << server + line("[mailserver]", "x") + rest << read << 0
                                  << QStringLiteral(" : 2: [mailserver]");
    QTest::newRow("empty line") << server + "\r\n" + rest << read << 0 << QStringLiteral(" : 2:");
    QTest::newRow("garbage") << QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\xff garbage") << QString()
                             << 1 << QStringLiteral(" : 1:");
    QTest::newRow("huge line") << server + QByteArray(3 << 20, 'x') << read << 0
                               << QStringLiteral(" : 2:");
}

void TestSettingsFile::damagedFileIsKeptAside() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, server);
    QFETCH(int, autoSave);
    QFETCH(QString, stoppedAt);
    writeIni(bytes);
    read();
    QCOMPARE(m_settings.txtServeurIP, server);
    QCOMPARE(m_settings.chkAutoSave, autoSave);
    QVERIFY(m_settings.NetID.isEmpty());
    // What was passed over is kept in a copy before the file is ever rewritten, and the user
    // is told where reading stopped.
    const QString copy = iniPath() + QStringLiteral(".damaged-") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(m_messages.count(), 1);
    QVERIFY(m_messages.shown.at(0).text.contains(copy));
    QVERIFY2(m_messages.shown.at(0).text.contains(stoppedAt),
             qPrintable(m_messages.shown.at(0).text));
    QVERIFY(m_state.SettingsChanged);
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(fileBytes(copy) == bytes);
}

void TestSettingsFile::rewriteKeepsModeAndLinks() {
    // A new file holds the mail password: the user's alone.
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QCOMPARE(QFile::permissions(iniPath()),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    // A file the user shares with a group stays so; a link into a synchronised folder stays
    // a link, and the edit reaches its target.
    QTemporaryDir synced;
    const QString target = synced.filePath(SettingsFileName);
    QVERIFY(QFile::rename(iniPath(), target));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                              QFile::WriteUser | QFile::ReadGroup));
    QVERIFY(QFile::link(target, iniPath()));
    m_settings.NetID = QStringLiteral("through the link");
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(QFileInfo(iniPath()).isSymLink());
    QVERIFY(fileBytes(target).contains("through the link"));
    QVERIFY(QFile::permissions(target) & QFile::ReadGroup);
}

void TestSettingsFile::writesOnlyChangesAndReportsFailures() {
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

    // Once the file may be written again, the next attempt succeeds.
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(!m_state.SettingsChanged);
    QVERIFY(fileBytes(iniPath()).contains("after"));
}

void TestSettingsFile::firstRun_data() {
    QTest::addColumn<QString>("runValue");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("registers");
    QTest::newRow("first run") << QString() << false
                               << QStringLiteral("Please, read the help notes") << true;
    QTest::newRow("registered before")
        << QStringLiteral("x") << false << QStringLiteral(" 53 : File not found") << false;
    QTest::newRow("unreadable") << QString() << true
                                << QStringLiteral("Quillaboard.ini\r\nThe program will use "
                                                  "default settings.")
                                << false;
}

void TestSettingsFile::firstRun() {
    QFETCH(QString, runValue);
    QFETCH(bool, unreadable);
    QFETCH(QString, text);
    QFETCH(bool, registers);
    if (unreadable)
        QVERIFY(QDir(m_dir->path()).mkdir(SettingsFileName));
    read({NativeLanguage, QStringLiteral("German (by B)"), French}, runValue);
    QCOMPARE(m_messages.count(), 1);
    QVERIFY2(m_messages.shown.at(0).text.contains(text), qPrintable(m_messages.shown.at(0).text));
    QVERIFY(m_settings.frmStartupVisible);
    QCOMPARE(m_settings.chkAutoSave, 1);
    QCOMPARE(m_settings.posStartupTop, 11520.0f / 2 - 6000.0f / 2);
    QCOMPARE(m_settings.posStartupLeft, 15360.0f / 2 - 9000.0f / 2);
    QVERIFY(m_state.SettingsChanged);
    QCOMPARE(m_settings.Language, unreadable ? NativeLanguage : French);
    QCOMPARE(autostart::readRunValue(), registers ? Exe : QString());
}

void TestSettingsFile::languageFromDayNames_data() {
    QTest::addColumn<QString>("names"); // Saturday, Sunday, Monday
    QTest::addColumn<QString>("language");
    QTest::newRow("Czech") << QString::fromUtf8("sobota neděle pondělí") << QStringLiteral("Czech");
    QTest::newRow("Polish") << QString::fromUtf8("sobota niedziela poniedziałek")
                            << QStringLiteral("Polish");
    QTest::newRow("Spanish") << QString::fromUtf8("sábado domingo lunes")
                             << QStringLiteral("Spanish");
    QTest::newRow("Portuguese") << QString::fromUtf8("sábado domingo segunda-feira") << QString();
}

void TestSettingsFile::languageFromDayNames() {
    QFETCH(QString, names);
    QFETCH(QString, language);
    const QStringList days = names.split(QLatin1Char(' ')); // Saturday is day 6, Monday 1
    const auto dayName = [&](const QDate& date) { return days.value((date.dayOfWeek() + 1) % 7); };
    QCOMPARE(::languageFromDayNames(dayName), language);
}

void TestSettingsFile::fillDefaults() {
    ::FillDefaults(m_settings, m_state);
    const NoteDefaultsRecord& d = m_settings.NoteDefaults;
    QVERIFY(!d.Rollup && !d.AutoRoll && !d.AutoDim);
    QCOMPARE(d.ForeColor, -2147483630); // the button-text system colour
    QVERIFY(m_state.SettingsChanged);

    // What the file gave stays, and complete alarm defaults mark nothing.
    Settings given;
    given.NoteDefaults.FontSize = 9;
    given.NoteDefaults.AlarmPrevTp = QStringLiteral("H");
    given.NoteDefaults.AlarmSndFil = QStringLiteral("x.wav");
    given.cboAutoSaveTime = 2;
    ProgramState state;
    ::FillDefaults(given, state);
    QCOMPARE(given.NoteDefaults.AlarmSndFil, QStringLiteral("x.wav"));
    QCOMPARE(given.cboAutoSaveTime, 2);
    QVERIFY(!state.SettingsChanged);
}

QB_TEST_CLASS(TestSettingsFile)
#include "tst_settingsfile.moc"
