#include "alarms/alarmstatefile.h"
#include "alarms/wallclock.h"
#include "localisation/frmmsgbox.h"
#include "manager/frmstartup.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notecommands.h"
#include "notewindow/notewindowset.h"
#include "platform/oledate.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "shell/program.h"
#include "shell/rescue.h"
#include "store/recordcodec.h"
#include "store/recordlayout.h"
#include "tempprogramfolder.h"

#include <QApplication>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <functional>

namespace {

QByteArray iniLine(const char* key, const QString& value) {
    return QByteArray(key).leftJustified(20) + value.leftJustified(128).toLatin1() + "\r\n";
}

QByteArray ini(const QString& version) {
    return iniLine("[Version]", version) + iniLine("[SetupAutoSave]", QStringLiteral("1")) +
           iniLine("[End of INI]", {});
}

QByteArray note(const char* title, std::int16_t number) {
    NoteRecord r;
    r.setTitle(QLatin1String(title));
    NoteWindowState w;
    w.Left = w.Top = w.Width = w.Height = 3000;
    return recordcodec::encode(r, w, number);
}

using qbtest::readFile;
using qbtest::writeFile;

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

// A note whose alarm ("U") goes off `warn` minutes before `at`, with a desktop action.
QByteArray alarmNote(const char* title, const QDateTime& at, int warn, const char* special) {
    NoteRecord r;
    r.setTitle(QLatin1String(title));
    r.AlarmState = QStringLiteral("E");
    r.AlarmFreq = QStringLiteral("U");
    r.AlarmPrev = std::int16_t(-warn);
    r.AlarmPrevTp = QStringLiteral("M");
    r.AlarmShow = true;
    r.AlarmSpecial = QLatin1String(special);
    r.AlarmDate = oledate::fromDateTime(at);
    NoteWindowState w;
    w.Left = w.Top = w.Width = w.Height = 3000;
    return recordcodec::encode(r, w, 1);
}

struct PowerLog final : Desktop {
    QStringList log;
    Result setWallpaper(const QString&) override { return {}; }
    QStringList screensavers() override { return {}; }
    Result setScreensaver(int) override { return {}; }
    Result powerOff() override {
        log << QStringLiteral("power off");
        return {};
    }
};

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private slots:
    void init();
    void newVersionRewritesAndUnchangedRunsTouchNothing();
    void unsavableNotesAtTheUsersExitReloadAndASecondCopy();
    void unsavableNotesAtTheSessionsEndGoToARescueFile();
    void alarmsCaughtUpSnoozedAndShuttingDown();

private:
    // One start and orderly end of a program on the folder, `during` in between.
    void run(const std::function<void(Program&)>& during = {}) {
        Program program{ProgramFolder(m_folder)};
        QVERIFY(program.start());
        if (during)
            during(program);
        program.shutdown();
    }
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

void TestProgram::newVersionRewritesAndUnchangedRunsTouchNothing() {
    writeFile(file("Quillaboard.ini"), ini(QStringLiteral("3.0.0")));
    // Record numbers as an old version may have left them; a whole rewrite renumbers.
    const QByteArray before = note("one", 7) + note("two", 9);
    writeFile(datPath(), before);
    // A rewrite that fails keeps the old version, so the next start retries.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::ReadGroup));
    run([](Program& program) { QCOMPARE(program.settings().Version, QStringLiteral("3.0.0")); });
    QVERIFY(readFile(file("Quillaboard.ini")).startsWith(ini(QStringLiteral("3.0.0")).left(150)));
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::WriteOwner));
    run();
    const QByteArray after = readFile(datPath());
    QCOMPARE(qFromLittleEndian<qint16>(after.constData()), qint16(1));
    QCOMPARE(qFromLittleEndian<qint16>(after.constData() + layout::RecordSize), qint16(2));
    QCOMPARE(readFile(file("Quillaboard.bak")), before);
    QVERIFY(QFile::exists(file("QuillaEvents.bak")));
    QVERIFY(readFile(file("Quillaboard.ini")).startsWith(ini(Program::runningVersion()).left(150)));

    // A run that changes nothing writes nothing and rotates no backup.
    QVERIFY(QFile::remove(file("Quillaboard.bak")));
    const QByteArray settings = readFile(file("Quillaboard.ini"));
    const QDateTime datTime = QFileInfo(datPath()).lastModified();
    run();
    QCOMPARE(readFile(file("Quillaboard.ini")), settings);
    QCOMPARE(QFileInfo(datPath()).lastModified(), datTime);
    QVERIFY(!QFile::exists(file("Quillaboard.bak")));

    // A moved manager is saved, and comes back exactly where it was: what is restored is what
    // was saved, so it does not creep by its frame at every start.
    QPoint placed;
    run([&](Program& program) {
        program.manager()->show();
        program.manager()->move(123, 77);
        placed = program.manager()->geometry().topLeft();
    });
    const QByteArray moved = readFile(file("Quillaboard.ini"));
    QVERIFY(moved.contains(iniLine("[posStartupLeft]", QString::number(placed.x() * 15))));
    run([&](Program& program) { QCOMPARE(program.manager()->geometry().topLeft(), placed); });
    QCOMPARE(readFile(file("Quillaboard.ini")), moved);
}

void TestProgram::startWithUnsavableChange(Program& program) {
    writeFile(file("Quillaboard.ini"), ini(Program::runningVersion()));
    writeFile(datPath(), note("first", 1));
    QVERIFY(program.start());
    // A file without write bits is refused even to an administrator.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::ReadGroup));
    program.noteWindows()->commands().setTitle(0, QStringLiteral("edited"));
    QVERIFY(program.store().DataChanged);
}

void TestProgram::unsavableNotesAtTheUsersExitReloadAndASecondCopy() {
    Program program{ProgramFolder(m_folder)};
    startWithUnsavableChange(program);
    program.state().CurrentNote = 0;
    // Neither a reload nor the user's exit answered "No" lose the edit.
    program.cmdReload_Click();
    QVERIFY(program.store().Notes.at(0).hasPendingChange());
    answerQuestionLater(1);
    program.quit();
    QVERIFY(program.noteWindows()->window(0));
    QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("edited"));
    QVERIFY(rescue::pendingFiles().isEmpty());
    // Another runtime folder (another login, a sandbox) must not let a second copy in.
    const QString otherRuntime = m_root->path(QStringLiteral("run2"));
    QVERIFY(QDir().mkpath(otherRuntime));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(otherRuntime));
    Program second{ProgramFolder(m_folder)};
    QVERIFY(!second.start());
    QCOMPARE(second.exitCode(), 0);
    m_root->exportEnvironment();

    // Once the file may be written, both go through without a question.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::WriteOwner));
    program.cmdReload_Click();
    QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("edited"));
    QVERIFY(!program.store().Notes.at(0).hasPendingChange());
    QCOMPARE(program.state().CurrentNote, -1);
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

    // The next start offers the rescued note; "Yes" brings it back as a new note.
    QVERIFY(QFile::setPermissions(datPath(), QFile::ReadOwner | QFile::WriteOwner));
    answerQuestionLater(0);
    run([](Program& program) {
        QCOMPARE(program.store().LastNote(), 1);
        QCOMPARE(program.store().Notes.at(0).trimmedTitle(), QStringLiteral("first"));
        QCOMPARE(program.store().Notes.at(1).trimmedTitle(), QStringLiteral("edited"));
    });
    QVERIFY(rescue::pendingFiles().isEmpty());
}

void TestProgram::alarmsCaughtUpSnoozedAndShuttingDown() {
    const QDateTime now = QDateTime::currentDateTime();
    FakeSound sound;
    PowerLog desktop;
    // The last run checked two days ago; the alarm of yesterday went off in between.
    writeFile(datPath(), alarmNote("dentist", now.addDays(-1), 0, " "));
    QVERIFY(!AlarmStateFile(m_folder).save(
        AlarmMemory{wallclock::fromDateTime(now.addDays(-2)), {}, {}}));
    {
        Program program{ProgramFolder(m_folder)};
        program.setAlarmSeams({&sound, &desktop, {}});
        QVERIFY(program.start());
        frmMissedAlarms* box = program.alarms()->missedBox();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->list()->count(), 1);
        QVERIFY(box->list()->item(0)->text().contains(QLatin1String("dentist")));
        QVERIFY(program.noteWindows()->isRinging(0));
        QVERIFY(program.noteWindows()->existingWindow(0)->isVisible());
        box->findChild<QPushButton*>(QStringLiteral("cmdSnooze15"))->click();
        QVERIFY(program.alarms()->checker().snoozedUntil(0).has_value());
        QVERIFY(!program.noteWindows()->isRinging(0));
        program.shutdown();
    }
    // The snooze outlives the run; the stored alarm stays as the user set it.
    QCOMPARE(AlarmStateFile(m_folder).load()->snoozes.size(), 1);

    // An alarm that shuts the machine down: every note is saved before the power goes.
    writeFile(datPath(), alarmNote("night", now.addSecs(120), 5, "2"));
    {
        Program program{ProgramFolder(m_folder)};
        program.setAlarmSeams({&sound, &desktop, {}});
        QVERIFY(program.start());
        QCOMPARE(desktop.log, QStringList{QStringLiteral("power off")});
        const auto saved = recordcodec::decode(readFile(datPath()).left(layout::RecordSize));
        QVERIFY(saved);
        QCOMPARE(saved->record.AlarmState, QStringLiteral("-"));
    }
}

QB_TEST_CLASS(TestProgram)
#include "tst_program.moc"
