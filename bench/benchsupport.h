#pragma once

#include "store/noterecord.h"

#include <QList>
#include <QProcess>
#include <QString>

#include <functional>
#include <memory>

// What the programs that drive the real executable share: an X server of their own, a program
// folder with notes, the environment that keeps the program out of the real home folder, and
// the figures read from /proc.
namespace benchsupport {

// An Xvfb on the first free display number, for as long as the object lives.
class PrivateXServer {
public:
    PrivateXServer() = default;
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Starts the server; false when it does not come up.
    [[nodiscard]] bool start(const QString& screen = QStringLiteral("1920x1080x24"));
    // ":<n>", empty before start().
    [[nodiscard]] const QString& display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

// The display to run on: DISPLAY when set and `privateAlways` is false, else `server` started.
// Sets DISPLAY for this process too. Empty when no server could be started.
[[nodiscard]] QString displayFor(PrivateXServer& server, bool privateAlways);

// A fixed-column line of "Quillaboard.ini".
[[nodiscard]] QByteArray iniLine(const QString& key, const QString& value);

struct Note {
    NoteRecord record;
    NoteWindowState window;
};

// `count` visible notes titled <prefix><n>, laid out over a 1920x1080 screen; `events` of them
// (the last ones) in the events list. `text` gives each note's text.
[[nodiscard]] QList<Note> makeNotes(const QString& prefix, int count, int events = 0,
                                    const std::function<QString(int)>& text = {});

// Writes the data files of `notes` into `dir`.
[[nodiscard]] bool writeDataFiles(const QString& dir, const QList<Note>& notes);
// Writes "Quillaboard.ini" with the manager hidden, the given version and extra lines.
[[nodiscard]] bool writeSettings(const QString& dir, const QString& version,
                                 const QByteArray& extraLines = {});
// Copies the executable into `dir`, which becomes its program folder.
[[nodiscard]] bool copyExecutable(const QString& exe, const QString& dir);

// The environment for the program in `dir`: home and XDG folders inside it, the display set,
// no offscreen platform.
[[nodiscard]] QProcessEnvironment programEnvironment(const QString& dir, const QString& display);

// Visible top-level windows whose name contains `name`.
[[nodiscard]] int visibleWindows(const QString& name);
// Counts the top-level windows whose name contains `name` as the X server maps them, from the
// server's own notices. Polling the server over thousands of windows loads it while the program
// measured waits on it, and adds the poll's own delay to what is measured. Make it before the
// program starts.
class MappedWindows {
public:
    explicit MappedWindows(const QString& name);
    ~MappedWindows();
    MappedWindows(const MappedWindows&) = delete;
    MappedWindows& operator=(const MappedWindows&) = delete;

    // Such windows mapped now; -1 without a connection to the server.
    [[nodiscard]] int count() const;
    // Waits until `count` such windows are mapped, or for `timeoutMs`; the count then.
    [[nodiscard]] int waitFor(int count, int timeoutMs);

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
    QString m_name;
};

// Window ids whose name matches the regular expression `name`, visible or not (xdotool).
[[nodiscard]] QStringList windowIds(const QString& name);
// Runs xdotool with `args`; true when it exits with 0.
bool xdotool(const QStringList& args, int timeoutMs = 10000);

[[nodiscard]] long rssKiB(qint64 pid);
// Returns once the process is at rest: two seconds with less than 20 ms of CPU time, or 30 s.
// Its windows are mapped before it has finished starting.
void waitUntilAtRest(qint64 pid);
// User and system CPU time of a process so far.
[[nodiscard]] double cpuMs(qint64 pid);

} // namespace benchsupport
