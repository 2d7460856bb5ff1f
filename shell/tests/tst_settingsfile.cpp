#include "localisation/translator.h"
#include "platform/autostart.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "shell/periodic.h"
#include "shell/settingsfile.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QSize Screen(15360, 11520); // 1024 x 768 pixels
const QSize Manager(9000, 6000);
const QString Exe = QStringLiteral("/opt/quill board/quillaboard");

QStringList names(const QString& saturday, const QString& sunday, const QString& monday) {
    return {saturday, sunday, monday};
}

QByteArray line(const char* key, const QString& value) {
    return QString(QLatin1String(key)).leftJustified(20).toUtf8() + value.toUtf8() + "\r\n";
}

// The keys in the order the file must list them.
const QStringList WrittenKeys = {
    QStringLiteral("[Version]"),
    QStringLiteral("[DebugMode]"),
    QStringLiteral("[ShowTooltips]"),
    QStringLiteral("[Language]"),
    QStringLiteral("[posStartupTop]"),
    QStringLiteral("[posStartupLeft]"),
    QStringLiteral("[frmStartupVisible]"),
    QStringLiteral("[DefautTop]"),
    QStringLiteral("[DefautHeight]"),
    QStringLiteral("[DefautWidth]"),
    QStringLiteral("[DefautLeft]"),
    QStringLiteral("[DefautFontName]"),
    QStringLiteral("[DefautFontSize]"),
    QStringLiteral("[DefautFontBold]"),
    QStringLiteral("[DefautFontItalic]"),
    QStringLiteral("[DefautFontUnderl]"),
    QStringLiteral("[DefautBackColor]"),
    QStringLiteral("[DefautForeColor]"),
    QStringLiteral("[DefautAlwaysOnTop]"),
    QStringLiteral("[DefautShowScrollb]"),
    QStringLiteral("[DefautShowTitle]"),
    QStringLiteral("[DefautRollup]"),
    QStringLiteral("[DefautRollHeight]"),
    QStringLiteral("[DefautAutoRoll]"),
    QStringLiteral("[DefautAutoDim]"),
    QStringLiteral("[DefautImageMode]"),
    QStringLiteral("[SetupAutoSave]"),
    QStringLiteral("[SetupAutoRefresh]"),
    QStringLiteral("[SetupMoveNotes]"),
    QStringLiteral("[SetupRandomColor]"),
    QStringLiteral("[AnimateNote]"),
    QStringLiteral("[ConfirmDelete]"),
    QStringLiteral("[SetupAutoSaveTime]"),
    QStringLiteral("[SetupAutoRefrTime]"),
    QStringLiteral("[DefautAlarmFreq]"),
    QStringLiteral("[DefautAlarmPrev]"),
    QStringLiteral("[DefautAlarmPrevTp]"),
    QStringLiteral("[DefautAlarmPlaySd]"),
    QStringLiteral("[DefautAlarmSndFil]"),
    QStringLiteral("[DefautAlarmExecut]"),
    QStringLiteral("[DefautAlarmExeFil]"),
    QStringLiteral("[DefautAlarmShow]"),
    QStringLiteral("[MailCheckNet]"),
    QStringLiteral("[MailCheck]"),
    QStringLiteral("[MailFreqCheck]"),
    QStringLiteral("[MailUserName]"),
    QStringLiteral("[MailPassword]"),
    QStringLiteral("[MailServer]"),
    QStringLiteral("[MailPort]"),
    QStringLiteral("[MailSilent]"),
    QStringLiteral("[MailPlaySound]"),
    QStringLiteral("[MailWavFile]"),
    QStringLiteral("[PictureDir]"),
    QStringLiteral("[NetEnable]"),
    QStringLiteral("[NetPlaySound]"),
    QStringLiteral("[NetWavFile]"),
    QStringLiteral("[AutoDimValue]"),
    QStringLiteral("[PrefixNewNote]"),
    QStringLiteral("[posSNotifyTop]"),
    QStringLiteral("[posSNotifyLeft]"),
    QStringLiteral("[DetMailWindow]"),
    QStringLiteral("[MailDetailWindow]"),
    QStringLiteral("[MultiScreens]"),
    QStringLiteral("[MailProgram]"),
    QStringLiteral("[NetID]"),
    QStringLiteral("[End of INI]"),
};

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void wordsForFlags_data();
    void wordsForFlags();
    void readingEndsAtUnknownKeyOrEmptyLine_data();
    void readingEndsAtUnknownKeyOrEmptyLine();
    void damagedFileKeepsWhatCanBeRead_data();
    void damagedFileKeepsWhatCanBeRead();
    void rewriteKeepsModeAndLinks();
    void fileWithoutEndMarkerIsReadToItsEnd();
    void positionsMustLieOnTheScreen_data();
    void positionsMustLieOnTheScreen();
    void longValuesAreCut();
    void malformedValuesKeepThePreviousOnes();
    void languageIsTracedAndMustBeInTheList();
    void pictureDirNeedsASeparator();

    void writtenLinesAreFixedWidthInTableOrder();
    void everyKeyRoundTrips();
    void nothingIsWrittenWhenUnchanged();
    void writeFailureKeepsTheChangeMark();

    void firstRunWelcomesAndRegisters();
    void firstRunWithRunValueShowsTheError();
    void unreadableFileShowsTheOtherError();
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
    DayNameFunction m_dayName;
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
    m_log = FakeDiagnosticLog();
    m_settings = Settings();
    m_state = ProgramState();
    m_dayName = [](const QDate& date) {
        return QLocale(QLocale::English).dayName(date.dayOfWeek());
    };
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
    context.dayName = m_dayName;
    m_file->ReadSettings(m_settings, m_state, context);
}

void TestSettingsFile::wordsForFlags_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::newRow("TRUE") << QStringLiteral("TRUE") << 0 << 1;
    QTest::newRow("Vrai") << QStringLiteral("Vrai") << 0 << 1;
    QTest::newRow("tRuE") << QStringLiteral("tRuE") << 0 << 1;
    QTest::newRow("1") << QStringLiteral("1") << 0 << 1;
    QTest::newRow("FALSE") << QStringLiteral("FALSE") << 1 << 0;
    QTest::newRow("faux") << QStringLiteral("faux") << 1 << 0;
    QTest::newRow("FaUx") << QStringLiteral("FaUx") << 1 << 0;
    QTest::newRow("greyed") << QStringLiteral("2") << 0 << 2;
    QTest::newRow("no check state") << QStringLiteral("7") << 1 << 1;
}

void TestSettingsFile::wordsForFlags() {
    QFETCH(QString, value);
    QFETCH(int, start);
    QFETCH(int, expected);
    m_settings.chkShowTooltips = start;
    writeIni(line("[ShowTooltips]", value) + line("[DebugMode]", value) + line("[End of INI]", {}));
    read();
    QCOMPARE(m_settings.chkShowTooltips, expected);
    QCOMPARE(m_messages.count(), 0);
}

void TestSettingsFile::readingEndsAtUnknownKeyOrEmptyLine_data() {
    QTest::addColumn<QByteArray>("third");
    QTest::newRow("unknown key") << line("[Bogus]", QStringLiteral("1"));
    QTest::newRow("misspelt key") << line("[showtooltips]", QStringLiteral("1"));
    QTest::newRow("empty line") << QByteArray("\r\n");
}

void TestSettingsFile::readingEndsAtUnknownKeyOrEmptyLine() {
    QFETCH(QByteArray, third);
    const QByteArray original = line("[Version]", QStringLiteral("3.1.7")) +
                                line("[DebugMode]", QStringLiteral("1")) + third +
                                line("[ShowTooltips]", QStringLiteral("1")) +
                                line("[NetID]", QStringLiteral("late")) + line("[End of INI]", {});
    writeIni(original);
    read();
    QCOMPARE(m_settings.Version, QStringLiteral("3.1.7"));
    QVERIFY(m_settings.DebugMode);
    QCOMPARE(m_settings.chkShowTooltips, 0);
    QVERIFY(m_settings.NetID.isEmpty());
    // What was passed over is kept in a copy before the file is ever rewritten, and the
    // user is told where reading stopped.
    const QString copy = iniPath() + QStringLiteral(".damaged-") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(m_messages.count(), 1);
    QVERIFY(m_messages.shown.at(0).text.contains(copy));
    QVERIFY(m_messages.shown.at(0).text.contains(QStringLiteral(" : 3:")));
    QVERIFY(m_state.SettingsChanged);
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QFile kept(copy);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), original);
}

void TestSettingsFile::damagedFileKeepsWhatCanBeRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("autoSave");
    const QByteArray server = line("[MailServer]", QStringLiteral("pop.example.net"));
    // Nothing usable: a first run's values, not every box cleared.
    QTest::newRow("garbage") << QByteArrayLiteral("\x89PNG\r\n\x1a\n\0\0\xff garbage") << QString()
                             << 1;
    QTest::newRow("damaged first key")
        << QByteArray("[Vers#on]           3.2.0\r\n") + server << QString() << 1;
    QTest::newRow("huge line after the server")
        << server + QByteArray(3 << 20, 'x') << QStringLiteral("pop.example.net") << 0;
}

void TestSettingsFile::damagedFileKeepsWhatCanBeRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, server);
    QFETCH(int, autoSave);
    writeIni(bytes);
    read();
    QCOMPARE(m_settings.txtServeurIP, server);
    QCOMPARE(m_settings.chkAutoSave, autoSave);
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.at(0).title, m_translator.Translation(63));
    QVERIFY(m_state.SettingsChanged);
    QVERIFY(!QDir(m_dir->path())
                 .entryList({SettingsFileName + QStringLiteral(".damaged-*")}, QDir::Files)
                 .isEmpty());
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
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("through the link"));
    QVERIFY(QFile::permissions(target) & QFile::ReadGroup);
}

void TestSettingsFile::fileWithoutEndMarkerIsReadToItsEnd() {
    // The old tray key is passed over, and the last line needs no line break.
    writeIni(line("[DebugMode]", QStringLiteral("1")) +
             line("[RefreshSysIcon]", QStringLiteral("1")) +
             line("[MailPort]", QStringLiteral("995")) + "[NetID]             tail");
    read();
    QVERIFY(m_settings.DebugMode);
    QCOMPARE(m_settings.txtPort, QStringLiteral("995"));
    QCOMPARE(m_settings.NetID, QStringLiteral("tail"));
    QCOMPARE(m_messages.count(), 0);
}

void TestSettingsFile::positionsMustLieOnTheScreen_data() {
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("left");
    QTest::addColumn<float>("expectedTop");
    QTest::addColumn<float>("expectedLeft");
    // The manager starts at 100/200; the screen is 11520 twips high and 15360 wide.
    QTest::newRow("zero") << QStringLiteral("0") << QStringLiteral("0") << 100.0f << 200.0f;
    QTest::newRow("negative") << QStringLiteral("-45") << QStringLiteral("-1") << 100.0f << 200.0f;
    QTest::newRow("screen size") << QStringLiteral("11520") << QStringLiteral("15360") << 100.0f
                                 << 200.0f;
    QTest::newRow("wider than high")
        << QStringLiteral("12000") << QStringLiteral("12000") << 100.0f << 12000.0f;
    QTest::newRow("just inside") << QStringLiteral("1") << QStringLiteral("15359.5") << 1.0f
                                 << 15359.5f;
    QTest::newRow("below one") << QStringLiteral("0.9") << QStringLiteral("0.5") << 100.0f
                               << 200.0f;
    QTest::newRow("decimal comma")
        << QStringLiteral("1234,5") << QStringLiteral("99.25") << 1234.5f << 99.25f;
    QTest::newRow("no number") << QStringLiteral("abc") << QStringLiteral("") << 100.0f << 200.0f;
}

void TestSettingsFile::positionsMustLieOnTheScreen() {
    QFETCH(QString, top);
    QFETCH(QString, left);
    QFETCH(float, expectedTop);
    QFETCH(float, expectedLeft);
    m_settings.posStartupTop = 100;
    m_settings.posStartupLeft = 200;
    m_settings.posSNotifyTop = 100;
    m_settings.posSNotifyLeft = 200;
    writeIni(line("[posStartupTop]", top) + line("[posStartupLeft]", left) +
             line("[posSNotifyTop]", top) + line("[posSNotifyLeft]", left));
    read();
    QCOMPARE(m_settings.posStartupTop, expectedTop);
    QCOMPARE(m_settings.posStartupLeft, expectedLeft);
    QCOMPARE(m_settings.posSNotifyTop, expectedTop);
    QCOMPARE(m_settings.posSNotifyLeft, expectedLeft);
}

void TestSettingsFile::longValuesAreCut() {
    const QString longText = QString(200, QLatin1Char('p'));
    writeIni(line("[MailPassword]", longText) +
             line("[DefautFontName]", QString(40, QLatin1Char('F'))) +
             line("[DefautAlarmSndFil]", QString(100, QLatin1Char('s'))) +
             // Read as UTF-8 after the mark; written back single-byte, where it fits.
             "[DefautAlarmExeFil]  \xEF\xBB\xBF" + QString::fromUtf8("é").repeated(70).toUtf8() +
             "\r\n" + line("[DefautAlarmFreq]", QStringLiteral("Hourly")));
    read();
    QCOMPARE(m_settings.txtPass, QString(128, QLatin1Char('p')));
    QCOMPARE(m_settings.NoteDefaults.FontName, QString(32, QLatin1Char('F')));
    QCOMPARE(m_settings.NoteDefaults.AlarmSndFil, QString(64, QLatin1Char('s')));
    QCOMPARE(m_settings.NoteDefaults.AlarmExeFil, QString::fromUtf8("é").repeated(64));
    QCOMPARE(m_settings.NoteDefaults.AlarmFreq, QStringLiteral("H"));
}

void TestSettingsFile::malformedValuesKeepThePreviousOnes() {
    m_settings.NoteDefaults.FontSize = 9;
    m_settings.NoteDefaults.ImageMode = -1;
    m_settings.cboAutoSaveTime = 3;
    m_settings.NoteDefaults.BackColor = 77;
    // A password that reads like a word for "yes" is kept as typed.
    writeIni(line("[DefautFontSize]", QStringLiteral("big")) +
             line("[DefautImageMode]", QStringLiteral("99999")) +
             line("[SetupAutoSaveTime]", QStringLiteral("16")) +
             line("[DefautBackColor]", QStringLiteral("4294967296")) +
             line("[MailFreqCheck]", QStringLiteral("45.4")) +
             line("[AutoDimValue]", QStringLiteral("300")) +
             line("[MailPassword]", QStringLiteral("True")));
    read();
    QCOMPARE(m_settings.NoteDefaults.FontSize, 9.0f);
    QCOMPARE(m_settings.NoteDefaults.ImageMode, std::int16_t(-1));
    QCOMPARE(m_settings.cboAutoSaveTime, 3);
    QCOMPARE(m_settings.NoteDefaults.BackColor, 77);
    QCOMPARE(m_settings.txtMailInterval, QStringLiteral("45"));
    QCOMPARE(m_settings.txtAutoDimValue, QStringLiteral("255"));
    QCOMPARE(m_settings.txtPass, QStringLiteral("True"));
}

void TestSettingsFile::languageIsTracedAndMustBeInTheList() {
    const QStringList languages = {NativeLanguage, QStringLiteral("French (by A. Translator)")};
    writeIni(line("[DebugMode]", QStringLiteral("1")) +
             line("[Language]", QStringLiteral("French (by A. Translator)")));
    read(languages);
    QCOMPARE(m_settings.Language, QStringLiteral("French (by A. Translator)"));
    QCOMPARE(m_log.lines.size(), 2);
    QCOMPARE(m_log.lines.at(0).fileName, DebugLogName);
    QCOMPARE(m_log.lines.at(0).line,
             QStringLiteral("[Lire_ini] (Before Loading) cboLanguages.text=_English (native) "
                            "Language to load : French (by A. Translator)"));
    QCOMPARE(
        m_log.lines.at(1).line,
        QStringLiteral("[Lire_ini] (After Loading)  cboLanguages.text=French (by A. Translator)"));

    // A language whose file is gone keeps the current choice, and without diagnostics
    // nothing is traced.
    m_log.lines.clear();
    m_settings = Settings();
    writeIni(line("[Language]", QStringLiteral("Klingon")));
    read(languages);
    QCOMPARE(m_settings.Language, NativeLanguage);
    QVERIFY(m_log.lines.isEmpty());
}

void TestSettingsFile::pictureDirNeedsASeparator() {
    writeIni(line("[PictureDir]", QStringLiteral("Pictures")));
    read();
    QVERIFY(m_settings.PictureDir.isEmpty());
    writeIni(line("[PictureDir]", QStringLiteral("D:\\Pictures\\")));
    read();
    QCOMPARE(m_settings.PictureDir, QStringLiteral("D:\\Pictures\\"));

    m_settings.PictureDir = QStringLiteral("nofolder");
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    m_settings.PictureDir = QStringLiteral("/keep/");
    read();
    QCOMPARE(m_settings.PictureDir, QStringLiteral("/keep/"));
}

void TestSettingsFile::writtenLinesAreFixedWidthInTableOrder() {
    m_settings.Version = QStringLiteral("1.0.0");
    m_settings.NetID = QString::fromUtf8("Zoë");
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(!m_state.SettingsChanged);

    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    QCOMPARE(lines.size(), WrittenKeys.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray& l = lines.at(i);
        QCOMPARE(l.size(), 149);
        QVERIFY(l.endsWith('\r'));
        QCOMPARE(QString::fromLatin1(l.left(20)).trimmed(), WrittenKeys.at(i));
    }
    // The version the notes were last written under; Western text stays single-byte.
    QCOMPARE(lines.first().mid(20, 6), QByteArray("1.0.0 "));
    QVERIFY(lines.at(WrittenKeys.size() - 2).contains("Zo\xeb "));
    QCOMPARE(lines.last().mid(20).trimmed(), QByteArray());
}

void TestSettingsFile::everyKeyRoundTrips() {
    Settings s;
    s.Version = QStringLiteral("3.2.0");
    s.DebugMode = true;
    s.chkShowTooltips = 2;
    s.Language = QStringLiteral("German (by B)");
    s.posStartupTop = 1234.5f;
    s.posStartupLeft = 4321;
    s.frmStartupVisible = true;
    NoteDefaultsRecord& d = s.NoteDefaults;
    // Seven significant digits: six would write 1.23457e+06.
    d.Top = 1234567;
    d.Height = 2222.25f;
    d.Width = 3333;
    d.Left = 44;
    d.FontName = QStringLiteral("DejaVu Sans");
    d.FontSize = 10.5f;
    d.FontBold = true;
    d.FontItalic = true;
    d.FontUnderline = true;
    d.BackColor = 0x00FFEE;
    d.ForeColor = -2147483630;
    d.AlwaysOnTop = true;
    d.ShowScrollBar = true;
    d.ShowTitle = true;
    d.Rollup = true;
    d.RollHeight = 375;
    d.AutoRoll = true;
    d.AutoDim = true;
    d.ImageMode = -2;
    s.chkAutoSave = 1;
    s.chkAutoRefresh = 1;
    s.chkMoveNotes = 1;
    s.chkRandomColor = 1;
    s.chkAnimateNote = 1;
    s.chkConfirmDelete = 1;
    s.cboAutoSaveTime = 15;
    s.cboAutoRefreshTime = 8;
    d.AlarmFreq = QStringLiteral("6");
    d.AlarmPrev = -30;
    d.AlarmPrevTp = QStringLiteral("M");
    d.AlarmPlaySd = true;
    d.AlarmSndFil = QStringLiteral("ding.wav");
    d.AlarmExecut = true;
    d.AlarmExeFil = QStringLiteral("/usr/bin/run this");
    d.AlarmShow = true;
    s.chkCheckConnection = 1;
    s.chkCheckMail = 1;
    s.txtMailInterval = QStringLiteral("15");
    s.txtUser = QStringLiteral("me");
    s.txtPass = QStringLiteral("p a s s");
    s.txtServeurIP = QStringLiteral("pop.example.net");
    s.txtPort = QStringLiteral("995");
    s.chkMailSilent = 1;
    s.chkMailPlaySound = 1;
    s.MailWavFile = QStringLiteral("mail.wav");
    s.PictureDir = QStringLiteral("/home/me/Pictures/");
    s.chkNetEnable = 1;
    s.chkNetPlaySound = 1;
    s.NetWavFile = QStringLiteral("net.wav");
    s.txtAutoDimValue = QStringLiteral("128");
    s.txtPrefixNewNote = QStringLiteral("Idée");
    s.posSNotifyTop = 300;
    s.posSNotifyLeft = 400;
    s.DetMailWindow = QStringLiteral("1,2,3,4");
    s.MailDetailWindow = QStringLiteral("5,6,7,8");
    s.chkMultiScreens = 1;
    s.MailProgram = QStringLiteral("/usr/bin/mailer");
    s.NetID = QString::fromUtf8("東京 Ōsaka");
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(s, m_state));

    read({NativeLanguage, QStringLiteral("German (by B)")});
    const Settings& r = m_settings;
    const NoteDefaultsRecord& e = r.NoteDefaults;
    QCOMPARE(r.Version, QStringLiteral("3.2.0"));
    QCOMPARE(r.DebugMode, true);
    QCOMPARE(r.chkShowTooltips, 2);
    QCOMPARE(r.Language, s.Language);
    QCOMPARE(r.posStartupTop, s.posStartupTop);
    QCOMPARE(r.posStartupLeft, s.posStartupLeft);
    QCOMPARE(r.frmStartupVisible, true);
    QVERIFY(e.Top == d.Top); // exactly: a fuzzy comparison cannot see a lost digit
    QCOMPARE(e.Height, d.Height);
    QCOMPARE(e.Width, d.Width);
    QCOMPARE(e.Left, d.Left);
    QCOMPARE(e.FontName, d.FontName);
    QCOMPARE(e.FontSize, d.FontSize);
    QVERIFY(e.FontBold && e.FontItalic && e.FontUnderline);
    QCOMPARE(e.BackColor, d.BackColor);
    QCOMPARE(e.ForeColor, d.ForeColor);
    QVERIFY(e.AlwaysOnTop && e.ShowScrollBar && e.ShowTitle && e.Rollup);
    QCOMPARE(e.RollHeight, d.RollHeight);
    QVERIFY(e.AutoRoll && e.AutoDim);
    QCOMPARE(e.ImageMode, d.ImageMode);
    QCOMPARE(r.chkAutoSave, 1);
    QCOMPARE(r.chkAutoRefresh, 1);
    QCOMPARE(r.chkMoveNotes, 1);
    QCOMPARE(r.chkRandomColor, 1);
    QCOMPARE(r.chkAnimateNote, 1);
    QCOMPARE(r.chkConfirmDelete, 1);
    QCOMPARE(r.cboAutoSaveTime, 15);
    QCOMPARE(r.cboAutoRefreshTime, 8);
    QCOMPARE(e.AlarmFreq, d.AlarmFreq);
    QCOMPARE(e.AlarmPrev, d.AlarmPrev);
    QCOMPARE(e.AlarmPrevTp, d.AlarmPrevTp);
    QVERIFY(e.AlarmPlaySd && e.AlarmExecut && e.AlarmShow);
    QCOMPARE(e.AlarmSndFil, d.AlarmSndFil);
    QCOMPARE(e.AlarmExeFil, d.AlarmExeFil);
    QCOMPARE(r.chkCheckConnection, 1);
    QCOMPARE(r.chkCheckMail, 1);
    QCOMPARE(r.txtMailInterval, s.txtMailInterval);
    QCOMPARE(r.txtUser, s.txtUser);
    QCOMPARE(r.txtPass, s.txtPass);
    QCOMPARE(r.txtServeurIP, s.txtServeurIP);
    QCOMPARE(r.txtPort, s.txtPort);
    QCOMPARE(r.chkMailSilent, 1);
    QCOMPARE(r.chkMailPlaySound, 1);
    QCOMPARE(r.MailWavFile, s.MailWavFile);
    QCOMPARE(r.PictureDir, s.PictureDir);
    QCOMPARE(r.chkNetEnable, 1);
    QCOMPARE(r.chkNetPlaySound, 1);
    QCOMPARE(r.NetWavFile, s.NetWavFile);
    QCOMPARE(r.txtAutoDimValue, s.txtAutoDimValue);
    QCOMPARE(r.txtPrefixNewNote, s.txtPrefixNewNote);
    QCOMPARE(r.posSNotifyTop, s.posSNotifyTop);
    QCOMPARE(r.posSNotifyLeft, s.posSNotifyLeft);
    QCOMPARE(r.DetMailWindow, s.DetMailWindow);
    QCOMPARE(r.MailDetailWindow, s.MailDetailWindow);
    QCOMPARE(r.chkMultiScreens, 1);
    QCOMPARE(r.MailProgram, s.MailProgram);
    QCOMPARE(r.NetID, s.NetID);
    QCOMPARE(m_messages.count(), 0);
}

void TestSettingsFile::nothingIsWrittenWhenUnchanged() {
    const QByteArray original = line("[NetID]", QStringLiteral("before"));
    writeIni(original);
    m_settings.NetID = QStringLiteral("after");
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), original);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{SettingsFileName});
}

void TestSettingsFile::writeFailureKeepsTheChangeMark() {
    const QByteArray original = line("[NetID]", QStringLiteral("before"));
    writeIni(original);
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup));
    m_state.SettingsChanged = true;
    QVERIFY(!m_file->WriteSettings(m_settings, m_state));
    QVERIFY(m_state.SettingsChanged);
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.at(0).text,
             QStringLiteral("error  70\r\nUnable to write in ") + iniPath());
    QVERIFY(m_messages.shown.at(0).title.isEmpty());
    QCOMPARE(m_messages.shown.at(0).options.icon, msgbox::WriteFailure.icon);
    QCOMPARE(m_messages.shown.at(0).options.buttons, 0);
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), original);
    file.close();

    // Once the file may be written again, the next attempt succeeds.
    QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QVERIFY(!m_state.SettingsChanged);
    QCOMPARE(m_messages.count(), 1);
}

void TestSettingsFile::firstRunWelcomesAndRegisters() {
    m_dayName = [](const QDate& date) {
        return date.dayOfWeek() == 7 ? QStringLiteral("Dimanche") : QStringLiteral("samedi");
    };
    m_settings.chkAutoRefresh = 1;
    m_settings.chkRandomColor = 1;
    read({NativeLanguage, QStringLiteral("German (by B)"), QStringLiteral("French (by A)")},
         QString());
    QVERIFY(m_settings.frmStartupVisible);
    QCOMPARE(m_settings.chkAutoSave, 1);
    QCOMPARE(m_settings.chkMoveNotes, 1);
    QCOMPARE(m_settings.chkConfirmDelete, 1);
    QCOMPARE(m_settings.chkShowTooltips, 1);
    QCOMPARE(m_settings.chkAutoRefresh, 0);
    QCOMPARE(m_settings.chkRandomColor, 0);
    QCOMPARE(m_settings.posStartupTop, 11520.0f / 2 - 6000.0f / 2);
    QCOMPARE(m_settings.posStartupLeft, 15360.0f / 2 - 9000.0f / 2);
    QVERIFY(m_state.SettingsChanged);
    QCOMPARE(m_settings.Language, QStringLiteral("French (by A)"));

    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.at(0).title, QStringLiteral("Welcome to 'Quillaboard'."));
    QCOMPARE(m_messages.shown.at(0).text,
             QStringLiteral("Please, read the help notes on both sides\r\n"
                            "(click the upper left square of a note to switch sides).\r\n"
                            "Then go to the Setup panel to adjust some general settings.\r\n"
                            "You can also read the FAQ to learn the basis\r\n"
                            "and in no time, you will master Quillaboard."));
    QCOMPARE(m_messages.shown.at(0).options.icon, msgbox::Info.icon);
    QCOMPARE(autostart::readRunValue(), Exe);
}

void TestSettingsFile::firstRunWithRunValueShowsTheError() {
    read({NativeLanguage, QStringLiteral("German (by B)")});
    QCOMPARE(m_settings.Language, NativeLanguage); // an English system chooses nothing
    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.shown.at(0).title,
             QStringLiteral("I/O error while reading from Quillaboard.ini"));
    QCOMPARE(m_messages.shown.at(0).text,
             QStringLiteral("Error #  53 : File not found\r\n\r\nFile 'Quillaboard.ini' missing."));
    QVERIFY(autostart::readRunValue().isEmpty());
    QVERIFY(m_state.SettingsChanged);
}

void TestSettingsFile::unreadableFileShowsTheOtherError() {
    QVERIFY(QDir(m_dir->path()).mkdir(SettingsFileName));
    read();
    QCOMPARE(m_messages.count(), 1);
    QVERIFY(!m_messages.shown.at(0).text.contains(QStringLiteral(" 53 ")));
    QVERIFY(m_messages.shown.at(0).text.contains(iniPath()));
    QVERIFY(m_messages.shown.at(0).text.endsWith(
        QStringLiteral("\r\nThe program will use default settings.")));
    QVERIFY(m_settings.frmStartupVisible);
    QCOMPARE(m_settings.chkAutoSave, 1);
}

void TestSettingsFile::languageFromDayNames_data() {
    QTest::addColumn<QStringList>("names"); // Saturday, Sunday, Monday
    QTest::addColumn<QString>("language");
    QTest::newRow("Czech") << names(QStringLiteral("sobota"), QStringLiteral("neděle"),
                                    QStringLiteral("pondělí"))
                           << QStringLiteral("Czech");
    QTest::newRow("Polish") << names(QStringLiteral("sobota"), QStringLiteral("niedziela"),
                                     QStringLiteral("poniedziałek"))
                            << QStringLiteral("Polish");
    QTest::newRow("French") << names(QStringLiteral("samedi"), QStringLiteral("DIMANCHE"),
                                     QStringLiteral("lundi"))
                            << QStringLiteral("French");
    QTest::newRow("Italian") << names(QStringLiteral("sabato"), QStringLiteral("domenica"),
                                      QStringLiteral("lunedì"))
                             << QStringLiteral("Italian");
    QTest::newRow("Spanish") << names(QStringLiteral("sábado"), QStringLiteral("domingo"),
                                      QStringLiteral("lunes"))
                             << QStringLiteral("Spanish");
    QTest::newRow("Portuguese") << names(QStringLiteral("sábado"), QStringLiteral("domingo"),
                                         QStringLiteral("segunda-feira"))
                                << QStringLiteral("");
    QTest::newRow("Swedish") << names(QStringLiteral("lördag"), QStringLiteral("Söndag"),
                                      QStringLiteral("måndag"))
                             << QStringLiteral("Swedish");
    QTest::newRow("German") << names(QStringLiteral("Samstag"), QStringLiteral("Sonntag"),
                                     QStringLiteral("Montag"))
                            << QStringLiteral("German");
    QTest::newRow("Dutch") << names(QStringLiteral("zaterdag"), QStringLiteral("zondag"),
                                    QStringLiteral("maandag"))
                           << QStringLiteral("Dutch");
    QTest::newRow("English") << names(QStringLiteral("Saturday"), QStringLiteral("Sunday"),
                                      QStringLiteral("Monday"))
                             << QStringLiteral("");
}

void TestSettingsFile::languageFromDayNames() {
    QFETCH(QStringList, names);
    QFETCH(QString, language);
    const auto dayName = [&](const QDate& date) {
        switch (date.dayOfWeek()) {
        case 6:
            return names.at(0);
        case 7:
            return names.at(1);
        case 1:
            return names.at(2);
        default:
            return QString();
        }
    };
    QCOMPARE(::languageFromDayNames(dayName), language);
}

void TestSettingsFile::fillDefaults() {
    ::FillDefaults(m_settings, m_state);
    const NoteDefaultsRecord& d = m_settings.NoteDefaults;
    QCOMPARE(d.Width, 2000.0f);
    QCOMPARE(d.Height, 2000.0f);
    QCOMPARE(d.Top, 500.0f);
    QCOMPARE(d.Left, 500.0f);
    QVERIFY(d.AlwaysOnTop && d.ShowTitle && !d.ShowScrollBar);
    QCOMPARE(d.BackColor, 65535);
    QCOMPARE(d.ForeColor, -2147483630); // the button-text system colour
    QVERIFY(!d.Rollup && !d.AutoRoll && !d.AutoDim);
    QCOMPARE(d.ImageMode, std::int16_t(0));
    QCOMPARE(d.FontName, QStringLiteral("Arial"));
    QCOMPARE(d.FontSize, 12.0f);
    QCOMPARE(d.AlarmFreq, QStringLiteral("U"));
    QCOMPARE(d.AlarmPrevTp, QStringLiteral("J"));
    QVERIFY(d.AlarmShow && !d.AlarmPlaySd && !d.AlarmExecut);
    QVERIFY(m_state.SettingsChanged);
    QCOMPARE(m_settings.cboAutoSaveTime, DefaultIntervalEntry);
    QCOMPARE(m_settings.cboAutoRefreshTime, DefaultIntervalEntry);
    QCOMPARE(AutoSaveTimes().at(DefaultIntervalEntry), QStringLiteral("15 sec."));
    QCOMPARE(AutoRefreshTimes().at(DefaultIntervalEntry), QStringLiteral("2 sec."));

    // What the file gave stays, and complete alarm defaults mark nothing.
    Settings given;
    given.NoteDefaults.FontSize = 9;
    given.NoteDefaults.Width = 1500;
    given.NoteDefaults.AlarmPrevTp = QStringLiteral("H");
    given.NoteDefaults.AlarmSndFil = QStringLiteral("x.wav");
    given.cboAutoSaveTime = 2;
    ProgramState state;
    ::FillDefaults(given, state);
    QCOMPARE(given.NoteDefaults.Width, 1500.0f);
    QCOMPARE(given.NoteDefaults.FontName, QString());
    QCOMPARE(given.NoteDefaults.AlarmSndFil, QStringLiteral("x.wav"));
    QCOMPARE(given.cboAutoSaveTime, 2);
    QVERIFY(!state.SettingsChanged);
}

QB_TEST_CLASS(TestSettingsFile)
#include "tst_settingsfile.moc"
