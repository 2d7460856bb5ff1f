#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "platform/testing/testmain.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

// One instance per program folder, and the session's request to end.
class TestInstance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void keyFollowsTheCanonicalFolder();
    void secondInstanceAsksTheFirstToShow();
    void theFolderItselfIsLocked();
    void leftoversOfACrashDoNotBlock();
    void terminationBecomesAQuitRequest_data();
    void terminationBecomesAQuitRequest();
    void onlyOneRouterAtATime();

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

void TestInstance::initTestCase() {
    m_runtime = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid());
    // Locks and sockets of the test go to a folder of its own.
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());
}

void TestInstance::keyFollowsTheCanonicalFolder() {
    QTemporaryDir folder;
    const QString key = SingleInstance::keyFor(folder.path());
    QCOMPARE(SingleInstance::keyFor(folder.path() + QStringLiteral("/")), key);
    QCOMPARE(SingleInstance::keyFor(folder.path() + QStringLiteral("/sub/..")), key);
    QVERIFY(SingleInstance::keyFor(m_runtime->path()) != key);
    QVERIFY(SingleInstance::serverName(key).startsWith(m_runtime->path()));
}

void TestInstance::secondInstanceAsksTheFirstToShow() {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    QCOMPARE(first.tryAcquire(), SingleInstance::Acquire::Acquired);

    SingleInstance second(folder.path());
    QCOMPARE(second.tryAcquire(), SingleInstance::Acquire::HeldByAnother);
    QVERIFY(!second.isAcquired());
    QVERIFY(SingleInstance::askRunningToShow(SingleInstance::keyFor(folder.path())));
    QTRY_COMPARE(shown.count(), 1);

    // Another folder is another program.
    QTemporaryDir other;
    SingleInstance elsewhere(other.path());
    QCOMPARE(elsewhere.tryAcquire(), SingleInstance::Acquire::Acquired);
}

void TestInstance::theFolderItselfIsLocked() {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QCOMPARE(first.tryAcquire(), SingleInstance::Acquire::Acquired);

    // Another runtime folder (another login, a sandbox) or another way to the same folder
    // (a link, a bind mount) still finds it taken.
    QTemporaryDir otherRuntime;
    qputenv("XDG_RUNTIME_DIR", otherRuntime.path().toUtf8());
    SingleInstance second(folder.path());
    QCOMPARE(second.tryAcquire(), SingleInstance::Acquire::HeldByAnother);
    qunsetenv("XDG_RUNTIME_DIR");
    const QString link = otherRuntime.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(folder.path(), link));
    SingleInstance throughLink(link);
    QCOMPARE(throughLink.tryAcquire(), SingleInstance::Acquire::HeldByAnother);
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toUtf8());

    // A folder that cannot be opened is an error to show, not another running copy.
    SingleInstance missing(folder.filePath(QStringLiteral("gone")));
    QCOMPARE(missing.tryAcquire(), SingleInstance::Acquire::Failed);
    QCOMPARE(missing.error().number, 53);
}

void TestInstance::leftoversOfACrashDoNotBlock() {
    QTemporaryDir folder;
    const QString key = SingleInstance::keyFor(folder.path());
    QVERIFY(!SingleInstance::askRunningToShow(key));
    // The socket a crashed run leaves behind.
    {
        QFile socket(SingleInstance::serverName(key));
        QVERIFY(socket.open(QIODevice::WriteOnly));
    }
    {
        SingleInstance first(folder.path());
        QCOMPARE(first.tryAcquire(), SingleInstance::Acquire::Acquired);
    }
    // A released instance makes way for the next one, which answers requests.
    SingleInstance next(folder.path());
    QSignalSpy shown(&next, &SingleInstance::showRequested);
    QCOMPARE(next.tryAcquire(), SingleInstance::Acquire::Acquired);
    QVERIFY(SingleInstance::askRunningToShow(key));
    QTRY_COMPARE(shown.count(), 1);
}

void TestInstance::terminationBecomesAQuitRequest_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestInstance::terminationBecomesAQuitRequest() {
    QFETCH(int, signalNumber);
    SessionEnd sessionEnd;
    QVERIFY(sessionEnd.isInstalled());
    QSignalSpy quit(&sessionEnd, &SessionEnd::quitRequested);
    // The process survives the signal: it only asks for the orderly shutdown.
    QCOMPARE(::raise(signalNumber), 0);
    QTRY_COMPARE(quit.count(), 1);
    QCOMPARE(::raise(signalNumber), 0);
    QTRY_COMPARE(quit.count(), 2);
}

void TestInstance::onlyOneRouterAtATime() {
    auto first = std::make_unique<SessionEnd>();
    QVERIFY(first->isInstalled());
    SessionEnd second;
    QVERIFY(!second.isInstalled());
    first.reset();
    SessionEnd third;
    QVERIFY(third.isInstalled());
    QSignalSpy quit(&third, &SessionEnd::quitRequested);
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_COMPARE(quit.count(), 1);
}

QB_TEST_CLASS(TestInstance)
#include "tst_instance.moc"
