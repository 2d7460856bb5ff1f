#pragma once

#include "platform/globalshortcut.h"
#include "platform/screenfit.h"
#include "store/snapshots.h"

#include <QIcon>
#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class Program;
class QScreen;
class frmRestore;
class DesktopOptions;

// What the program does to be at home on a Linux desktop: notes on every workspace, notes
// brought back from screens that went away, the quick-note shortcut, the daily snapshots of
// the data files with the Restore window, and the word about Wayland sessions. Program owns
// one, made once the manager exists.
class DesktopService : public QObject {
    Q_OBJECT
public:
    // Values kept in the program's own value store.
    static inline const QString AllWorkspacesValue = QStringLiteral("NotesOnAllWorkspaces");
    static inline const QString ShortcutValue = QStringLiteral("QuickNoteShortcut");
    static inline const QString WaylandWarnedValue = QStringLiteral("WaylandWarningShown");
    // The stored shortcut text for "no shortcut".
    static inline const QString NoShortcut = QStringLiteral("none");
    [[nodiscard]] static QKeySequence defaultShortcut();

    // The window system to ask the toolkit for, before the application object exists: "xcb"
    // in a Wayland session that has XWayland (DISPLAY set), where notes can place themselves,
    // stay on top and move by their title bar; empty to leave the choice to the toolkit (also
    // when the user chose with QT_QPA_PLATFORM). Reads the environment.
    [[nodiscard]] static QByteArray preferredPlatform();
    // Sets QT_QPA_PLATFORM to the preferred platform, when there is one.
    static void choosePlatform();
    // The program's icon (desktop/quillaboard.svg), drawn for the window system's sizes.
    [[nodiscard]] static QIcon programIcon();

    DesktopService(Program& program, std::unique_ptr<GlobalShortcut> shortcut,
                   QObject* parent = nullptr);
    ~DesktopService() override;

    // After every load of the notes: notes outside every screen come back; the day's snapshot
    // is taken a moment later, and then looked for every hour.
    void notesLoaded();
    // Before the notes are saved for the last time.
    void shutdown();

    // Screens. Moves every note that lies outside all of `screens` inside the nearest one, its
    // window too, and marks it changed; returns how many moved.
    int bringNotesInside(const QList<screenfit::Screen>& screens);
    // The screens there are now, without `leaving` (a screen being removed).
    [[nodiscard]] static QList<screenfit::Screen> currentScreens(const QScreen* leaving = nullptr);

    // Workspaces.
    [[nodiscard]] bool notesOnAllWorkspaces() const { return m_allWorkspaces; }
    void setNotesOnAllWorkspaces(bool all);

    // The quick-note shortcut.
    [[nodiscard]] QKeySequence shortcut() const { return m_keys; }
    GlobalShortcut::Status setShortcut(const QKeySequence& keys);
    [[nodiscard]] GlobalShortcut& globalShortcut() { return *m_shortcut; }
    // Another way to the desktop's shortcuts (tests); the stored key is registered with it.
    void useGlobalShortcut(std::unique_ptr<GlobalShortcut> shortcut);
    // A new note in the normal list, in front with the keyboard focus.
    void quickNote();

    // Snapshots.
    snapshots::Outcome takeSnapshot(const QDate& today);
    void openRestore();
    [[nodiscard]] frmRestore* restoreWindow() const;
    // Brings the notes back as new notes: into the import files, then a reload merges them.
    // False when they could not be written or the reload was refused (they then come at the
    // next start or reload).
    bool restoreNotes(const QList<snapshots::StoredNote>& notes);

    // The options of the setup panel.
    [[nodiscard]] DesktopOptions* options() const;

signals:
    void shortcutStatusChanged(GlobalShortcut::Status status);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyWorkspaces();
    void watchScreen(QScreen* screen);
    void screensChanged(const QScreen* leaving);
    void warnOnceOnWayland();
    void installOptions();

    Program& m_program;
    std::unique_ptr<GlobalShortcut> m_shortcut;
    QKeySequence m_keys;
    bool m_allWorkspaces = true;
    QTimer m_snapshotTimer;
    QPointer<frmRestore> m_restore;
    QPointer<DesktopOptions> m_options;
};
