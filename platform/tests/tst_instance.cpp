#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "platform/testing/testmain.h"

#include <QFile>
#include <QLockFile>
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
    void staleLockAndSocketDoNotBlock();
    void noRunningInstanceAnswersFalse();
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
    QVERIFY(SingleInstance::lockFilePath(key).startsWith(m_runtime->path()));
    QVERIFY(SingleInstance::serverName(key).startsWith(m_runtime->path()));
}

void TestInstance::secondInstanceAsksTheFirstToShow() {
    const QString key = SingleInstance::keyFor(QStringLiteral("/opt/quillaboard"));
    SingleInstance first(key);
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    QVERIFY(first.tryAcquire());

    SingleInstance second(key);
    QVERIFY(!second.tryAcquire());
    QVERIFY(!second.isAcquired());
    QVERIFY(SingleInstance::askRunningToShow(key));
    QTRY_COMPARE(shown.count(), 1);

    // Another folder is another program.
    SingleInstance elsewhere(SingleInstance::keyFor(QStringLiteral("/opt/other")));
    QVERIFY(elsewhere.tryAcquire());
}

void TestInstance::staleLockAndSocketDoNotBlock() {
    const QString key = SingleInstance::keyFor(QStringLiteral("/opt/crashed"));
    // What a crashed run leaves: a lock naming a process that is gone, and its socket.
    {
        QFile lock(SingleInstance::lockFilePath(key));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\nquillaboard\n\n");
        QFile socket(SingleInstance::serverName(key));
        QVERIFY(socket.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(key);
    QSignalSpy shown(&instance, &SingleInstance::showRequested);
    QVERIFY(instance.tryAcquire());
    QVERIFY(SingleInstance::askRunningToShow(key));
    QTRY_COMPARE(shown.count(), 1);
}

void TestInstance::noRunningInstanceAnswersFalse() {
    const QString key = SingleInstance::keyFor(QStringLiteral("/opt/nobody"));
    QVERIFY(!SingleInstance::askRunningToShow(key));
    // A released instance makes way for the next one.
    {
        SingleInstance first(key);
        QVERIFY(first.tryAcquire());
    }
    SingleInstance next(key);
    QVERIFY(next.tryAcquire());
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
