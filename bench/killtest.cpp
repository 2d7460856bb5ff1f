// Saves that survive a kill: starts the real program on 200 notes under a private X server,
// types into notes through the X display, and kills the program with SIGKILL at a random
// moment of a save cycle: during the start's whole rewrite (a settings file of an older
// version asks for one), while the one-second auto-save writes typed notes in place, or during
// the whole rewrite of the exit after SIGTERM. After each kill the store loads the folder as the
// next start would and every note must be there, undamaged, holding at least what the last
// completed save wrote and nothing that was never typed.
//
//   killtest --exe build/quillaboard [--kills 20] [--notes 200] [--seed 1] [--verbose]
//
// Prints the count of kills and of notes lost; exits with 1 when a note was lost or damaged,
// with 77 (skipped) when Xvfb or xdotool is missing.
#include "benchsupport.h"

#include "localisation/translator.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <vector>

namespace {

using namespace benchsupport;

const QString Prefix = QStringLiteral("QbKill");
const QString OldVersion = QStringLiteral("3.0.0");

enum class Moment { Start, Typing, Exit };

struct Figures {
    int kills = 0;
    int byMoment[3] = {0, 0, 0};
    int lost = 0;
    int damaged = 0;
    int settingsDamaged = 0;
    qsizetype charactersSaved = 0;
};

class KillTest {
public:
    KillTest(QString exe, QString dir, QString display, int notes, quint32 seed, bool verbose)
        : m_exe(std::move(exe))
        , m_dir(std::move(dir))
        , m_display(std::move(display))
        , m_notes(notes)
        , m_random(seed)
        , m_verbose(verbose) {}

    bool prepare() {
        const QList<Note> notes = makeNotes(
            Prefix, m_notes, m_notes / 10, [](int i) { return QStringLiteral("Note %1:").arg(i); });
        for (const Note& n : notes)
            m_onFile.push_back(n.window.Text);
        m_typed.resize(m_onFile.size());
        return copyExecutable(m_exe, m_dir) && writeDataFiles(m_dir, notes);
    }

    // One start, some typing and a kill; then the check of what the next start finds.
    bool cycle(Figures& figures) {
        const auto moment = static_cast<Moment>(m_random.bounded(3));
        // A settings file of an older version makes the start rewrite both data files.
        const bool oldVersion = moment == Moment::Start || m_random.bounded(2) == 0;
        if (!writeSettings(m_dir, oldVersion ? OldVersion : QStringLiteral(QB_VERSION),
                           iniLine(QStringLiteral("[SetupAutoSave]"), QStringLiteral("1")) +
                               iniLine(QStringLiteral("[SetupAutoSaveTime]"), QStringLiteral("0"))))
            return false;
        for (QString& t : m_typed)
            t.clear();

        QProcess prog;
        prog.setProcessEnvironment(programEnvironment(m_dir, m_display));
        prog.setProgram(m_dir + QStringLiteral("/quillaboard"));
        prog.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        prog.start();
        if (!prog.waitForStarted(10000)) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(m_exe));
            return false;
        }
        const auto pid = static_cast<pid_t>(prog.processId());
        if (moment == Moment::Start) {
            QThread::msleep(m_random.bounded(2000U));
        } else {
            if (!waitForWindows(timer)) {
                std::fprintf(stderr, "the note windows did not show: %d of %d (%s)\n",
                             visibleWindows(Prefix), m_notes,
                             prog.state() == QProcess::Running ? "running" : "ended");
                ::kill(pid, SIGKILL);
                prog.waitForFinished(10000);
                return false;
            }
            typeIntoNotes(1 + static_cast<int>(m_random.bounded(3U)));
            if (moment == Moment::Typing) {
                QThread::msleep(m_random.bounded(2500U));
            } else {
                ::kill(pid, SIGTERM);
                QThread::msleep(m_random.bounded(300U));
            }
        }
        ::kill(pid, SIGKILL);
        prog.waitForFinished(10000);
        ++figures.kills;
        ++figures.byMoment[static_cast<int>(moment)];
        check(figures);
        return true;
    }

private:
    bool waitForWindows(const QElapsedTimer& timer) {
        while (timer.elapsed() < 60000) {
            if (visibleWindows(Prefix) >= m_notes)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Types a few letters at the end of the text of `count` notes, as a person would.
    void typeIntoNotes(int count) {
        for (int k = 0; k < count; ++k) {
            const int i = static_cast<int>(m_random.bounded(static_cast<quint32>(m_notes)));
            const QStringList ids = windowIds(QStringLiteral("^%1%2$").arg(Prefix).arg(i));
            if (ids.isEmpty())
                continue;
            QString letters;
            const int length = 3 + static_cast<int>(m_random.bounded(8U));
            for (int c = 0; c < length; ++c)
                letters += QChar(u'a' + static_cast<char16_t>(m_random.bounded(26U)));
            // What reaches the program before the kill is a prefix of this.
            m_typed[static_cast<size_t>(i)] += letters;
            (void)xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), ids.first(),
                           QStringLiteral("key"), QStringLiteral("ctrl+End"),
                           QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"),
                           letters});
        }
    }

    // Loads the folder as the next start does (restoring a missing data file from its backup)
    // and compares every note with what it may hold.
    void check(Figures& figures) {
        QByteArray ini;
        QFile iniFile(m_dir + QStringLiteral("/Quillaboard.ini"));
        if (iniFile.open(QIODevice::ReadOnly))
            ini = iniFile.readAll();
        if (!ini.contains("[End of INI]")) {
            ++figures.settingsDamaged;
            std::printf("kill %d: the settings file is incomplete (%lld bytes)\n", figures.kills,
                        static_cast<long long>(ini.size()));
        }

        const ProgramFolder folder(m_dir + QLatin1Char('/'));
        NoteFiles files(folder);
        NoteStore store;
        FakeMessageSink messages;
        LoadOptions options;
        options.screenWidth = 1920 * 15;
        options.screenHeight = 1080 * 15;
        (void)LoadNotes(store, files, options, messages, m_tr, nullptr);
        for (size_t l = 0; l < 2; ++l) {
            if (store.RecordsOutOfStep[l] || store.Unreadable[l]) {
                ++figures.damaged;
                std::printf("kill %d: %s holds records that cannot be read\n", figures.kills,
                            qPrintable(files.dat[l]));
            }
        }
        if (m_verbose) {
            for (const FakeMessageSink::Shown& box : messages.shown)
                std::printf("kill %d: box \"%s\"\n", figures.kills,
                            qPrintable(box.text.simplified()));
        }

        std::vector<int> found(m_onFile.size(), -1);
        for (int slot = 0; slot <= store.LastNote(); ++slot) {
            const QString title = store.Notes[static_cast<size_t>(slot)].trimmedTitle();
            bool ok = false;
            const int i = title.mid(Prefix.size()).toInt(&ok);
            if (!title.startsWith(Prefix) || !ok || i < 0 || i >= m_notes ||
                found[static_cast<size_t>(i)] >= 0) {
                ++figures.damaged;
                std::printf("kill %d: a note that was never written: \"%s\"\n", figures.kills,
                            qPrintable(title));
                continue;
            }
            found[static_cast<size_t>(i)] = slot;
        }
        for (size_t i = 0; i < m_onFile.size(); ++i) {
            if (found[i] < 0) {
                ++figures.lost;
                std::printf("kill %d: note %zu is missing\n", figures.kills, i);
                continue;
            }
            const QString& text = store.Windows[static_cast<size_t>(found[i])].Text;
            const QString newest = m_onFile[i] + m_typed[i];
            if (!text.startsWith(m_onFile[i]) || !newest.startsWith(text)) {
                ++figures.lost;
                std::printf("kill %d: note %zu holds \"%s\", saved was \"%s\", typed \"%s\"\n",
                            figures.kills, i, qPrintable(text), qPrintable(m_onFile[i]),
                            qPrintable(m_typed[i]));
                continue;
            }
            figures.charactersSaved += text.size() - m_onFile[i].size();
            m_onFile[i] = text;
        }
    }

    QString m_exe;
    QString m_dir;
    QString m_display;
    int m_notes;
    QRandomGenerator m_random;
    bool m_verbose;
    Translator m_tr;
    // Per note: the text of the last completed save, and what was typed since.
    std::vector<QString> m_onFile;
    std::vector<QString> m_typed;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString exe = QStringLiteral("build/quillaboard");
    int kills = 20;
    int notes = 200;
    quint32 seed = 1;
    bool verbose = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString value = args.value(i + 1);
        if (args[i] == QLatin1String("--exe"))
            exe = value, ++i;
        else if (args[i] == QLatin1String("--kills"))
            kills = value.toInt(), ++i;
        else if (args[i] == QLatin1String("--notes"))
            notes = value.toInt(), ++i;
        else if (args[i] == QLatin1String("--seed"))
            seed = value.toUInt(), ++i;
        else if (args[i] == QLatin1String("--verbose"))
            verbose = true;
    }
    exe = QFileInfo(exe).absoluteFilePath();
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        std::printf("skipped: needs Xvfb and xdotool\n");
        return 77;
    }
    PrivateXServer server;
    const QString display = displayFor(server, true);
    if (display.isEmpty()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    QTemporaryDir dir;
    KillTest test(exe, dir.path(), display, notes, seed, verbose);
    if (!test.prepare()) {
        std::fprintf(stderr, "cannot prepare the program folder\n");
        return 1;
    }
    Figures figures;
    while (figures.kills < kills) {
        if (!test.cycle(figures))
            return 1;
        if (figures.kills % 20 == 0 && figures.kills < kills)
            std::printf("kills: %d, notes lost: %d\n", figures.kills, figures.lost);
        std::fflush(stdout);
    }
    std::printf("kills: %d (start %d, typing %d, exit %d), notes lost: %d, records damaged: %d, "
                "settings files damaged: %d, characters saved: %lld\n",
                figures.kills, figures.byMoment[0], figures.byMoment[1], figures.byMoment[2],
                figures.lost, figures.damaged, figures.settingsDamaged,
                static_cast<long long>(figures.charactersSaved));
    // Nothing typed ever reached a file: the test did not test what it should.
    const bool exercised = figures.charactersSaved > 0 || kills < 5;
    if (!exercised)
        std::printf("no typed character was saved: the typing did not reach the program\n");
    return figures.lost == 0 && figures.damaged == 0 && figures.settingsDamaged == 0 && exercised
               ? 0
               : 1;
}
