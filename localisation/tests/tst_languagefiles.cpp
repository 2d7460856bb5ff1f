#include "localisation/languagefile.h"
#include "localisation/translator.h"
#include "localisation/windowtexts.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using languagefile::Problem;

namespace {

using qbtest::writeFile;

// A window as the program builds them: named controls, a menu, a child window.
struct Window {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QPushButton* ok = new QPushButton(QStringLiteral("OK"), window.get());
    QCheckBox* tips = new QCheckBox(QStringLiteral("Show tooltips"), window.get());
    QLabel* status = new QLabel(QStringLiteral("Created"), window.get());
    QGroupBox* frame = new QGroupBox(QStringLiteral("Setup"), window.get());
    QPushButton* folder = new QPushButton(QStringLiteral("Set the picture dir."), frame);
    QMenu* menu = new QMenu(window.get());
    QAction* hide = menu->addAction(QStringLiteral("Hide"));
    QDialog* child = new QDialog(window.get());
    QPushButton* childButton = new QPushButton(QStringLiteral("Close"), child);

    Window() {
        window->setObjectName(QStringLiteral("frmTest"));
        window->setWindowTitle(QStringLiteral("Quillaboard"));
        const std::pair<QObject*, const char*> names[] = {
            {ok, "cmdOk"},         {tips, "chkShowTooltips"},    {status, "lblStatus"},
            {frame, "fraSetup"},   {folder, "cmdSetPictureDir"}, {menu, "mnuNote"},
            {hide, "mnuNoteHide"}, {child, "frmChild"},          {childButton, "cmdClose"},
        };
        for (const auto& [object, name] : names)
            object->setObjectName(QLatin1String(name));
        ok->setToolTip(QStringLiteral("Save the settings"));
        tips->setToolTip(QStringLiteral("Show the tooltips help"));
        folder->setToolTip(QStringLiteral("/home/user/Pictures/"));
    }
    [[nodiscard]] QStringList texts() const {
        return {window->windowTitle(), ok->text(),         ok->toolTip(),  tips->text(),
                tips->toolTip(),       status->text(),     frame->title(), folder->toolTip(),
                hide->text(),          childButton->text()};
    }
};

} // namespace

// Language files: reading them in their character set, the lookups and their fallbacks, the
// translation of windows by object name and the template.
class TestLanguageFiles : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_tr = std::make_unique<Translator>();
        m_log.lines.clear();
        m_reports.clear();
        m_tr->setDiagnostics(&m_log, &m_debugMode);
        m_tr->setProblemReport([this](const QString&, Problem problem) { m_reports << problem; });
        m_debugMode = false;
    }

    void lookup_data();
    void lookup();
    void badFilesFallBackAndAreReportedOnce_data();
    void badFilesFallBackAndAreReportedOnce();
    void diagnosticTraces();
    void windows_data();
    void windows();
    void templateHoldsEveryTextAndReadsBack();

private:
    QString use(const QByteArray& bytes) {
        const QString path = m_dir->filePath(QStringLiteral("Test.ini"));
        writeFile(path, bytes);
        m_tr->setLanguage(QStringLiteral("Test"), path);
        return path;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Translator> m_tr;
    FakeDiagnosticLog m_log;
    bool m_debugMode = false;
    QList<Problem> m_reports;
};

void TestLanguageFiles::lookup_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString english7 = QStringLiteral("For this setting to take effect,");
    const QString msg = QStringLiteral("MSG");
    QTest::newRow("message") << QByteArray("[MSG]\r\n7=Pour que ce réglage prenne effet,\r\n")
                             << msg << "7" << QStringLiteral("Pour que ce réglage prenne effet,");
    QTest::newRow("names without case, blanks dropped")
        << QByteArray("[msg]\n  7  =  Sept  \n") << msg << "7" << QStringLiteral("Sept");
    QTest::newRow("first occurrence wins") << QByteArray("[MSG]\n7=one\n7=two\n[MSG]\n7=three\n")
                                           << msg << "7" << QStringLiteral("one");
    QTest::newRow("missing key is English") << QByteArray("[MSG]\n8=x\n") << msg << "7" << english7;
    QTest::newRow("only a MSG section leaves windows English")
        << QByteArray("[MSG]\n7=x\n") << "frmStartup"
        << "cmdSetup.Caption"
        << "Setup";
    QTest::newRow("comment and key before any section ignored")
        << QByteArray("7=early\n[MSG]\n;7=comment\n") << msg << "7" << english7;
    QTest::newRow("empty value is a value") << QByteArray("[MSG]\n7=\n") << msg << "7" << QString();
    QTest::newRow("value cut to 254") << QByteArray("[MSG]\n7=" + QByteArray(300, 'a') + "\n")
                                      << msg << "7" << QString(254, QLatin1Char('a'));
    // "Привет" in Windows-1251.
    QTest::newRow("Windows-1251 by its Charset")
        << QByteArray("[General]\nCharset=204\n[MSG]\n7=\xCF\xF0\xE8\xE2\xE5\xF2\n") << msg << "7"
        << QStringLiteral("Привет");
    QTest::newRow("UTF-8 whatever the Charset says")
        << QByteArray("[General]\nCharset=204\n[MSG]\n7=Привет\n") << msg << "7"
        << QStringLiteral("Привет");
    // "Děkuji" in Windows-1250.
    QTest::newRow("Windows-1250 by its Charset")
        << QByteArray("[General]\r\nCharset=238\r\n[MSG]\r\n7=D\xECkuji\r\n") << msg << "7"
        << QStringLiteral("Děkuji");
    QTest::newRow("Western without a Charset")
        << QByteArray("[MSG]\n7=r\xE9glage\n") << msg << "7" << QStringLiteral("réglage");
    QTest::newRow("unknown Charset read as Western")
        << QByteArray("[General]\nCharset=999\n[MSG]\n7=r\xE9glage\n") << msg << "7"
        << QStringLiteral("réglage");
}

void TestLanguageFiles::lookup() {
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    use(file);
    const QString english = section == QLatin1String("MSG")
                                ? Translator::englishMessages().at(key.toInt() - 1)
                                : QStringLiteral("Setup");
    const QString got = section == QLatin1String("MSG") ? m_tr->Translation(key.toInt())
                                                        : m_tr->ReadIniFile(section, key, english);
    QCOMPARE(got, expected);
}

void TestLanguageFiles::badFilesFallBackAndAreReportedOnce_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("removeAfterFirstRead");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QString>("message27");

    const QString yes = QStringLiteral("Yes");
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 37) % 256);
    binary.prepend("[MSG]\n27=Oui\n");
    QTest::newRow("binary") << binary << false << int(Problem::Binary) << yes;
    QTest::newRow("10 MB line") << QByteArray("[MSG]\n27=Oui\n28=" +
                                              QByteArray(10 * 1024 * 1024, 'x') + "\n")
                                << false << int(Problem::TooLarge) << QStringLiteral("Oui");
    QTest::newRow("no sections") << QByteArray("27=Oui\n28=Non\n") << false
                                 << int(Problem::NoSections) << yes;
    QTest::newRow("unknown charset")
        << QByteArray("[General]\nCharset=Klingon\n[MSG]\n27=Oui\n") << false
        << int(Problem::UnknownCharset) << QStringLiteral("Oui");
    QTest::newRow("removed while running")
        << QByteArray("[MSG]\n27=Oui\n") << true << int(Problem::Missing) << yes;
}

void TestLanguageFiles::badFilesFallBackAndAreReportedOnce() {
    QFETCH(QByteArray, file);
    QFETCH(bool, removeAfterFirstRead);
    QFETCH(int, problem);
    QFETCH(QString, message27);
    const QString path = use(file);
    if (removeAfterFirstRead) {
        QCOMPARE(m_tr->Translation(27), QStringLiteral("Oui"));
        QVERIFY(m_reports.isEmpty());
        QVERIFY(QFile::remove(path));
    }
    for (int round = 0; round < 3; ++round) {
        QCOMPARE(m_tr->Translation(27), message27);
        QCOMPARE(m_tr->Translation(41), QStringLiteral("Are you sure?"));
    }
    QCOMPARE(m_reports, QList<Problem>{static_cast<Problem>(problem)});
}

void TestLanguageFiles::diagnosticTraces() {
    m_debugMode = true;
    (void)m_tr->Translation(7);
    const QString path = use("[MSG]\n7=Sept\n");
    (void)m_tr->Translation(7);
    m_debugMode = false;
    (void)m_tr->Translation(8);
    QStringList lines;
    for (const auto& line : m_log.lines) {
        QCOMPARE(line.fileName, QStringLiteral("DebugMode.log"));
        lines << line.line;
    }
    const QStringList expected = {
        QStringLiteral("[Translation] English native message ID=7"),
        QStringLiteral("[Translation] Asking translation of message ID=7"),
        QStringLiteral("[ReadIniFile] (Before Loading) Language to load=") + path +
            QStringLiteral(" Section=MSG Key=7 Default=For this setting to take effect,"),
        QStringLiteral("[ReadIniFile] (After Loading)  Err.Number=0 () Length returned=4 "
                       "Translation returned=Sept"),
    };
    QCOMPARE(lines, expected);
}

void TestLanguageFiles::windows_data() {
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("tooltips");
    QTest::addColumn<QStringList>("expected");

    const QByteArray french = "[frmTest]\nForm.Caption=Quillaboard FR\ncmdOk.Caption=Valider\n"
                              "cmdOk.ToolTipText=Enregistrer\nchkShowTooltips.Caption=Bulles\n"
                              "fraSetup.Caption=Réglages\nmnuNoteHide.Caption=Cacher\n"
                              "cmdClose.Caption=Fermer\ncmdSetPictureDir.ToolTipText=Dossier\n";
    const QByteArray partial = "[frmTest]\ncmdOk.Caption=OK-DE\n";
    // Title, caption and tooltip of cmdOk and chkShowTooltips, lblStatus, fraSetup, the path
    // tooltip, the menu entry and the child window's button.
    const auto texts = [](const char* joined) { return QString::fromUtf8(joined).split(u'|'); };
    QTest::newRow("translated; a child window is not this window's")
        << french << QByteArray() << true
        << texts("Quillaboard FR|Valider|Enregistrer|Bulles|Show the tooltips help|Created|"
                 "Réglages|/home/user/Pictures/|Cacher|Close");
    QTest::newRow("tooltips off: emptied but a chosen path")
        << french << QByteArray() << false
        << texts("Quillaboard FR|Valider||Bulles||Created|Réglages|/home/user/Pictures/|Cacher|"
                 "Close");
    QTest::newRow("another language: what it leaves out is English again")
        << french << partial << true
        << texts("Quillaboard|OK-DE|Save the settings|Show tooltips|Show the tooltips help|"
                 "Created|Setup|/home/user/Pictures/|Hide|Close");
    QTest::newRow("back to English")
        << french << QByteArray("-") << true
        << texts("Quillaboard|OK|Save the settings|Show tooltips|Show the tooltips help|Created|"
                 "Setup|/home/user/Pictures/|Hide|Close");
}

void TestLanguageFiles::windows() {
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(bool, tooltips);
    QFETCH(QStringList, expected);
    Window w;
    const windowtexts::Options options{tooltips, false};
    const auto load = [&](const QByteArray& bytes) {
        if (bytes == "-")
            m_tr->setLanguage(NativeLanguage, {});
        else
            use(bytes);
        windowtexts::LoadAllNames(w.window.get(), QStringLiteral("frmTest"), *m_tr, options);
    };
    load(first);
    // The program changes a label's text itself: a later translation leaves it alone.
    w.status->setText(QStringLiteral("Created"));
    if (!second.isEmpty())
        load(second);
    QCOMPARE(w.texts(), expected);
}

void TestLanguageFiles::templateHoldsEveryTextAndReadsBack() {
    Window w;
    w.status->setText(QStringLiteral("two\nlines"));
    const QString path = m_dir->filePath(QStringLiteral("Template.ini"));
    languagefile::IniWriter out(path);
    windowtexts::WriteAllNames(w.window.get(), QStringLiteral("frmTest"), out, 204);
    QVERIFY(out.save());

    // Every caption and tooltip shown, found by walking the window, is in the template.
    m_tr->setLanguage(QStringLiteral("Template"), path);
    QCOMPARE(m_tr->ReadIniFile(QStringLiteral("General"), QStringLiteral("Charset"), {}),
             QStringLiteral("204"));
    int checked = 0;
    for (const windowtexts::Control& control : windowtexts::controls(w.window.get())) {
        if (control.object == w.window.get() || control.object == w.status ||
            control.object->objectName() == QLatin1String("cmdClose"))
            continue;
        bool has = false;
        const QString text = windowtexts::caption(control.object, &has);
        if (has && !text.isEmpty()) {
            bool found = false;
            QCOMPARE(m_tr->ReadIniFile(QStringLiteral("frmTest"),
                                       control.name + QStringLiteral(".Caption"), {}, &found),
                     text);
            QVERIFY2(found, qPrintable(control.name));
            ++checked;
        }
    }
    QCOMPARE(checked, 5);
    bool found = true;
    (void)m_tr->ReadIniFile(QStringLiteral("frmTest"), QStringLiteral("lblStatus.Caption"), {},
                            &found);
    QVERIFY(!found);

    // Loaded as a language, it changes nothing.
    const QStringList before = w.texts();
    windowtexts::LoadAllNames(w.window.get(), QStringLiteral("frmTest"), *m_tr, {});
    QCOMPARE(w.texts(), before);
}

QB_TEST_CLASS(TestLanguageFiles)
#include "tst_languagefiles.moc"
