// Starts the real program in a temporary program folder and checks it from outside: the files
// it writes, a second start, and the end of the session.
#include "store/recordlayout.h"
#include "tempprogramfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

constexpr int StartMs = 30000;

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstRunSecondStartAndAnUnchangedRun();
    void sigtermWithUnsavableNotesWritesARescueFile();

private:
    void start(QProcess& process, const QString& dataHome = {}) const;
    [[nodiscard]] QString file(const char* name) const { return m_folder + QLatin1String(name); }
    static void terminate(QProcess& process, int expectedCode = 0);

    std::unique_ptr<TempProgramFolder> m_root;
    QString m_folder;
};

void TestEndToEnd::init() {
    m_root = std::make_unique<TempProgramFolder>();
    m_folder = m_root->folder();
    QVERIFY(QFile::copy(QStringLiteral(QB_EXECUTABLE), file("quillaboard")));
    QVERIFY(QFile::copy(QStringLiteral(QB_HELP_NOTES), file("Quillaboard.new")));
}

void TestEndToEnd::start(QProcess& process, const QString& dataHome) const {
    QProcessEnvironment env = m_root->environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!dataHome.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    process.setProcessEnvironment(env);
    process.setProgram(file("quillaboard"));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    QVERIFY(process.waitForStarted(StartMs));
}

void TestEndToEnd::terminate(QProcess& process, int expectedCode) {
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(StartMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), expectedCode);
}

void TestEndToEnd::firstRunSecondStartAndAnUnchangedRun() {
    QProcess program;
    start(program);
    // The first run of a version writes the settings and both data files whole.
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(file("Quillaboard.ini")) && QFile::exists(file("QuillaEvents.bak")), StartMs);
    QProcess second;
    start(second);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(program.state(), QProcess::Running);
    terminate(program);

    const QByteArray ini = readFile(file("Quillaboard.ini"));
    const QList<QByteArray> lines = ini.split('\n');
    QVERIFY(lines.size() > 60);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        QCOMPARE(lines.at(i).size(), 149); // 148 characters and the CR
    QVERIFY(lines.first().startsWith("[Version]           " QB_VERSION " "));

    // The help notes were merged from the import file, which is gone.
    QCOMPARE(QFileInfo(file("Quillaboard.dat")).size(), 2 * layout::RecordSize);
    QVERIFY(!QFile::exists(file("Quillaboard.new")));
    QVERIFY(readFile(file("Quillaboard.dat")).contains("Quick help 1"));

    // A first run registers the program to start with the session.
    QVERIFY(readFile(m_root->path(QStringLiteral("config/autostart/Quillaboard.desktop")))
                .contains("Exec=" + QFile::encodeName(m_folder) + "quillaboard"));

    // A run that changes nothing leaves the files alone.
    const QByteArray dat = readFile(file("Quillaboard.dat"));
    const QDateTime datTime = QFileInfo(file("Quillaboard.dat")).lastModified();
    QProcess again;
    start(again);
    QTest::qWait(1500);
    terminate(again);
    QCOMPARE(readFile(file("Quillaboard.ini")), ini);
    QCOMPARE(readFile(file("Quillaboard.dat")), dat);
    QCOMPARE(QFileInfo(file("Quillaboard.dat")).lastModified(), datTime);
}

void TestEndToEnd::sigtermWithUnsavableNotesWritesARescueFile() {
    // The help notes arrive as an import into a data file that may not be written, so they
    // are never saved; the end of the session leaves nobody to ask.
    QFile dat(file("Quillaboard.dat"));
    QVERIFY(dat.open(QIODevice::WriteOnly));
    dat.close();
    QVERIFY(dat.setPermissions(QFile::ReadOwner | QFile::ReadGroup));
    const QString rescueFolder = m_root->path(QStringLiteral("data/Quillaboard/rescue"));
    QProcess program;
    start(program);
    // A termination request that arrives during the start-up is handled right after it.
    QTest::qWait(500);
    terminate(program);
    const QStringList rescued = QDir(rescueFolder).entryList(QDir::Files);
    QCOMPARE(rescued.size(), 1);
    QVERIFY(readFile(rescueFolder + QLatin1Char('/') + rescued.at(0)).contains("Quick help 1"));

    // With nowhere to put them either, the exit status says that notes were lost. The import
    // file stays, as nothing was written.
    QVERIFY(QFile::exists(file("Quillaboard.new")));
    QProcess lost;
    start(lost, QStringLiteral("/dev/null/nowhere"));
    QTest::qWait(500);
    terminate(lost, 1);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
