#pragma once

#include "platform/errors.h"

#include <QObject>
#include <QString>

class QLocalServer;

// One running instance per program folder. The folder itself is locked (flock on its own
// descriptor), so no environment, runtime folder or bind mount lets a second copy in; a local
// server, named from a key derived from the folder, lets a later start ask the running one to
// show itself.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programFolder, QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Acquire {
        Acquired,      // the only instance; it now listens for "show" requests
        HeldByAnother, // another copy runs on this folder
        Failed,        // the lock could not be taken for another reason: see error()
    };

    // The key of a program folder: a hash of its canonical path.
    [[nodiscard]] static QString keyFor(const QString& programFolder);

    // The lock goes with the process, so a crashed run never blocks the next start.
    [[nodiscard]] Acquire tryAcquire();
    [[nodiscard]] bool isAcquired() const { return m_fd >= 0; }
    // Why the last tryAcquire() failed.
    [[nodiscard]] const IoError& error() const { return m_error; }

    // Asks the running instance of `key` to show itself; false when none answers.
    [[nodiscard]] static bool askRunningToShow(const QString& key);

    // Where the server of `key` lives (a per-user folder).
    [[nodiscard]] static QString serverName(const QString& key);

signals:
    void showRequested();

private:
    void onNewConnection();
    void listen();

    QString m_folder;
    QString m_key;
    int m_fd = -1;
    IoError m_error;
    QLocalServer* m_server = nullptr;
};
