#include "platform/sessionend.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> RoutedSignals{SIGTERM, SIGINT, SIGHUP};

// The self-pipe: the handler writes a byte to [1], the event loop reads [0].
int g_pipe[2] = {-1, -1};
std::array<struct sigaction, RoutedSignals.size()> g_previous{};

extern "C" void onSessionSignal(int signalNumber) {
    // Only async-signal-safe work here: one byte into the pipe.
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SessionEnd::SessionEnd(QObject* parent)
    : QObject(parent) {
    if (g_pipe[0] >= 0)
        return;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SessionEnd::onReadable);

    struct sigaction action {};
    action.sa_handler = onSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < RoutedSignals.size(); ++i)
        ::sigaction(RoutedSignals[i], &action, &g_previous[i]);
    m_installed = true;
}

SessionEnd::~SessionEnd() {
    if (!m_installed)
        return;
    for (std::size_t i = 0; i < RoutedSignals.size(); ++i)
        ::sigaction(RoutedSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SessionEnd::onReadable() {
    // Several signals may have queued up; one request covers them all.
    char buffer[64];
    bool any = false;
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0)
        any = true;
    if (any)
        emit quitRequested();
}
