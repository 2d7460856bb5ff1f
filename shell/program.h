#pragma once

#include "localisation/messageboxservice.h"
#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/programfolder.h"
#include "platform/qtdesktopshell.h"
#include "platform/qtdialogs.h"
#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "shell/periodic.h"
#include "shell/settingsfile.h"
#include "shell/writelog.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class frmStartup;
class frmSplash;
class NoteWindowSet;
class NoteWindowAdapter;

// The running program: owns the settings, the note tables, the services and the windows, and
// hands references to whoever needs them. Start-up and shutdown run here.
class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(const ProgramFolder& folder, QObject* parent = nullptr);
    ~Program() override;

    // The whole start-up. False when another instance runs in this program folder: it was
    // asked to show its manager and this one must end at once.
    [[nodiscard]] bool start();
    // The orderly shutdown: settings written when changed, notes saved, windows closed.
    // Runs once; later calls do nothing.
    void shutdown();
    // Shutdown, then the event loop ends with exit code 0. The note windows are left to the
    // end of the process: once everything is saved, taking hundreds of them down one by one
    // only delays the exit.
    void quit();
    // After the event loop: gives up the program folder so a new start can take it, and says
    // whether the windows were left to the end of the process (main then ends at once).
    [[nodiscard]] bool releaseForExit();
    void cmdReload_Click();

    [[nodiscard]] static QString runningVersion();
    [[nodiscard]] NoteStore& store() { return m_store; }
    [[nodiscard]] Settings& settings() { return m_settings; }
    [[nodiscard]] ProgramState& state() { return m_state; }
    [[nodiscard]] frmStartup* manager() const { return m_manager.get(); }
    [[nodiscard]] NoteWindowSet* noteWindows() const { return m_windows.get(); }

private:
    // Loads both lists' notes, builds their windows and fills the manager's lists.
    void loadNotes();
    void fillLanguageList();
    void applyManagerPlacement();
    void checkRunValue();
    void showSplash();
    void checkVersion();
    void startTimers();
    void saveNotes();
    void showFromOtherInstance();
    [[nodiscard]] QString placementText() const;
    [[nodiscard]] QString executablePath() const;

    void timAutoSave_Timer();
    void timAutoRefresh_Timer();
    void timCheckFocus_Timer();

    SystemClock m_clock;
    ProgramFolder m_folder;
    NoteFiles m_files;
    Settings m_settings;
    ProgramState m_state;
    Translator m_tr;
    MessageBoxService m_messages;
    LogWriter m_log;
    QtDialogs m_dialogs;
    QtDesktopShell m_shell;
    NoteStore m_store;
    SettingsFile m_settingsFile;
    std::unique_ptr<SingleInstance> m_instance;
    SessionEnd m_sessionEnd;
    std::unique_ptr<NoteWindowSet> m_windows;
    std::unique_ptr<NoteWindowAdapter> m_adapter;
    std::unique_ptr<frmStartup> m_manager;
    QPointer<frmSplash> m_splash;

    MinuteTimer m_timAutoSave;
    QTimer m_timAutoRefresh;
    QTimer m_timCheckFocus;

    QStringList m_languages;
    QString m_RunValue;
    // The manager's top, left and visibility at the end of start-up.
    QString m_StartupPlacement;
    // The look last given by the focus check, so an idle tick does nothing.
    int m_lookSlot = -1;
    bool m_lookActive = false;
    bool m_started = false;
    bool m_shutDown = false;
    bool m_leaveWindowsToExit = false;
};
