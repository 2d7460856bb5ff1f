#include "localisation/languagefile.h"
#include "localisation/translator.h"
#include "localisation/windowtexts.h"
#include "manager/frmstartup.h"
#include "manager/setuppanel.h"
#include "platform/autostart.h"
#include "platform/testing/testmain.h"
#include "shell/languageservice.h"
#include "shell/periodic.h"
#include "shell/program.h"
#include "store/recordcodec.h"
#include "tempprogramfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <functional>

namespace {

QByteArray iniLine(const char* key, const QString& value) {
    return QByteArray(key).leftJustified(20) + value.leftJustified(128).toLatin1() + "\r\n";
}

using qbtest::readFile;
using qbtest::writeFile;

// The value of a key in the settings file, as written.
QString settingValue(const QString& file, const char* key) {
    for (const QByteArray& line : readFile(file).split('\n')) {
        if (line.startsWith(key))
            return QString::fromLatin1(line.mid(20)).trimmed();
    }
    return QStringLiteral("<none>");
}

// Every text the program's windows show: "window/control.Caption" (or .ToolTipText) -> text.
// The tray menu is the manager's.
using Texts = QMap<QString, QString>;
Texts windowTexts() {
    QList<QWidget*> menus;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu*>(w) && w->parentWidget() == nullptr)
            menus << w;
    }
    Texts texts;
    QMap<QString, int> seen;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const QString section = window->objectName();
        if (!section.startsWith(QLatin1String("frm")) || section == QLatin1String("frmMsgbox") ||
            seen[section]++ > 0)
            continue;
        const auto extra = section == QLatin1String("frmStartup") ? menus : QList<QWidget*>();
        for (const windowtexts::Control& c : windowtexts::controls(window, extra)) {
            if (c.object == window)
                continue;
            const auto* label = qobject_cast<const QLabel*>(c.object);
            if (label && (label->textInteractionFlags() & Qt::TextSelectableByMouse))
                continue;
            bool has = false;
            const QString caption = windowtexts::caption(c.object, &has);
            if (has && !caption.trimmed().isEmpty() && !caption.contains(QLatin1Char('\n')))
                texts.insert(section + u'/' + c.name + QStringLiteral(".Caption"), caption);
            const QString tip = windowtexts::toolTip(c.object);
            if (!tip.trimmed().isEmpty() && !tip.contains(QLatin1Char('\n')))
                texts.insert(section + u'/' + c.name + QStringLiteral(".ToolTipText"), tip);
        }
    }
    return texts;
}

// The keys of an INI file, "section/key", in lower case.
QStringList iniKeys(const QString& path) {
    QStringList keys;
    QString section;
    for (QString line : QString::fromUtf8(readFile(path)).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.indexOf(u']') - 1);
        } else if (line.contains(u'=') && !line.startsWith(u';')) {
            keys << (section + u'/' + line.left(line.indexOf(u'=')).trimmed()).toLower();
        }
    }
    return keys;
}

} // namespace

// The setup panel in a running program, the translation of every window and the template.
class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_program.reset(); }
    void setupPanelHandlers_data();
    void setupPanelHandlers();
    void everyWindowSpeaksFrenchAndBack();
    void templateHoldsEveryTextAndTranslationsAreComplete();

private:
    void start() {
        m_program = std::make_unique<Program>(ProgramFolder(m_folder));
        QVERIFY(m_program->start());
        m_panel = m_program->language()->setupPanel();
        QVERIFY(m_panel);
        m_program->manager()->show();
        m_program->manager()->cmdSetup_Click();
    }
    template <typename T>
    T* control(const char* name) {
        auto* found = m_panel->findChild<T*>(QLatin1String(name));
        [&] { QVERIFY2(found, name); }();
        return found;
    }
    [[nodiscard]] QString file(const char* name) const { return m_folder + QLatin1String(name); }

    std::unique_ptr<TempProgramFolder> m_root;
    QString m_folder;
    std::unique_ptr<Program> m_program;
    SetupPanel* m_panel = nullptr;
};

void TestLanguage::init() {
    m_root = std::make_unique<TempProgramFolder>();
    m_root->exportEnvironment();
    m_folder = m_root->folder();
    QDir().mkpath(file("Languages"));
    QDirIterator languages(QStringLiteral(QB_LANGUAGES_DIR), {QStringLiteral("*.ini")});
    while (languages.hasNext()) {
        const QString path = languages.next();
        QVERIFY(QFile::copy(path, file("Languages/") + QFileInfo(path).fileName()));
    }
    writeFile(file("Quillaboard.ini"), iniLine("[Version]", Program::runningVersion()) +
                                           iniLine("[ShowTooltips]", QStringLiteral("1")) +
                                           iniLine("[SetupAutoSave]", QStringLiteral("1")) +
                                           iniLine("[End of INI]", {}));
    NoteRecord record;
    record.setTitle(QStringLiteral("first"));
    NoteWindowState window;
    window.Left = window.Top = window.Width = window.Height = 3000;
    window.Visible = true;
    writeFile(file("Quillaboard.dat"), recordcodec::encode(record, window, 1));
}

void TestLanguage::setupPanelHandlers_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("run on startup written") << "autostart on";
    QTest::newRow("run on startup removed") << "autostart off";
    QTest::newRow("auto-save interval") << "save 1 min.";
    QTest::newRow("auto-refresh interval") << "refresh 0.5 sec.";
    QTest::newRow("title prefix") << "prefix";
}

void TestLanguage::setupPanelHandlers() {
    QFETCH(QString, action);
    const QString exe = QCoreApplication::applicationFilePath();
    if (action == QLatin1String("autostart off"))
        QVERIFY(autostart::writeRunValue(exe));
    start();
    auto* run = control<QCheckBox>("chkRunOnStartup");
    QCOMPARE(run->isChecked(), action == QLatin1String("autostart off"));
    const QString ini = file("Quillaboard.ini");

    if (action.startsWith(QLatin1String("autostart"))) {
        run->click();
    } else if (action.startsWith(QLatin1String("save"))) {
        auto* list = control<QComboBox>("cboAutoSaveTime");
        const int entry = AutoSaveTimes().indexOf(action.mid(5));
        list->setCurrentIndex(entry);
        emit list->activated(entry);
    } else if (action.startsWith(QLatin1String("refresh"))) {
        control<QCheckBox>("chkAutoRefresh")->click();
        auto* list = control<QComboBox>("cboAutoRefreshTime");
        const int entry = AutoRefreshTimes().indexOf(action.mid(8));
        list->setCurrentIndex(entry);
        emit list->activated(entry);
    } else {
        QTest::keyClicks(control<QLineEdit>("txtPrefixNewNote"), QStringLiteral(" x"));
    }
    control<QPushButton>("cmdSetupOk")->click();
    QCOMPARE(m_program->state().CurrentPanel, QStringLiteral("liste"));

    if (action == QLatin1String("autostart on")) {
        QCOMPARE(autostart::readRunValue(), exe);
    } else if (action == QLatin1String("autostart off")) {
        QVERIFY(!QFile::exists(autostart::desktopFilePath()));
    } else if (action.startsWith(QLatin1String("save"))) {
        QCOMPARE(settingValue(ini, "[SetupAutoSaveTime]"), QStringLiteral("9"));
        QCOMPARE(m_program->autoSaveTimer().interval(), 60001);
        QVERIFY(m_program->autoSaveTimer().isActive());
    } else if (action.startsWith(QLatin1String("refresh"))) {
        QCOMPARE(settingValue(ini, "[SetupAutoRefresh]"), QStringLiteral("1"));
        QCOMPARE(settingValue(ini, "[SetupAutoRefrTime]"), QStringLiteral("2"));
        QCOMPARE(m_program->autoRefreshTimer().interval(), 500);
        // It runs only while the manager is hidden.
        QVERIFY(!m_program->autoRefreshTimer().isActive());
        m_program->manager()->Show_Hide_Quillaboard();
        QVERIFY(m_program->autoRefreshTimer().isActive());
    } else {
        QCOMPARE(m_program->settings().txtPrefixNewNote, QStringLiteral("New note x"));
        QCOMPARE(settingValue(ini, "[PrefixNewNote]"), QStringLiteral("New note x"));
    }
}

void TestLanguage::everyWindowSpeaksFrenchAndBack() {
    start();
    const Texts english = windowTexts();
    QVERIFY(english.size() > 60);
    const languagefile::IniFile french = languagefile::IniFile::read(file("Languages/French.ini"));
    const auto checkFrench = [&](const Texts& shown) {
        int translated = 0;
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            const QString section = it.key().section(u'/', 0, 0);
            const QString key = it.key().section(u'/', 1);
            bool found = false;
            const QString expected = french.value(section, key, {}, &found);
            if (!found)
                continue;
            ++translated;
            if (!QTest::qVerify(it.value() == expected, "it.value() == expected",
                                qPrintable(it.key() + QStringLiteral(": ") + it.value() +
                                           QStringLiteral(" / ") + expected),
                                __FILE__, __LINE__))
                return -1;
        }
        return translated;
    };

    m_panel->cboLanguages_Click(QStringLiteral("French"));
    QCOMPARE(m_program->settings().Language, QStringLiteral("French"));
    QVERIFY(checkFrench(windowTexts()) > 60);
    QCOMPARE(m_program->manager()->findChild<QPushButton*>(QStringLiteral("cmdNewNote"))->text(),
             QStringLiteral("Nouvelle note"));

    // A window made after the choice speaks French as it appears.
    m_program->manager()->findChild<QPushButton*>(QStringLiteral("cmdNewNote"))->click();
    QVERIFY(checkFrench(windowTexts()) > 60);

    m_panel->cboLanguages_Click(NativeLanguage);
    const Texts back = windowTexts();
    // The manager goes back to English at once.
    for (auto it = english.cbegin(); it != english.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("frmStartup/")))
            QCOMPARE(back.value(it.key()), it.value());
    }
}

void TestLanguage::templateHoldsEveryTextAndTranslationsAreComplete() {
    start();
    const Texts shown = windowTexts();
    m_program->manager()->findChild<QLabel*>(QStringLiteral("lblLanguage"))->setFocus();
    QTest::mouseClick(m_program->manager()->findChild<QLabel*>(QStringLiteral("lblLanguage")),
                      Qt::LeftButton);
    const QString templatePath = file("Languages/Template.ini");
    QVERIFY(QFile::exists(templatePath));

    // Every caption and tooltip the windows show is in the template, as shown.
    const languagefile::IniFile written = languagefile::IniFile::read(templatePath);
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        bool found = false;
        QCOMPARE(written.value(it.key().section(u'/', 0, 0), it.key().section(u'/', 1), {}, &found),
                 it.value());
        QVERIFY2(found, qPrintable(it.key()));
    }
    for (int n = 1; n <= Translator::englishMessages().size(); ++n)
        QCOMPARE(written.value(QStringLiteral("MSG"), QString::number(n), {}),
                 Translator::englishMessages().at(n - 1));

    // Read back as a language, it changes nothing.
    m_program->language()->applyLanguage(QStringLiteral("Template"));
    QCOMPARE(windowTexts(), shown);
    m_program->language()->applyLanguage(NativeLanguage);

    // The shipped translations say everything the template holds, except the labels that show
    // the program's state, which the program fills with translated messages.
    static const QRegularExpression state(
        QStringLiteral("/(lbl\\w*(Status|Info|Version|Msg|Tooltip|Action|Date)|lblDetMail|"
                       "Label1|lblYourID)\\.caption$|/lblActionbarRoll\\.tooltiptext$"),
        QRegularExpression::CaseInsensitiveOption);
    for (const char* language : {"French", "German"}) {
        const QStringList keys =
            iniKeys(file("Languages/") + QLatin1String(language) + QLatin1String(".ini"));
        for (const QString& key : iniKeys(templatePath)) {
            if (!key.contains(state) && !key.startsWith(QLatin1String("general/")))
                QVERIFY2(keys.contains(key), qPrintable(QLatin1String(language) + u' ' + key));
        }
    }
}

QB_TEST_CLASS(TestLanguage)
#include "tst_language.moc"
