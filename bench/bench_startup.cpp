// Start-up, memory, exit and idle cost of the real program with many notes, under an X server.
//
//   bench_startup --exe build/quillaboard [--counts 10,100,500] [--idle-seconds 60]
//
// For each count it makes a program folder with that many visible notes, starts the program
// there, and prints the time until every note window is mapped, the resident memory then,
// the time from SIGTERM to exit once at rest (nothing changed), and with --idle-seconds the
// CPU time the process used at rest with the manager hidden. Starts Xvfb when DISPLAY is not
// set.
#include "benchsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>

using namespace benchsupport;

namespace {

const QString TitlePrefix = QStringLiteral("QbBench");

bool makeFolder(const QString& dir, const QString& exe, int count) {
    return copyExecutable(exe, dir) && writeDataFiles(dir, makeNotes(TitlePrefix, count)) &&
           writeSettings(dir, QStringLiteral(QB_VERSION));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString exe = QStringLiteral("build/quillaboard");
    QList<int> counts{10, 100, 500};
    int idleSeconds = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--exe"))
            exe = args[i + 1];
        else if (args[i] == QLatin1String("--counts")) {
            counts.clear();
            for (const QString& c : args[i + 1].split(QLatin1Char(',')))
                counts.append(c.toInt());
        } else if (args[i] == QLatin1String("--idle-seconds"))
            idleSeconds = args[i + 1].toInt();
    }
    exe = QFileInfo(exe).absoluteFilePath();

    PrivateXServer xvfb;
    const QString display = displayFor(xvfb, false);
    if (display.isEmpty()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }

    std::printf("%6s %12s %12s %10s %12s %14s\n", "notes", "shown (ms)", "per note", "RSS (MiB)",
                "exit (ms)", "idle CPU (ms)");
    for (int count : counts) {
        QTemporaryDir dir;
        if (!makeFolder(dir.path(), exe, count)) {
            std::fprintf(stderr, "cannot prepare the program folder\n");
            return 1;
        }
        QProcess prog;
        prog.setProcessEnvironment(programEnvironment(dir.path(), display));
        prog.setProgram(dir.path() + QStringLiteral("/quillaboard"));
        MappedWindows windows(TitlePrefix);
        QElapsedTimer timer;
        timer.start();
        prog.start();
        if (!prog.waitForStarted()) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(exe));
            return 1;
        }
        const int shown = windows.waitFor(count, 60000);
        const double shownMs = static_cast<double>(timer.elapsed());
        const long rss = rssKiB(prog.processId());
        double idle = -1;
        // The exit is timed at rest: right after the last window is mapped the program is
        // still painting them, and the exit would wait for that.
        waitUntilAtRest(prog.processId());
        if (idleSeconds > 0) {
            const double before = cpuMs(prog.processId());
            QThread::sleep(static_cast<unsigned long>(idleSeconds));
            idle = (cpuMs(prog.processId()) - before) * 60.0 / idleSeconds;
        }
        timer.restart();
        ::kill(static_cast<pid_t>(prog.processId()), SIGTERM);
        prog.waitForFinished(30000);
        const double exitMs = static_cast<double>(timer.elapsed());
        std::printf("%6d %12.0f %12.2f %10.1f %12.0f %14s\n", count, shownMs,
                    shown == count ? shownMs / count : -1.0, rss / 1024.0, exitMs,
                    idle < 0 ? "-"
                             : qPrintable(QString::number(idle, 'f', 1) + QStringLiteral(" /60s")));
        if (shown < count)
            std::printf("       only %d of %d note windows were mapped\n", shown, count);
        std::fflush(stdout);
    }
    return 0;
}
