// Starts the real program in a temporary program folder and checks it from outside: the files
// it writes, an unchanged run, and the end of the session.
#include "tempprogramfolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <functional>

namespace {

constexpr int StartMs = 30000;

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Half a second for the start-up; a termination request arriving during it is handled after it.
std::function<bool()> started() {
    return [deadline = QDeadlineTimer(500)] { return deadline.hasExpired(); };
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void init();
    void firstRunWritesItsFilesAndAnUnchangedRunLeavesThem();
    void sigtermWithUnsavableNotesWritesARescueFile();

private:
    // Runs the program until `ready`, then ends it as the session's end does.
    void run(const std::function<bool()>& ready, int exitCode = 0, const QString& dataHome = {});
    [[nodiscard]] QString file(const char* name) const { return m_folder + QLatin1String(name); }
    std::unique_ptr<TempProgramFolder> m_root;
    QString m_folder;
};

void TestEndToEnd::init() {
    m_root = std::make_unique<TempProgramFolder>();
    m_folder = m_root->folder();
    QVERIFY(QFile::copy(QStringLiteral(QB_EXECUTABLE), file("quillaboard")));
    QVERIFY(QFile::copy(QStringLiteral(QB_HELP_NOTES), file("Quillaboard.new")));
}

void TestEndToEnd::run(const std::function<bool()>& ready, int exitCode, const QString& dataHome) {
    QProcessEnvironment env = m_root->environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!dataHome.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(file("quillaboard"), {});
    QVERIFY(process.waitForStarted(StartMs));
    QTRY_VERIFY_WITH_TIMEOUT(ready(), StartMs);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(StartMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
}

void TestEndToEnd::firstRunWritesItsFilesAndAnUnchangedRunLeavesThem() {
    // The first run of a version writes the settings and both data files whole.
    run([this] {
        return QFile::exists(file("Quillaboard.ini")) && QFile::exists(file("QuillaEvents.bak"));
    });
    const QByteArray ini = readFile(file("Quillaboard.ini"));
    QVERIFY(ini.startsWith("[Version]           " QB_VERSION " "));

    // The help notes were merged from the import file, which is gone.
    const QByteArray dat = readFile(file("Quillaboard.dat"));
    QVERIFY(dat.contains("Quick help 1") && !QFile::exists(file("Quillaboard.new")));

    // A run that changes nothing leaves the files alone.
    const QDateTime datTime = QFileInfo(file("Quillaboard.dat")).lastModified();
    run([deadline = QDeadlineTimer(1500)] { return deadline.hasExpired(); });
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
    run(started());
    const QString rescueFolder = m_root->path(QStringLiteral("data/Quillaboard/rescue/"));
    const QStringList rescued = QDir(rescueFolder).entryList(QDir::Files);
    QCOMPARE(rescued.size(), 1);
    QVERIFY(readFile(rescueFolder + rescued.at(0)).contains("Quick help 1"));

    // The import file stays, as nothing was written. With nowhere to put the notes either,
    // the exit status says that notes were lost.
    QVERIFY(QFile::exists(file("Quillaboard.new")));
    run(started(), 1, QStringLiteral("/dev/null/nowhere"));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
