// The program at scale: 2000 notes.
//
//   bench_scale --exe build/quillaboard [--notes 2000] [--idle-seconds 60] [--runs 3]
//
// The real program, under an X server (its own Xvfb when DISPLAY is not set): the time until
// every note window is mapped, the resident memory then, the CPU time used at rest over
// --idle-seconds while a note holds the keyboard focus, and the time from SIGTERM to exit.
// In this process, on the same notes: filling the manager's two lists and a search over all
// notes (a word no note holds, so every note is read; and a word one note holds). Needs xdotool.
#include "benchsupport.h"

#include "localisation/translator.h"
#include "manager/managercontext.h"
#include "manager/notelists.h"
#include "manager/noteviews.h"
#include "manager/propertycommands.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>

using namespace benchsupport;

namespace {

const QString TitlePrefix = QStringLiteral("QbScale");

QString noteText(int i) {
    return QStringLiteral("Note %1\nSome text of a note that a person wrote, with a few more "
                          "words on a second line and a number %2.")
        .arg(i)
        .arg(i * 7919);
}

struct Program {
    double shownMs = -1;
    // CPU time the program used until then: the start-up's cost apart from a busy machine.
    double shownCpuMs = -1;
    double rssMiB = -1;
    double idleMsPerMinute = -1;
    double exitMs = -1;
};

Program runProgram(const QString& exe, const QString& display, int count, int idleSeconds) {
    Program figures;
    QTemporaryDir dir;
    if (!copyExecutable(exe, dir.path()) ||
        !writeDataFiles(dir.path(), makeNotes(TitlePrefix, count, 0, noteText)) ||
        !writeSettings(dir.path(), QStringLiteral(QB_VERSION))) {
        std::fprintf(stderr, "cannot prepare the program folder\n");
        return figures;
    }
    QProcess prog;
    prog.setProcessEnvironment(programEnvironment(dir.path(), display));
    prog.setProgram(dir.path() + QStringLiteral("/quillaboard"));
    MappedWindows windows(TitlePrefix);
    QElapsedTimer timer;
    timer.start();
    prog.start();
    if (!prog.waitForStarted())
        return figures;
    const int shown = windows.waitFor(count, 120000);
    if (shown == count) {
        figures.shownMs = static_cast<double>(timer.elapsed());
        figures.shownCpuMs = cpuMs(prog.processId());
    }
    figures.rssMiB = static_cast<double>(rssKiB(prog.processId())) / 1024.0;
    if (idleSeconds > 0) {
        // A note holds the keyboard focus, as it does while someone reads or writes it.
        const QStringList ids = windowIds(QStringLiteral("^%1%2$").arg(TitlePrefix).arg(count / 2));
        if (!ids.isEmpty())
            (void)xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), ids.first()});
        waitUntilAtRest(prog.processId());
        const double before = cpuMs(prog.processId());
        QThread::sleep(static_cast<unsigned long>(idleSeconds));
        figures.idleMsPerMinute = (cpuMs(prog.processId()) - before) * 60.0 / idleSeconds;
    }
    timer.restart();
    ::kill(static_cast<pid_t>(prog.processId()), SIGTERM);
    if (prog.waitForFinished(60000))
        figures.exitMs = static_cast<double>(timer.elapsed());
    return figures;
}

// The lists need windows to show and hide; here every request is only counted.
class CountingViews final : public NoteViews, public PropertyCommands {
public:
    explicit CountingViews(NoteStore& store)
        : m_store(store) {}
    int requests = 0;

    void createNewNoteWindow(int) override { ++requests; }
    void showNote(int slot, bool) override {
        ++requests;
        m_store.Windows[static_cast<size_t>(slot)].Visible = true;
    }
    void hideNote(int slot, bool) override {
        ++requests;
        m_store.Windows[static_cast<size_t>(slot)].Visible = false;
    }
    void retireNote(int) override { ++requests; }
    void focusText(int) override { ++requests; }
    void placeTextCursor(int, int) override { ++requests; }

    [[nodiscard]] std::optional<bool> savedOnTop(int) const override { return std::nullopt; }
    void setAlwaysOnTop(int, bool) override {}
    void setLocked(int, bool) override {}
    void setAutoRoll(int, bool) override {}
    void setAutoDim(int, bool) override {}
    void setShowTitle(int, bool) override {}
    void setShowScrollBar(int, bool) override {}
    void setTitle(int, const QString&) override {}
    bool chooseColor(int, bool, QWidget*) override { return false; }
    bool chooseFont(int, QWidget*) override { return false; }
    void toggleStretch(int) override {}
    void toggleKeepRatio(int) override {}
    void setTypedPicturePath(int, const QString&) override {}
    void browsePicture(int, QWidget*) override {}

private:
    NoteStore& m_store;
};

struct Lists {
    double fillMs = 0;
    double searchNoneMs = 0;
    double searchOneMs = 0;
};

// The fastest of `runs` timings of each step.
Lists runLists(int count, int runs) {
    NoteStore store;
    for (const Note& n : makeNotes(TitlePrefix, count, 0, noteText))
        (void)store.addNote(n.record.List, n.record, n.window);
    Settings settings;
    ProgramState state;
    const ProgramFolder folder(QStringLiteral("/tmp/"));
    FakeMessageSink messages;
    const Translator tr;
    FakeDialogs dialogs;
    FakeClock clock;
    FakeDiagnosticLog log;
    CountingViews views(store);
    ManagerContext ctx{store,   settings, state, folder, messages, tr,
                       dialogs, clock,    log,   views,  views};
    QListWidget normal;
    QListWidget events;
    NoteLists lists(ctx, {&normal, &events});
    Lists best{1e9, 1e9, 1e9};
    QElapsedTimer t;
    for (int r = 0; r < runs; ++r) {
        t.start();
        lists.fill();
        best.fillMs = std::min(best.fillMs, static_cast<double>(t.nsecsElapsed()) / 1e6);
        t.start();
        lists.cmdSearch_Click(QStringLiteral("nowhere to be found"));
        best.searchNoneMs =
            std::min(best.searchNoneMs, static_cast<double>(t.nsecsElapsed()) / 1e6);
        t.start();
        lists.cmdSearch_Click(QString::number((count / 2) * 7919));
        best.searchOneMs = std::min(best.searchOneMs, static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    // This process only measures; the program it starts gets the display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray display0 = qgetenv("DISPLAY");
    QApplication app(argc, argv);
    QString exe = QStringLiteral("build/quillaboard");
    int count = 2000;
    int idleSeconds = 60;
    int runs = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--exe"))
            exe = args[i + 1];
        else if (args[i] == QLatin1String("--notes"))
            count = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--idle-seconds"))
            idleSeconds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
    }
    exe = QFileInfo(exe).absoluteFilePath();

    const Lists lists = runLists(count, std::max(1, runs));
    std::printf("%d notes, in this process (best of %d):\n", count, runs);
    std::printf("  lists filled           %8.1f ms\n", lists.fillMs);
    std::printf("  search, no note holds  %8.1f ms\n", lists.searchNoneMs);
    std::printf("  search, one note holds %8.1f ms\n", lists.searchOneMs);
    std::fflush(stdout);

    PrivateXServer xvfb;
    qputenv("DISPLAY", display0);
    const QString display = displayFor(xvfb, false);
    if (display.isEmpty()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    const Program p = runProgram(exe, display, count, idleSeconds);
    std::printf("%d notes, the program:\n", count);
    std::printf("  every window mapped    %8.0f ms (CPU time %.0f ms)\n", p.shownMs, p.shownCpuMs);
    std::printf("  resident memory        %8.1f MiB\n", p.rssMiB);
    if (idleSeconds > 0)
        std::printf("  idle CPU, note focused %8.1f ms per minute\n", p.idleMsPerMinute);
    std::printf("  SIGTERM to exit        %8.0f ms\n", p.exitMs);
    return p.shownMs < 0 || p.exitMs < 0 ? 1 : 0;
}
