// Starts the real program in a temporary program folder and checks it from outside: the files
// it writes, a second start, and the end of the session.
#include "store/recordlayout.h"
#include "tempprogramfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
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
    void cleanup();
    void firstRunWritesItsFilesAndAnUnchangedRunLeavesThem();
    void secondStartEndsAtOnce();
    void sigtermWithUnsavableNotesWritesARescueFile();

private:
    [[nodiscard]] QProcessEnvironment environment() const;
    void startProgram(QProcess& process, const QProcessEnvironment& env = {}) const;
    [[nodiscard]] QString file(const char* name) const { return m_folder + QLatin1String(name); }
    void waitForFirstRunFiles() const;
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

void TestEndToEnd::cleanup() {
    m_root.reset();
}

QProcessEnvironment TestEndToEnd::environment() const {
    QProcessEnvironment env = m_root->environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

void TestEndToEnd::startProgram(QProcess& process, const QProcessEnvironment& env) const {
    process.setProcessEnvironment(env.isEmpty() ? environment() : env);
    process.setProgram(file("quillaboard"));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    QVERIFY(process.waitForStarted(StartMs));
}

void TestEndToEnd::waitForFirstRunFiles() const {
    // The first run of a version writes the settings and both data files whole.
    QTRY_VERIFY_WITH_TIMEOUT(
        QFile::exists(file("Quillaboard.ini")) && QFile::exists(file("QuillaEvents.bak")), StartMs);
}

void TestEndToEnd::terminate(QProcess& process, int expectedCode) {
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(StartMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), expectedCode);
}

void TestEndToEnd::firstRunWritesItsFilesAndAnUnchangedRunLeavesThem() {
    QProcess program;
    startProgram(program);
    waitForFirstRunFiles();
    terminate(program);

    const QByteArray ini = readFile(file("Quillaboard.ini"));
    const QList<QByteArray> lines = ini.split('\n');
    QVERIFY(lines.size() > 60);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        QCOMPARE(lines.at(i).size(), 149); // 148 characters and the CR
    QVERIFY(lines.first().startsWith("[Version]           " QB_VERSION " "));
    QVERIFY(lines.at(lines.size() - 2).startsWith("[End of INI]"));

    // The help notes were merged from the import file, which is gone.
    QCOMPARE(QFileInfo(file("Quillaboard.dat")).size(), 2 * layout::RecordSize);
    QVERIFY(!QFile::exists(file("Quillaboard.new")));
    QVERIFY(readFile(file("Quillaboard.dat")).contains("Quick help 1"));
    QCOMPARE(QFileInfo(file("QuillaEvents.dat")).size(), 0);

    // A first run registers the program to start with the session.
    const QByteArray desktop =
        readFile(m_root->path(QStringLiteral("config/autostart/Quillaboard.desktop")));
    QVERIFY(desktop.contains("Exec=" + QFile::encodeName(m_folder) + "quillaboard"));

    // A run that changes nothing leaves the files alone.
    const QByteArray dat = readFile(file("Quillaboard.dat"));
    const QDateTime datTime = QFileInfo(file("Quillaboard.dat")).lastModified();
    QProcess again;
    startProgram(again);
    QTest::qWait(1500);
    terminate(again);
    QCOMPARE(readFile(file("Quillaboard.ini")), ini);
    QCOMPARE(readFile(file("Quillaboard.dat")), dat);
    QCOMPARE(QFileInfo(file("Quillaboard.dat")).lastModified(), datTime);
}

void TestEndToEnd::secondStartEndsAtOnce() {
    QProcess first;
    startProgram(first);
    waitForFirstRunFiles();

    QProcess second;
    startProgram(second);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    terminate(first);
}

void TestEndToEnd::sigtermWithUnsavableNotesWritesARescueFile() {
    // The help notes arrive as an import into a data file that may not be written, so they
    // are never saved; the end of the session leaves nobody to ask.
    QFile dat(file("Quillaboard.dat"));
    QVERIFY(dat.open(QIODevice::WriteOnly));
    dat.close();
    QVERIFY(dat.setPermissions(QFile::ReadOwner | QFile::ReadGroup));
    const QString rescueFolder = m_root->path(QStringLiteral("data/Quillaboard/rescue"));
    {
        QProcess program;
        startProgram(program);
        // A termination request that arrives during the start-up is handled right after it.
        QTest::qWait(500);
        terminate(program);
    }
    const QStringList rescued = QDir(rescueFolder).entryList(QDir::Files);
    QCOMPARE(rescued.size(), 1);
    QVERIFY(readFile(rescueFolder + QLatin1Char('/') + rescued.at(0)).contains("Quick help 1"));

    // With nowhere to put them either, the exit status says that notes were lost.
    QVERIFY(QDir(rescueFolder).removeRecursively());
    QVERIFY(QFile::copy(QStringLiteral(QB_HELP_NOTES), file("Quillaboard.new")) ||
            QFile::exists(file("Quillaboard.new")));
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/dev/null/nowhere"));
    QProcess program;
    startProgram(program, env);
    QTest::qWait(500);
    terminate(program, 1);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
