#pragma once

#include "alarms/alarmchecker.h"

#include <QString>
#include <functional>

class Desktop;
class DesktopShell;
class MessageSink;
class NoteStore;
class Sound;
class Translator;
struct Settings;

// One alarm that went off late, as the summary lists it.
struct MissedAlarm {
    int slot = -1;
    QString title;
    QDateTime due;       // when it was to go off
    QStringList notices; // what else the user must know (a program not found, ...)
};

// What performing an alarm needs from the program's windows and its exit.
class AlarmHost {
public:
    virtual ~AlarmHost() = default;
    // Shows the note (ticks its line once no message box of the program is open) and makes it
    // flash; `late` when it went off late (the summary of missed alarms names it).
    virtual void showAlarmNote(int slot, bool late) = 0;
    // Both text boxes of the note get this text (the wallpaper or screensaver it chose).
    virtual void setNoteText(int slot, const QString& text) = 0;
    // The program's orderly shutdown, every note and the settings saved; false when they could
    // not be, and the machine then stays on.
    virtual bool shutDownProgram() = 0;
    // One box for every alarm that went off late, which offers to snooze them.
    virtual void showMissedAlarms(const QList<MissedAlarm>& missed) = 0;
};

struct AlarmActionsContext {
    NoteStore& store;
    const Settings& settings;
    MessageSink& messages;
    const Translator& tr;
    DesktopShell& shell;
    Sound& sound;
    Desktop& desktop;
    AlarmHost& host;
    // A whole number in [0, n): the random choices of wallpaper and screensaver.
    std::function<int(int)> random;
};

// Performs what the minute check decided (`FireAlarm`'s actions): show and flash, program or
// document, sound, desktop action. Alarms on time are performed one by one as they always
// were; alarms that went off late are performed together and announced in one box, with one
// sound at most, so a long gap brings no flood of boxes and sounds.
class AlarmActions {
public:
    explicit AlarmActions(const AlarmActionsContext& ctx);

    void perform(const AlarmCheckResult& result);

    // Whether a path names a program to start rather than a document to open: an executable
    // file, or a name holding ".exe" after its first character.
    [[nodiscard]] static bool isProgram(const QString& path);

private:
    // Returns what the summary must say for a late alarm; a box for one on time.
    QStringList performOne(const AlarmAction& action, bool late, bool soundAllowed);
    [[nodiscard]] QString startOrOpen(const AlarmAction& action);
    [[nodiscard]] QString desktopAction(const AlarmAction& action);
    [[nodiscard]] QString noteCaption(int slot) const;

    AlarmActionsContext m_ctx;
};
