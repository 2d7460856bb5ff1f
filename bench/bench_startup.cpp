// Start-up, memory, exit and idle cost of the real program with many notes, under an X server.
//
//   bench_startup --exe build/quillaboard [--counts 10,100,500] [--idle-seconds 60]
//
// For each count it makes a program folder with that many visible notes, starts the program
// there, and prints the time until every note window is mapped, the resident memory then,
// the time from SIGTERM to exit (nothing changed), and with --idle-seconds the CPU time the
// process used at rest with the manager hidden. Needs xdotool; starts Xvfb when DISPLAY is
// not set.
#include "store/recordcodec.h"
#include "store/recordlayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const QString TitlePrefix = QStringLiteral("QbBench");

QByteArray iniLine(const QString& key, const QString& value) {
    return key.leftJustified(20, QLatin1Char(' ')).toLatin1() +
           value.leftJustified(128, QLatin1Char(' ')).toLatin1() + "\r\n";
}

bool makeFolder(const QString& dir, const QString& exe, int count) {
    if (!QFile::copy(exe, dir + QStringLiteral("/quillaboard")))
        return false;
    QFile dat(dir + QStringLiteral("/Quillaboard.dat"));
    if (!dat.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < count; ++i) {
        NoteRecord r;
        r.setTitle(TitlePrefix + QString::number(i));
        NoteWindowState w;
        w.Left = static_cast<float>((i % 25) * 600);
        w.Top = static_cast<float>((i / 25 % 20) * 500);
        w.Width = 2400;
        w.Height = 2000;
        w.Text = QStringLiteral("Note %1\nSome text of a note that a person wrote.").arg(i);
        w.Visible = true;
        w.AlwaysOnTop = false;
        dat.write(recordcodec::encode(r, w, static_cast<std::int16_t>(i + 1)));
    }
    dat.close();
    QFile ini(dir + QStringLiteral("/Quillaboard.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write(iniLine(QStringLiteral("[Version]"), QStringLiteral(QB_VERSION)));
    ini.write(iniLine(QStringLiteral("[frmStartupVisible]"), QStringLiteral("0")));
    ini.write(iniLine(QStringLiteral("[End of INI]"), QString()));
    return true;
}

int visibleNoteWindows() {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), TitlePrefix});
    p.waitForFinished(5000);
    return static_cast<int>(p.readAllStandardOutput().count('\n'));
}

long rssKiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double cpuMs(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the name.
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
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

    QProcess xvfb;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral(":57"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1920x1080x24")});
        xvfb.waitForStarted();
        QThread::msleep(800);
        qputenv("DISPLAY", ":57");
    }

    std::printf("%6s %12s %12s %10s %12s %14s\n", "notes", "shown (ms)", "per note", "RSS (MiB)",
                "exit (ms)", "idle CPU (ms)");
    for (int count : counts) {
        QTemporaryDir dir;
        if (!makeFolder(dir.path(), exe, count)) {
            std::fprintf(stderr, "cannot prepare the program folder\n");
            return 1;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        QProcess prog;
        prog.setProcessEnvironment(env);
        prog.setProgram(dir.path() + QStringLiteral("/quillaboard"));
        QElapsedTimer timer;
        timer.start();
        prog.start();
        if (!prog.waitForStarted()) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(exe));
            return 1;
        }
        int shown = 0;
        while (shown < count && timer.elapsed() < 60000) {
            shown = visibleNoteWindows();
            if (shown < count)
                QThread::msleep(20);
        }
        const double shownMs = static_cast<double>(timer.elapsed());
        const long rss = rssKiB(prog.processId());
        double idle = -1;
        if (idleSeconds > 0) {
            QThread::sleep(3);
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
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(3000);
    }
    return 0;
}
