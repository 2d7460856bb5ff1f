#include "alarmtestutil.h"

#include "alarms/alarmstatefile.h"
#include "alarms/wallclock.h"
#include "platform/testing/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The state file that carries the last check, the snoozes and what went off across runs.
class TestAlarmState : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void roundTrip();
    void nothingToCatchUp_data();
    void nothingToCatchUp();
    void rewriteLeavesOneFile();
    void followsTheEnvironment();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldState;
    QString m_folder;
};

void TestAlarmState::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldHome = qgetenv("HOME");
    m_oldState = qgetenv("XDG_STATE_HOME");
    qputenv("HOME", m_dir->path().toUtf8());
    qputenv("XDG_STATE_HOME", (m_dir->path() + QStringLiteral("/state")).toUtf8());
    m_folder = m_dir->path() + QStringLiteral("/program/");
}

void TestAlarmState::cleanup() {
    qputenv("HOME", m_oldHome);
    qputenv("XDG_STATE_HOME", m_oldState);
}

void TestAlarmState::roundTrip() {
    AlarmMemory memory;
    memory.lastCheck = wallclock::fromDateTime(at(QStringLiteral("10:30")));
    const NoteIdentity note{oleAt(QStringLiteral("2024-01-02 08:00:05")),
                            QStringLiteral("Zoë's note")};
    memory.snoozes.append({note, wallclock::fromDateTime(at(QStringLiteral("10:45")))});
    memory.fired.append({note,
                         AlarmSettingsKey{oleAt(QStringLiteral("03-01 10:00")), QChar(u'J'),
                                          std::int16_t(-15), QChar(u'M')},
                         wallclock::fromDateTime(at(QStringLiteral("09:45")))});
    const AlarmStateFile file(m_folder);
    QVERIFY(file.path().startsWith(m_dir->path() + QStringLiteral("/state/Quillaboard/")));
    QVERIFY(!file.save(memory));

    const auto loaded = file.load();
    QVERIFY(loaded);
    QCOMPARE(loaded->lastCheck, memory.lastCheck);
    QCOMPARE(loaded->snoozes.size(), 1);
    QCOMPARE(loaded->fired.size(), 1);
    QVERIFY(loaded->snoozes[0].note == note && loaded->fired[0].note == note);
    QCOMPARE(loaded->snoozes[0].until, memory.snoozes[0].until);
    QVERIFY(loaded->fired[0].settings == memory.fired[0].settings);
    QCOMPARE(loaded->fired[0].goesOff, memory.fired[0].goesOff);
}

void TestAlarmState::nothingToCatchUp_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("otherFolder");
    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("damaged") << QByteArray("{\"version\": 1, \"lastCh") << false;
    QTest::newRow("not an object") << QByteArray("[1, 2]") << false;
    QTest::newRow("no last check")
        << QByteArray("{\"version\": 1, \"programFolder\": \"@\"}") << false;
    QTest::newRow("bad last check")
        << QByteArray("{\"version\": 1, \"programFolder\": \"@\", \"lastCheck\": \"yesterday\"}")
        << false;
    QTest::newRow("a newer format")
        << QByteArray(
               "{\"version\": 2, \"programFolder\": \"@\", \"lastCheck\": \"2024-03-15T10:30\"}")
        << false;
    QTest::newRow("another program folder's file")
        << QByteArray(
               "{\"version\": 1, \"programFolder\": \"@\", \"lastCheck\": \"2024-03-15T10:30\"}")
        << true;
}

void TestAlarmState::nothingToCatchUp() {
    QFETCH(QByteArray, content);
    QFETCH(bool, otherFolder);
    const AlarmStateFile file(m_folder);
    if (!content.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(file.path()).absolutePath()));
        QFile f(file.path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QString folder = otherFolder ? QStringLiteral("/elsewhere/") : m_folder;
        f.write(content.replace("@", folder.toUtf8()));
    }
    QVERIFY(!file.load());
}

void TestAlarmState::rewriteLeavesOneFile() {
    const AlarmStateFile file(m_folder);
    AlarmMemory memory;
    for (int minute = 0; minute < 3; ++minute) {
        memory.lastCheck = wallclock::fromDateTime(at(QStringLiteral("10:30"))) + minute;
        QVERIFY(!file.save(memory));
    }
    const QStringList entries =
        QFileInfo(file.path()).dir().entryList(QDir::Files | QDir::NoDotAndDotDot);
    QCOMPARE(entries, QStringList{QFileInfo(file.path()).fileName()});
    QCOMPARE(file.load()->lastCheck, memory.lastCheck);
}

void TestAlarmState::followsTheEnvironment() {
    qputenv("XDG_STATE_HOME", "relative/state");
    QCOMPARE(AlarmStateFile::xdgStateHome(), m_dir->path() + QStringLiteral("/.local/state"));
    qunsetenv("XDG_STATE_HOME");
    QCOMPARE(AlarmStateFile::xdgStateHome(), m_dir->path() + QStringLiteral("/.local/state"));
    // Another program folder keeps a file of its own.
    QVERIFY(AlarmStateFile(m_folder).path() !=
            AlarmStateFile(m_folder + QStringLiteral("x/")).path());
}

QB_TEST_CLASS(TestAlarmState)
#include "tst_alarmstate.moc"
