#include "notewindow/linkwatcher.h"

#include "notewindow/frmblocnote.h"
#include "notewindow/notehost.h"
#include "notewindow/notewindowset.h"
#include "platform/filesystem.h"
#include "store/linkedfile.h"

#include <QFileInfo>
#include <QSet>

LinkWatcher::LinkWatcher(LinkedFileStore& files, NoteWindowSet& windows, QObject* parent)
    : QObject(parent)
    , m_files(files)
    , m_windows(windows) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        m_files.checkForOutsideChanges();
        rewatch();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
    connect(&m_files, &LinkedFileStore::watchedFilesChanged, this, &LinkWatcher::rewatch);
    connect(&m_files, &LinkedFileStore::textReplaced, this, &LinkWatcher::showText);
    rewatch();
}

void LinkWatcher::showText(int slot) {
    frmBlocNote* window = m_windows.existingWindow(slot);
    if (window == nullptr) {
        return;
    }
    window->switchTextBox();
    window->applyLockState();
    if (NoteHost* host = m_windows.host()) {
        host->notePropertiesChanged(slot);
    }
}

void LinkWatcher::rewatch() {
    QSet<QString> wanted;
    for (const QString& file : m_files.watchedFiles()) {
        wanted.insert(file);
        wanted.insert(fileio::folderOf(file));
    }
    QStringList gone;
    for (const QString& path : m_watcher.files() + m_watcher.directories()) {
        if (!wanted.contains(path)) {
            gone.append(path);
        }
    }
    if (!gone.isEmpty()) {
        m_watcher.removePaths(gone);
    }
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    QStringList added;
    for (const QString& path : std::as_const(wanted)) {
        // A missing file is seen through its folder until it comes.
        if (!watched.contains(path) && QFileInfo::exists(path)) {
            added.append(path);
        }
    }
    if (!added.isEmpty()) {
        (void)m_watcher.addPaths(added);
    }
}
