#pragma once

#include "alarms/alarmactions.h"
#include "alarms/alarmchecker.h"
#include "alarms/alarmpanel.h"
#include "alarms/alarmstatefile.h"
#include "platform/commandrunner.h"
#include "platform/linuxdesktop.h"
#include "platform/qtsound.h"
#include "shell/frmmissedalarms.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class Clock;
class Dialogs;
class DesktopShell;
class MessageBoxService;
class NoteStore;
class NoteWindowSet;
class Translator;
class frmStartup;
struct ProgramState;
struct Settings;

// The seams tests replace; empty ones get the real ones.
struct AlarmSeams {
    Sound* sound = nullptr;
    Desktop* desktop = nullptr;
    std::function<int(int)> random;
};

// The alarms of the running program: the minute check (`timAlarm`), the actions of the alarms
// that go off, snoozing, the alarm panel and what it keeps across runs.
class AlarmService : public QObject, public AlarmHost {
    Q_OBJECT
public:
    struct Parts {
        NoteStore& store;
        Settings& settings;
        ProgramState& state;
        MessageBoxService& messages;
        const Translator& tr;
        Dialogs& dialogs;
        DesktopShell& shell;
        const Clock& clock;
        NoteWindowSet& windows;
        frmStartup& manager;
        QString programFolder;
        // The program's orderly shutdown before the machine is powered off.
        std::function<bool()> shutDownProgram;
    };
    AlarmService(const Parts& parts, const AlarmSeams& seams = AlarmSeams(),
                 QObject* parent = nullptr);
    ~AlarmService() override;

    // After the notes are loaded: what the previous run kept, a first check (which catches up
    // what was missed while the program was not running) and the minute timer.
    void start();
    // At shutdown: the timer stops and the state file keeps the last check.
    void stop();

    // The check of all notes now (`timAlarm` and the panel's test button).
    void CheckAlarms();
    void snooze(int slot, int minutes);

    [[nodiscard]] AlarmChecker& checker() { return m_checker; }
    [[nodiscard]] AlarmPanel* panel() const { return m_panel; }
    [[nodiscard]] frmMissedAlarms* missedBox() const { return m_missedBox; }
    // The next occurrence of a note's alarm, for the list's tooltips.
    [[nodiscard]] QDateTime nextOccurrence(int slot) const;

    // AlarmHost
    void showAlarmNote(int slot, bool late) override;
    void setNoteText(int slot, const QString& text) override;
    bool shutDownProgram() override;
    void showMissedAlarms(const QList<MissedAlarm>& missed) override;

private:
    void installPanel();
    void scheduleTick();
    void timAlarm_Timer();
    void showPendingNotes();
    void saveState(bool force);

    Parts m_parts;
    std::unique_ptr<QtSound> m_ownSound;
    ProcessRunner m_runner;
    std::unique_ptr<LinuxDesktop> m_ownDesktop;
    Sound& m_sound;
    Desktop& m_desktop;
    AlarmChecker m_checker;
    AlarmStateFile m_stateFile;
    AlarmActions m_actions;
    QTimer m_timAlarm;
    // Notes to show once the program's message boxes are closed.
    QList<int> m_pendingShows;
    QTimer m_pendingTimer;
    QPointer<AlarmPanel> m_panel;
    QPointer<frmMissedAlarms> m_missedBox;
    int m_checksSinceSave = 0;
    bool m_checking = false;
};
