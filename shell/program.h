#pragma once

#include "localisation/messageboxservice.h"
#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/programfolder.h"
#include "platform/qtdesktopshell.h"
#include "platform/qtdialogs.h"
#include "platform/sessionend.h"
#include "platform/singleinstance.h"
#include "shell/alarmservice.h"
#include "shell/periodic.h"
#include "shell/settingsfile.h"
#include "shell/writelog.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/saver.h"
#include "store/settings.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class DesktopService;
class frmStartup;
class LinkService;
class LanguageService;
class frmSplash;
class NoteWindowSet;
class NoteWindowAdapter;
class MailService;
class NetService;

// The running program: owns the settings, the note tables, the services and the windows, and
// hands references to whoever needs them. Start-up and shutdown run here.
class Program : public QObject {
    Q_OBJECT
public:
    explicit Program(const ProgramFolder& folder, QObject* parent = nullptr);
    ~Program() override;

    // The whole start-up. False when this copy must end at once: another one runs in this
    // program folder (it was asked to show its manager), or the folder could not be locked
    // (the user was told); exitCode() says which.
    [[nodiscard]] bool start();

    // Who asks the program to end: the user can still be asked when the notes cannot be
    // saved; the session's end or a termination signal leaves nobody to answer.
    enum class ExitKind { User, Unattended };
    // The orderly shutdown: settings written when changed, notes saved, windows closed. When
    // the notes cannot be saved, the user may retry or keep the program running (false);
    // without a user, the unsaved notes go to a rescue file. Runs once; later calls do nothing.
    bool shutdown(ExitKind kind = ExitKind::Unattended);
    // The user's exit (tray menu): shutdown, then the event loop ends. The note windows are
    // left to the end of the process: once everything is saved, taking hundreds of them down
    // one by one only delays the exit.
    void quit();
    // The orderly shutdown on the user's behalf, the windows left to the end of the process;
    // false when the user chose to keep the program running.
    bool endByUser();
    // The session or a signal ends the program: as quit(), without asking anything.
    void endSession();
    // The session's checkpoint: everything is saved, the program goes on.
    void saveAll();
    // After the event loop: gives up the program folder so a new start can take it, and says
    // whether the windows were left to the end of the process (main then ends at once).
    [[nodiscard]] bool releaseForExit();
    // 0 after a normal run or when another copy runs; non-zero when the program folder could
    // not be locked or notes could not be saved anywhere at the end.
    [[nodiscard]] int exitCode() const { return m_exitCode; }
    void cmdReload_Click();

    [[nodiscard]] static QString runningVersion();
    [[nodiscard]] NoteStore& store() { return m_store; }
    [[nodiscard]] Settings& settings() { return m_settings; }
    [[nodiscard]] ProgramState& state() { return m_state; }
    [[nodiscard]] frmStartup* manager() const { return m_manager.get(); }
    [[nodiscard]] NoteWindowSet* noteWindows() const { return m_windows.get(); }
    [[nodiscard]] NetService* net() const { return m_net.get(); }
    [[nodiscard]] MailService* mail() const { return m_mail.get(); }
    [[nodiscard]] LanguageService* language() const { return m_language.get(); }
    [[nodiscard]] const MinuteTimer& autoSaveTimer() const { return m_timAutoSave; }
    [[nodiscard]] const QTimer& autoRefreshTimer() const { return m_timAutoRefresh; }
    [[nodiscard]] AlarmService* alarms() const { return m_alarms.get(); }
    // Sound, desktop and chance for the alarms, before start(); tests never touch the real ones.
    void setAlarmSeams(const AlarmSeams& seams) { m_alarmSeams = seams; }
    [[nodiscard]] DesktopService* desktop() const { return m_desktop.get(); }
    [[nodiscard]] const NoteFiles& files() const { return m_files; }
    [[nodiscard]] MessageBoxService& messages() { return m_messages; }

private:
    // Loads both lists' notes, builds their windows and fills the manager's lists.
    void loadNotes();
    // The alarms' panel, actions and minute check; their first check comes at the end of start().
    void startAlarms();
    // The mail check, its windows and its settings panel.
    void startMail();
    void fillLanguageList();
    // The language service and the setup panel it puts in the manager.
    void startLanguages();
    void applyManagerPlacement();
    void checkRunValue();
    void showSplash();
    void checkVersion();
    void startTimers();
    // The network receiver, the send window and the network settings.
    void startNetwork();
    [[nodiscard]] SaveContext saveContext();
    [[nodiscard]] bool saveNotes();
    // Unsaved notes to a rescue file when nobody can be asked; false when that failed too.
    [[nodiscard]] bool rescueUnsavedNotes();
    // Rescue files of an earlier run: where they are, and the offer to import them.
    void offerRescueFiles();
    void scheduleFocusCheck();
    // The settings, with the manager's place, written when anything changed.
    void writeSettings();
    // The auto-save and auto-refresh timers as the settings ask, after a pause.
    void resumeTimers();
    void showFromOtherInstance();
    [[nodiscard]] QString placementText() const;
    // Where the manager's client area is, in pixels: what is saved and restored.
    [[nodiscard]] QPoint managerPosition() const;
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
    // The notes' linked files and their watch.
    std::unique_ptr<LinkService> m_links;
    std::unique_ptr<NetService> m_net;
    std::unique_ptr<MailService> m_mail;
    std::unique_ptr<LanguageService> m_language;
    std::unique_ptr<AlarmService> m_alarms;
    AlarmSeams m_alarmSeams;
    std::unique_ptr<DesktopService> m_desktop;
    QPointer<frmSplash> m_splash;

    MinuteTimer m_timAutoSave;
    QTimer m_timAutoRefresh;
    QTimer m_timCheckFocus;
    std::unique_ptr<CursorBlinkRest> m_blinkRest;

    // What the last load did to the data files (which it rewrote whole).
    LoadResult m_loaded;
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
    int m_exitCode = 0;
};
