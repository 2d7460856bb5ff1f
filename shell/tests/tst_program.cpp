#include "localisation/frmmsgbox.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "notewindow/notecommands.h"
#include "notewindow/notewindowset.h"
#include "platform/autostart.h"
#include "platform/testing/testmain.h"
#include "shell/program.h"
#include "shell/rescue.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"
#include "tempprogramfolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QByteArray iniLine(const QString& key, const QString& value) {
    return key.leftJustified(20, QLatin1Char(' ')).toLatin1() +
           value.leftJustified(128, QLatin1Char(' ')).toLatin1() + "\r\n";
}

void writeIni(const QString& folder, const QString& version) {
    QFile f(folder + QStringLiteral("Quillaboard.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(iniLine(QStringLiteral("[Version]"), version));
    f.write(iniLine(QStringLiteral("[SetupAutoSave]"), QStringLiteral("1")));
    f.write(iniLine(QStringLiteral("[End of INI]"), QString()));
}

QByteArray note(const QString& title, std::int16_t number) {
    NoteRecord r;
    r.setTitle(title);
    NoteWindowState w;
    w.Left = 1500;
    w.Top = 1500;
    w.Width = 3000;
    w.Height = 2500;
    w.Text = title + QStringLiteral(" text");
    return recordcodec::encode(r, w, number);
}

void writeDat(const QString& folder, const QList<QByteArray>& records) {
    QFile dat(folder + QStringLiteral("Quillaboard.dat"));
    QVERIFY(dat.open(QIODevice::WriteOnly));
    for (const QByteArray& record : records)
        dat.write(record);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::int16_t recordNumberAt(const QByteArray& file, int index) {
    const auto* p = reinterpret_cast<const unsigned char*>(file.constData()) +
                    static_cast<qsizetype>(index) * layout::RecordSize;
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

// Answers the first open question box with the given button.
void answerQuestionLater(int button) {
    QTimer::singleShot(50, [button] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<frmMsgbox*>(w);
            if (box && box->isVisible() && box->cmdmsgbox(1) && box->cmdmsgbox(1)->isVisible()) {
                box->cmdmsgbox(button)->click();
                return;
            }
        }
        answerQuestionLater(button);
    });
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void newVersionRewritesAndUnchangedRunsTouchNothing();
    void startWithSystemQuestion();
    void secondCopyOnTheSameFolderEndsAtOnce();
    void unsavableNotesAtTheUsersExit();
    void unsavableNotesAtTheSessionsEndGoToARescueFile();
    void reloadAndVersionWaitForASuccessfulSave();

private:
    // Starts a program on the folder with one note, then makes the data file unwritable and
    // changes the note.
    void startWithUnsavableChange(Program& program);

    [[nodiscard]] QString file(const char* name) const { return m_folder + QLatin1String(name); }
    [[nodiscard]] QString datPath() const { return file("Quillaboard.dat"); }

    std::unique_ptr<TempProgramFolder> m_root;
    QString m_folder;
};

void TestProgram::init() {
    m_root = std::make_unique<TempProgramFolder>();
    m_root->exportEnvironment();
    m_folder = m_root->folder();
}

void TestProgram::cleanup() {
    m_root.reset();
}

void TestProgram::newVersionRewritesAndUnchangedRunsTouchNothing() {
    writeIni(m_folder, QStringLiteral("3.0.0"));
    // Record numbers as an old version may have left them; a whole rewrite renumbers.
    writeDat(m_folder, {note(QStringLiteral("one"), 7), note(QStringLiteral("two"), 9)});
    const QByteArray before = readFile(datPath());
    {
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        program.shutdown();
    }
    const QByteArray after = readFile(datPath());
    QCOMPARE(after.size(), 2 * layout::RecordSize);
    QCOMPARE(recordNumberAt(after, 0), std::int16_t(1));
    QCOMPARE(recordNumberAt(after, 1), std::int16_t(2));
    QCOMPARE(readFile(file("Quillaboard.bak")), before);
    QVERIFY(QFile::exists(file("QuillaEvents.bak")));
    QVERIFY(readFile(file("Quillaboard.ini"))
                .startsWith(iniLine(QStringLiteral("[Version]"), Program::runningVersion())));

    // A run that changes nothing writes nothing and rotates no backup.
    QVERIFY(QFile::remove(file("Quillaboard.bak")));
    const QByteArray ini = readFile(file("Quillaboard.ini"));
    const QDateTime datTime = QFileInfo(datPath()).lastModified();
    QPoint placed;
    {
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        program.shutdown();
    }
    QCOMPARE(readFile(file("Quillaboard.ini")), ini);
    QCOMPARE(QFileInfo(datPath()).lastModified(), datTime);
    QVERIFY(!QFile::exists(file("Quillaboard.bak")));

    // A moved manager is saved, and comes back exactly where it was: what is restored is what
    // was saved, so it does not creep by its frame at every start.
    {
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        program.manager()->show();
        program.manager()->move(123, 77);
        placed = program.manager()->geometry().topLeft();
        program.shutdown();
    }
    const QByteArray moved = readFile(file("Quillaboard.ini"));
    QVERIFY(moved.contains(
        iniLine(QStringLiteral("[posStartupLeft]"), QString::number(placed.x() * 15))));
    {
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        QCOMPARE(program.manager()->geometry().topLeft(), placed);
        program.shutdown();
    }
    QCOMPARE(readFile(file("Quillaboard.ini")), moved);
}

void TestProgram::startWithSystemQuestion() {
    writeIni(m_folder, Program::runningVersion());
    QVERIFY(autostart::writeRunValue(QStringLiteral("/elsewhere/quillaboard")));
    // "No" keeps the other copy registered; the question comes again, and "Yes" takes over.
    for (const int button : {1, 0}) {
        answerQuestionLater(button);
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        program.shutdown();
        QCOMPARE(autostart::readRunValue(),
                 button == 1
                     ? QStringLiteral("/elsewhere/quillaboard")
                     : QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath());
    }
}

void TestProgram::secondCopyOnTheSameFolderEndsAtOnce() {
    writeIni(m_folder, Program::runningVersion());
    Program first{ProgramFolder(m_folder)};
    QVERIFY(first.start());
    // Another runtime folder (another login, a sandbox) must not let a second copy in.
    const QString otherRuntime = m_root->path(QStringLiteral("run2"));
    QVERIFY(QDir().mkpath(otherRuntime));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(otherRuntime));
    Program second{ProgramFolder(m_folder)};
    QVERIFY(!second.start());
    QCOMPARE(second.exitCode(), 0);
    m_root->exportEnvironment();
    first.shutdown();
}

void TestProgram::startWithUnsavableChange(Program& program) {
    writeIni(m_folder, Program::runningVersion());
    writeDat(m_folder, {note(QStringLiteral("first"), 1)});
    QVERIFY(program.start());
    // A file without write bits is refused even to an administrator.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::ReadGroup));
    program.noteWindows()->commands().setTitle(0, QStringLiteral("edited"));
    QVERIFY(program.store().DataChanged);
}

void TestProgram::unsavableNotesAtTheUsersExit() {
    Program program{ProgramFolder(m_folder)};
    startWithUnsavableChange(program);
    // "No": the program, and the edit, stay.
    answerQuestionLater(1);
    program.quit();
    QVERIFY(program.noteWindows()->window(0));
    QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("edited"));
    QVERIFY(program.store().DataChanged);
    QVERIFY(rescue::pendingFiles().isEmpty());

    // Once the file may be written, the exit goes through without a question.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(program.shutdown(Program::ExitKind::User));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(readFile(datPath()).contains("edited"));
}

void TestProgram::unsavableNotesAtTheSessionsEndGoToARescueFile() {
    {
        Program program{ProgramFolder(m_folder)};
        startWithUnsavableChange(program);
        QVERIFY(program.shutdown(Program::ExitKind::Unattended));
        QCOMPARE(program.exitCode(), 0);
    }
    const QStringList files = rescue::pendingFiles();
    QCOMPARE(files.size(), 1);
    QVERIFY(files.at(0).startsWith(m_root->path(QStringLiteral("data/Quillaboard/rescue/"))));
    QCOMPARE(QFileInfo(files.at(0)).size(), layout::RecordSize);

    // The next start offers the rescued note; "Yes" brings it back as a new note.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::WriteOwner));
    answerQuestionLater(0);
    Program program{ProgramFolder(m_folder)};
    QVERIFY(program.start());
    QCOMPARE(program.store().LastNote(), 1);
    QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("first"));
    QCOMPARE(program.store().Notes.at(1).trimmedTitle(), QStringLiteral("edited"));
    program.shutdown();
    QVERIFY(rescue::pendingFiles().isEmpty());
}

void TestProgram::reloadAndVersionWaitForASuccessfulSave() {
    {
        Program program{ProgramFolder(m_folder)};
        startWithUnsavableChange(program);
        program.state().CurrentNote = 0;
        program.cmdReload_Click();
        // Not reloaded: the edit is still there, on the same window.
        QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("edited"));
        QVERIFY(program.store().Notes.at(0).hasPendingChange());
        QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::WriteOwner));
        program.cmdReload_Click();
        QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("edited"));
        QVERIFY(!program.store().Notes.at(0).hasPendingChange());
        QCOMPARE(program.state().CurrentNote, -1);
        program.shutdown();
    }

    // A new version whose rewrite fails keeps the old version, so the next start retries.
    writeIni(m_folder, QStringLiteral("3.0.0"));
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::ReadGroup));
    {
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        QCOMPARE(program.settings().Version, QStringLiteral("3.0.0"));
        QVERIFY(program.shutdown(Program::ExitKind::Unattended));
    }
    QVERIFY(readFile(file("Quillaboard.ini"))
                .startsWith(iniLine(QStringLiteral("[Version]"), QStringLiteral("3.0.0"))));
}

QB_TEST_CLASS(TestProgram)
#include "tst_program.moc"
