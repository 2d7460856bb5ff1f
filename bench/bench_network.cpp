// Notes arriving over the network at the real program, under an X server.
//
//   bench_network --exe build-dir/quillaboard [--count 1000]
//
// Makes a program folder with the receiver switched on and auto-save every second, starts the
// program there, and sends it --count notes one after another from a local peer on port 6021.
// Prints the time until every note was sent, shown (its window mapped, counted with xdotool)
// and saved (the data file holds every record), the notes per second to saved, and how many
// were lost. Starts Xvfb when DISPLAY is not set; port 6021 must be free.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>

namespace {

constexpr int Port = 6021;
constexpr qint64 RecordSize = 32530;

QByteArray iniLine(const char* key, const QByteArray& value) {
    return QByteArray(key).leftJustified(20) + value.leftJustified(128) + "\r\n";
}

bool prepareFolder(const QString& dir, const QString& exe) {
    if (!QFile::copy(exe, dir + QStringLiteral("/quillaboard")))
        return false;
    QFile ini(dir + QStringLiteral("/Quillaboard.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    // Auto-save every second (the first entry of its list), the receiver on.
    const QByteArray text = iniLine("[Version]", QB_VERSION) + iniLine("[SetupAutoSave]", "1") +
                            iniLine("[SetupAutoSaveTime]", "0") + iniLine("[NetEnable]", "1") +
                            iniLine("[End of INI]", {});
    return ini.write(text) == text.size();
}

// An X server of our own when none is given.
class XServer {
public:
    ~XServer() {
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
    }
    QString display() {
        const QByteArray given = qgetenv("DISPLAY");
        if (!given.isEmpty())
            return QString::fromLocal8Bit(given);
        for (int n = 90; n < 120; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            m_xvfb.start(QStringLiteral("Xvfb"),
                         {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("1920x1080x24"),
                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            m_xvfb.waitForStarted();
            for (int i = 0; i < 100 && m_xvfb.state() == QProcess::Running; ++i) {
                if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                    return QStringLiteral(":%1").arg(n);
                QThread::msleep(50);
            }
            m_xvfb.kill();
            m_xvfb.waitForFinished(2000);
        }
        return {};
    }

private:
    QProcess m_xvfb;
};

// Note windows on screen whose title names this peer.
int shownNotes(const QProcessEnvironment& env) {
    QProcess xdotool;
    xdotool.setProcessEnvironment(env);
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                   QStringLiteral("--name"), QStringLiteral("^From bench ")});
    if (!xdotool.waitForFinished(30000))
        return -1;
    return static_cast<int>(xdotool.readAllStandardOutput().count('\n'));
}

bool sendNote(int i) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), Port);
    if (!socket.waitForConnected(10000))
        return false;
    // Spread over the screen so that every window can be mapped and seen.
    const int top = 300 + (i % 40) * 300;
    const int left = 300 + (i / 40 % 25) * 900;
    const QByteArray message = "bench (peer)=" + QByteArray::number(top) + '=' +
                               QByteArray::number(left) + "=2400=1500=65535=0=Note " +
                               QByteArray::number(i) + "\r\nsent by the benchmark";
    socket.write(message);
    socket.disconnectFromHost();
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(10000);
}

bool portFree() {
    QTcpServer probe;
    return probe.listen(QHostAddress::Any, Port);
}

bool waitForListener(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), Port);
        if (socket.waitForConnected(500)) {
            // An empty connection makes no note.
            socket.disconnectFromHost();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString exe = QStringLiteral("build/quillaboard");
    int count = 1000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--exe"))
            exe = args[i + 1];
        else if (args[i] == QLatin1String("--count"))
            count = args[i + 1].toInt();
    }
    exe = QFileInfo(exe).absoluteFilePath();
    if (!portFree()) {
        std::fprintf(stderr, "port %d is taken\n", Port);
        return 1;
    }
    XServer xserver;
    const QString display = xserver.display();
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("prog"));
    if (display.isEmpty() || !QDir().mkpath(dir) || !prepareFolder(dir, exe)) {
        std::fprintf(stderr, "cannot prepare the X server or the program folder\n");
        return 1;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const QString sub = root.filePath(QString::fromLatin1(name));
        QDir().mkpath(sub);
        QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QString::fromLatin1(name), sub);
    }

    QProcess program;
    program.setProcessEnvironment(env);
    program.setProgram(dir + QStringLiteral("/quillaboard"));
    program.start();
    if (!program.waitForStarted() || !waitForListener(60000)) {
        std::fprintf(stderr, "the program does not listen on port %d\n", Port);
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    int sent = 0;
    for (int i = 0; i < count; ++i)
        sent += sendNote(i) ? 1 : 0;
    const double sentMs = static_cast<double>(timer.elapsed());
    int shown = 0;
    while (timer.elapsed() < 120000 && (shown = shownNotes(env)) < count)
        QThread::msleep(100);
    const double shownMs = static_cast<double>(timer.elapsed());
    const QString data = dir + QStringLiteral("/Quillaboard.dat");
    while (timer.elapsed() < 180000 && QFileInfo(data).size() < count * RecordSize)
        QThread::msleep(20);
    const double savedMs = static_cast<double>(timer.elapsed());
    const qint64 saved = QFileInfo(data).size() / RecordSize;

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    program.waitForFinished(60000);

    std::printf("%6s %10s %11s %11s %12s %6s\n", "notes", "sent (ms)", "shown (ms)", "saved (ms)",
                "notes/s", "lost");
    std::printf("%6d %10.0f %11.0f %11.0f %12.1f %6lld\n", count, sentMs, shownMs, savedMs,
                savedMs > 0 ? count * 1000.0 / savedMs : 0.0,
                static_cast<long long>(count - std::min<qint64>(saved, shown)));
    if (sent < count)
        std::printf("       only %d of %d notes could be sent\n", sent, count);
    return saved == count && shown == count ? 0 : 2;
}
