#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <functional>
#include <vector>

// One test executable per folder holding several test classes: each source registers its
// class with QB_TEST_CLASS, and one source of the folder supplies main with QB_TEST_MAIN
// (widgets; that source includes <QApplication>) or QB_TEST_GUILESS_MAIN. The exit code counts the
// failed tests of all classes.
namespace qbtest {

using Runner = std::function<int(int, char**)>;

inline std::vector<Runner>& registry() {
    static std::vector<Runner> runners;
    return runners;
}

template <typename TestClass>
bool registerClass() {
    registry().push_back([](int argc, char** argv) {
        TestClass test;
        return QTest::qExec(&test, argc, argv);
    });
    return true;
}

inline int runAll(int argc, char** argv) {
    int failed = 0;
    for (const Runner& run : registry())
        failed += run(argc, argv);
    return failed;
}

// The bytes of a file; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a file whole; the test fails when that cannot be done.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

} // namespace qbtest

#define QB_TEST_CLASS(TestClass)                                                                   \
    namespace {                                                                                    \
    [[maybe_unused]] const bool registered##TestClass = qbtest::registerClass<TestClass>();        \
    }

#define QB_TEST_MAIN                                                                               \
    int main(int argc, char** argv) {                                                              \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return qbtest::runAll(argc, argv);                                                         \
    }

#define QB_TEST_GUILESS_MAIN                                                                       \
    int main(int argc, char** argv) {                                                              \
        QCoreApplication app(argc, argv);                                                          \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return qbtest::runAll(argc, argv);                                                         \
    }
