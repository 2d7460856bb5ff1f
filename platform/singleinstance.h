#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One running instance per program folder: a lock file plus a local server, both named
// from a key derived from the folder. A later start asks the running one to show itself.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The key of a program folder: a hash of its canonical path.
    [[nodiscard]] static QString keyFor(const QString& programFolder);

    // True when this is the only instance; it then listens for "show" requests. A lock left
    // behind by a crashed run does not count.
    [[nodiscard]] bool tryAcquire();
    [[nodiscard]] bool isAcquired() const { return m_acquired; }

    // Asks the running instance of `key` to show itself; false when none answers.
    [[nodiscard]] static bool askRunningToShow(const QString& key);

    // Where the lock and the server of `key` live (a per-user folder).
    [[nodiscard]] static QString lockFilePath(const QString& key);
    [[nodiscard]] static QString serverName(const QString& key);

signals:
    void showRequested();

private:
    void onNewConnection();

    QString m_key;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    bool m_acquired = false;
};
