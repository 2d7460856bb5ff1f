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
#include <QRectF>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QSize Screen(15360, 11520); // 1024 x 768 pixels
const QSize Manager(9000, 6000);
const QString Exe = QStringLiteral("/opt/quill board/quillaboard");

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray line(const char* key, const QString& value) {
    return QString(QLatin1String(key)).leftJustified(20).toUtf8() + value.toUtf8() + "\r\n";
}

// The keys in the order the file must list them.
const char* const WrittenKeysText =
    "[Version][DebugMode][ShowTooltips][Language][posStartupTop][posStartupLeft]"
    "[frmStartupVisible][DefautTop][DefautHeight][DefautWidth][DefautLeft][DefautFontName]"
    "[DefautFontSize][DefautFontBold][DefautFontItalic][DefautFontUnderl][DefautBackColor]"
    "[DefautForeColor][DefautAlwaysOnTop][DefautShowScrollb][DefautShowTitle][DefautRollup]"
    "[DefautRollHeight][DefautAutoRoll][DefautAutoDim][DefautImageMode][SetupAutoSave]"
    "[SetupAutoRefresh][SetupMoveNotes][SetupRandomColor][AnimateNote][ConfirmDelete]"
    "[SetupAutoSaveTime][SetupAutoRefrTime][DefautAlarmFreq][DefautAlarmPrev]"
    "[DefautAlarmPrevTp][DefautAlarmPlaySd][DefautAlarmSndFil][DefautAlarmExecut]"
    "[DefautAlarmExeFil][DefautAlarmShow][MailCheckNet][MailCheck][MailFreqCheck]"
    "[MailUserName][MailPassword][MailServer][MailPort][MailSilent][MailPlaySound]"
    "[MailWavFile][PictureDir][NetEnable][NetPlaySound][NetWavFile][AutoDimValue]"
    "[PrefixNewNote][posSNotifyTop][posSNotifyLeft][DetMailWindow][MailDetailWindow]"
    "[MultiScreens][MailProgram][NetID][End of INI]";
const QList<QByteArray> WrittenKeys = QByteArray(WrittenKeysText).replace("][", "]\n[").split('\n');

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

    void everyKeyRoundTripsInFixedWidthLines();
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
    QCOMPARE(fileBytes(copy), original);
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
    QVERIFY(fileBytes(target).contains("through the link"));
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

void TestSettingsFile::everyKeyRoundTripsInFixedWidthLines() {
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
    d.FontBold = d.FontItalic = d.FontUnderline = true;
    d.BackColor = 0x00FFEE;
    d.ForeColor = -2147483630;
    d.AlwaysOnTop = d.ShowScrollBar = d.ShowTitle = d.Rollup = d.AutoRoll = d.AutoDim = true;
    d.RollHeight = 375;
    d.ImageMode = -2;
    s.chkAutoSave = s.chkAutoRefresh = s.chkMoveNotes = s.chkRandomColor = 1;
    s.chkAnimateNote = s.chkConfirmDelete = 1;
    s.cboAutoSaveTime = 15;
    s.cboAutoRefreshTime = 8;
    d.AlarmFreq = QStringLiteral("6");
    d.AlarmPrev = -30;
    d.AlarmPrevTp = QStringLiteral("M");
    d.AlarmPlaySd = d.AlarmExecut = d.AlarmShow = true;
    d.AlarmSndFil = QStringLiteral("ding.wav");
    d.AlarmExeFil = QStringLiteral("/usr/bin/run this");
    s.chkCheckConnection = s.chkCheckMail = s.chkMailSilent = s.chkMailPlaySound = 1;
    s.txtMailInterval = QStringLiteral("15");
    s.txtUser = QStringLiteral("me");
    s.txtPass = QStringLiteral("p a s s");
    s.txtServeurIP = QStringLiteral("pop.example.net");
    s.txtPort = QStringLiteral("995");
    s.MailWavFile = QStringLiteral("mail.wav");
    s.PictureDir = QStringLiteral("/home/me/Pictures/");
    s.chkNetEnable = s.chkNetPlaySound = s.chkMultiScreens = 1;
    s.NetWavFile = QStringLiteral("net.wav");
    s.txtAutoDimValue = QStringLiteral("128");
    s.txtPrefixNewNote = QString::fromUtf8("Idée");
    s.posSNotifyTop = 300;
    s.posSNotifyLeft = 400;
    s.DetMailWindow = QStringLiteral("1,2,3,4");
    s.MailDetailWindow = QStringLiteral("5,6,7,8");
    s.MailProgram = QStringLiteral("/usr/bin/mailer");
    s.NetID = QString::fromUtf8("東京 Ōsaka");
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(s, m_state));
    QVERIFY(!m_state.SettingsChanged);
    const QByteArray written = fileBytes(iniPath());

    QVERIFY(written.endsWith("\r\n"));
    QList<QByteArray> lines = written.split('\n');
    lines.removeLast();
    QCOMPARE(lines.size(), WrittenKeys.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY(lines.at(i).endsWith('\r'));
        QCOMPARE(lines.at(i).left(20).trimmed(), WrittenKeys.at(i));
        if (!lines.at(i).contains("\xEF\xBB\xBF"))
            QCOMPARE(lines.at(i).size(), 149);
    }
    // Western text stays single-byte.
    QVERIFY(written.contains("Id\xe9"));
    QCOMPARE(lines.last().mid(20).trimmed(), QByteArray());

    // Every value read back writes the same file again.
    read({NativeLanguage, QStringLiteral("German (by B)")});
    QCOMPARE(m_messages.count(), 0);
    QVERIFY(m_settings.NoteDefaults.Top == d.Top); // exactly: a fuzzy comparison misses a digit
    QCOMPARE(m_settings.NoteDefaults.ImageMode, d.ImageMode);
    QCOMPARE(m_settings.NetID, s.NetID);
    QCOMPARE(m_settings.Language, s.Language);
    m_state.SettingsChanged = true;
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QCOMPARE(fileBytes(iniPath()), written);
}

void TestSettingsFile::nothingIsWrittenWhenUnchanged() {
    const QByteArray original = line("[NetID]", QStringLiteral("before"));
    writeIni(original);
    m_settings.NetID = QStringLiteral("after");
    QVERIFY(m_file->WriteSettings(m_settings, m_state));
    QCOMPARE(fileBytes(iniPath()), original);
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
    QCOMPARE(fileBytes(iniPath()), original);

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
    QTest::addColumn<QString>("names"); // Saturday, Sunday, Monday
    QTest::addColumn<QString>("language");
    QTest::newRow("Czech") << QString::fromUtf8("sobota neděle pondělí") << QStringLiteral("Czech");
    QTest::newRow("Polish") << QString::fromUtf8("sobota niedziela poniedziałek")
                            << QStringLiteral("Polish");
    QTest::newRow("French") << QString::fromUtf8("samedi DIMANCHE lundi")
                            << QStringLiteral("French");
    QTest::newRow("Italian") << QString::fromUtf8("sabato domenica lunedì")
                             << QStringLiteral("Italian");
    QTest::newRow("Spanish") << QString::fromUtf8("sábado domingo lunes")
                             << QStringLiteral("Spanish");
    QTest::newRow("Portuguese") << QString::fromUtf8("sábado domingo segunda-feira")
                                << QStringLiteral("");
    QTest::newRow("Swedish") << QString::fromUtf8("lördag Söndag måndag")
                             << QStringLiteral("Swedish");
    QTest::newRow("German") << QString::fromUtf8("Samstag Sonntag Montag")
                            << QStringLiteral("German");
    QTest::newRow("Dutch") << QString::fromUtf8("zaterdag zondag maandag")
                           << QStringLiteral("Dutch");
    QTest::newRow("English") << QString::fromUtf8("Saturday Sunday Monday") << QStringLiteral("");
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
    QCOMPARE(QRectF(d.Left, d.Top, d.Width, d.Height), QRectF(500, 500, 2000, 2000));
    QVERIFY(d.AlwaysOnTop && d.ShowTitle && !d.ShowScrollBar);
    QCOMPARE(d.BackColor, 65535);
    QCOMPARE(d.ForeColor, -2147483630); // the button-text system colour
    QVERIFY(!d.Rollup && !d.AutoRoll && !d.AutoDim);
    QCOMPARE(d.ImageMode, std::int16_t(0));
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
