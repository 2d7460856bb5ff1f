#pragma once

#include <QObject>

class QSocketNotifier;

// The session asking the program to end: SIGTERM, SIGINT and SIGHUP arrive as the Qt signal
// quitRequested() on the thread that created this object, so the orderly shutdown runs from
// the event loop instead of a signal handler. One instance at a time.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    // False when the signals could not be routed (another instance holds them).
    [[nodiscard]] bool isInstalled() const { return m_installed; }

signals:
    void quitRequested();

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};
