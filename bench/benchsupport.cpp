#include "benchsupport.h"

#include "platform/textcodec.h"
#include "store/recordcodec.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <unistd.h>

#include <QElapsedTimer>

#ifdef QB_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <set>
#include <vector>
#include <xcb/xcb.h>
#endif

namespace benchsupport {

PrivateXServer::~PrivateXServer() {
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(3000))
            m_server.kill();
        m_server.waitForFinished(3000);
    }
}

bool PrivateXServer::start(const QString& screen) {
    // The server writes the display number it found free to the descriptor we give it.
    m_server.setProgram(QStringLiteral("Xvfb"));
    // Without -noreset the server resets whenever its last client goes, as every killed
    // program is, and a program that starts during the reset cannot connect.
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                           QStringLiteral("-noreset"), QStringLiteral("-screen"),
                           QStringLiteral("0"), screen, QStringLiteral("-nolisten"),
                           QStringLiteral("tcp")});
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.start();
    if (!m_server.waitForStarted(5000))
        return false;
    QByteArray out;
    while (!out.contains('\n') && m_server.waitForReadyRead(10000))
        out += m_server.readAllStandardOutput();
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok)
        return false;
    m_display = QStringLiteral(":%1").arg(number);
    return true;
}

QString displayFor(PrivateXServer& server, bool privateAlways) {
    if (!privateAlways && !qEnvironmentVariableIsEmpty("DISPLAY"))
        return qEnvironmentVariable("DISPLAY");
    if (!server.start())
        return {};
    // xdotool, run from here, works on the same display.
    qputenv("DISPLAY", server.display().toLocal8Bit());
    return server.display();
}

QByteArray iniLine(const QString& key, const QString& value) {
    return textcodec::encodeFixed(key, 20) + textcodec::encodeFixed(value, 128) + "\r\n";
}

QList<Note> makeNotes(const QString& prefix, int count, int events,
                      const std::function<QString(int)>& text) {
    QList<Note> notes;
    for (int i = 0; i < count; ++i) {
        Note n;
        n.record.setTitle(prefix + QString::number(i));
        n.record.List = i >= count - events ? 1 : 0;
        n.window.Left = static_cast<float>((i % 25) * 600);
        n.window.Top = static_cast<float>((i / 25 % 20) * 500);
        n.window.Width = 2400;
        n.window.Height = 2000;
        n.window.Text =
            text ? text(i)
                 : QStringLiteral("Note %1\nSome text of a note that a person wrote.").arg(i);
        n.window.Visible = true;
        notes.append(n);
    }
    return notes;
}

bool writeDataFiles(const QString& dir, const QList<Note>& notes) {
    const QString names[2] = {QStringLiteral("/Quillaboard.dat"),
                              QStringLiteral("/QuillaEvents.dat")};
    for (std::int16_t list = 0; list <= 1; ++list) {
        QFile dat(dir + names[list]);
        if (!dat.open(QIODevice::WriteOnly))
            return false;
        std::int16_t number = 1;
        for (const Note& n : notes) {
            if (n.record.List == list &&
                dat.write(recordcodec::encode(n.record, n.window, number++)) < 0)
                return false;
        }
    }
    return true;
}

bool writeSettings(const QString& dir, const QString& version, const QByteArray& extraLines) {
    QFile ini(dir + QStringLiteral("/Quillaboard.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = iniLine(QStringLiteral("[Version]"), version) +
                             iniLine(QStringLiteral("[frmStartupVisible]"), QStringLiteral("0")) +
                             extraLines + iniLine(QStringLiteral("[End of INI]"), QString());
    return ini.write(bytes) == bytes.size();
}

bool copyExecutable(const QString& exe, const QString& dir) {
    return QFile::copy(exe, dir + QStringLiteral("/quillaboard"));
}

QProcessEnvironment programEnvironment(const QString& dir, const QString& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dir + QStringLiteral("/cache"));
    const QString runtime = dir + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

namespace {

QByteArray xdotoolOutput(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(5000);
    return p.readAllStandardOutput();
}

} // namespace

#ifdef QB_HAVE_XCB
int visibleWindows(const QString& name) {
    // A watch starts with a look at the windows already mapped.
    return MappedWindows(name).count();
}

struct MappedWindows::Watch {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t netName = 0;
    xcb_atom_t utf8 = 0;
    QByteArray wanted;
    std::set<xcb_window_t> mapped;
    // Windows mapped whose name is still being asked for.
    std::vector<std::pair<xcb_window_t, xcb_get_property_cookie_t>> asked;

    void ask(xcb_window_t w) {
        asked.emplace_back(w, xcb_get_property(c, 0, w, netName, utf8, 0, 256));
    }
    void collectNames() {
        for (const auto& [window, cookie] : asked) {
            xcb_get_property_reply_t* p = xcb_get_property_reply(c, cookie, nullptr);
            if (p != nullptr && QByteArray(static_cast<const char*>(xcb_get_property_value(p)),
                                           xcb_get_property_value_length(p))
                                    .contains(wanted)) {
                mapped.insert(window);
            }
            std::free(p);
        }
        asked.clear();
    }
    void handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (map->event == root)
                ask(map->window);
            break;
        }
        case XCB_UNMAP_NOTIFY:
            mapped.erase(reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window);
            break;
        case XCB_DESTROY_NOTIFY:
            mapped.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
            break;
        default:
            break;
        }
    }
};

MappedWindows::MappedWindows(const QString& name)
    : m_watch(std::make_unique<Watch>())
    , m_name(name) {
    Watch& w = *m_watch;
    w.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(w.c)) {
        xcb_disconnect(w.c);
        m_watch.reset();
        return;
    }
    w.wanted = name.toUtf8();
    w.root = xcb_setup_roots_iterator(xcb_get_setup(w.c)).data->root;
    const auto atom = [&w](const char* text) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            w.c, xcb_intern_atom(w.c, 0, static_cast<uint16_t>(std::strlen(text)), text), nullptr);
        const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    };
    w.netName = atom("_NET_WM_NAME");
    w.utf8 = atom("UTF8_STRING");
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(w.c, w.root, XCB_CW_EVENT_MASK, &mask);
    // Windows mapped before the notices began; one mapped in between is counted once. Every
    // question is sent before the first answer is read: xdotool asks window by window, which
    // with thousands of windows keeps the server busy enough to slow the program measured.
    // Top-level windows only: the benchmarks' own server has no window manager to put them
    // in frames.
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(w.c, xcb_query_tree(w.c, w.root), nullptr);
    if (tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const int n = xcb_query_tree_children_length(tree);
        std::vector<xcb_get_window_attributes_cookie_t> attributes;
        for (int i = 0; i < n; ++i)
            attributes.push_back(xcb_get_window_attributes(w.c, children[i]));
        for (int i = 0; i < n; ++i) {
            xcb_get_window_attributes_reply_t* a =
                xcb_get_window_attributes_reply(w.c, attributes[static_cast<size_t>(i)], nullptr);
            if (a != nullptr && a->map_state == XCB_MAP_STATE_VIEWABLE)
                w.ask(children[i]);
            std::free(a);
        }
        std::free(tree);
    }
    w.collectNames();
}

MappedWindows::~MappedWindows() {
    if (m_watch)
        xcb_disconnect(m_watch->c);
}

int MappedWindows::count() const {
    return m_watch ? static_cast<int>(m_watch->mapped.size()) : -1;
}

int MappedWindows::waitFor(int count, int timeoutMs) {
    if (!m_watch)
        return -1;
    Watch& w = *m_watch;
    QElapsedTimer timer;
    timer.start();
    while (static_cast<int>(w.mapped.size()) < count && timer.elapsed() < timeoutMs) {
        pollfd fd{xcb_get_file_descriptor(w.c), POLLIN, 0};
        (void)::poll(&fd, 1, static_cast<int>(std::max<qint64>(1, timeoutMs - timer.elapsed())));
        while (xcb_generic_event_t* event = xcb_poll_for_event(w.c)) {
            w.handle(event);
            std::free(event);
        }
        w.collectNames();
        if (xcb_connection_has_error(w.c))
            break;
    }
    return static_cast<int>(w.mapped.size());
}
#else
struct MappedWindows::Watch {};

MappedWindows::MappedWindows(const QString& name)
    : m_name(name) {}

MappedWindows::~MappedWindows() = default;

int MappedWindows::count() const {
    return visibleWindows(m_name);
}

int MappedWindows::waitFor(int count, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    int shown = visibleWindows(m_name);
    while (shown < count && timer.elapsed() < timeoutMs) {
        QThread::msleep(20);
        shown = visibleWindows(m_name);
    }
    return shown;
}

int visibleWindows(const QString& name) {
    return static_cast<int>(
        xdotoolOutput({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                       QStringLiteral("--name"), name})
            .count('\n'));
}
#endif

QStringList windowIds(const QString& name) {
    const QString out = QString::fromLatin1(
        xdotoolOutput({QStringLiteral("search"), QStringLiteral("--name"), name}));
    return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool xdotool(const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
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

void waitUntilAtRest(qint64 pid) {
    for (int i = 0; i < 15; ++i) {
        const double before = cpuMs(pid);
        QThread::sleep(2);
        if (cpuMs(pid) - before < 20)
            return;
    }
}

} // namespace benchsupport
