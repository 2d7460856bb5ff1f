#pragma once

#include <QDate>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

#include "platform/programfolder.h"

class DiagnosticLog;
class MessageSink;
class Translator;
struct ProgramState;
struct Settings;

inline const QString SettingsFileName = QStringLiteral("Quillaboard.ini");

// The long day name of a date in the system's language ("Sunday", "dimanche").
using DayNameFunction = std::function<QString(const QDate&)>;
[[nodiscard]] QString systemDayName(const QDate& date);

// The language whose list entry a first run selects, judged by the system's day names:
// "French", "German", ...; empty when the names say nothing we have a language for.
[[nodiscard]] QString languageFromDayNames(const DayNameFunction& dayName);

// What reading needs to know about the running program.
struct SettingsReadContext {
    QSize screenTwips;      // the screen, for the position checks and centring
    QSize managerTwips;     // the manager window, centred on a first run
    QStringList languages;  // the entries of the language list
    QString runValue;       // the start-with-the-system entry read at start-up
    QString executablePath; // what a first run registers to start with the system
    DayNameFunction dayName = systemDayName;
};

struct SettingsReadResult {
    bool fileRead = false;
    // A first run registered the program to start with the system.
    bool registeredToStart = false;
};

// "Quillaboard.ini": fixed-column lines of a 20-character key and a 128-character value.
class SettingsFile {
public:
    SettingsFile(const ProgramFolder& folder, MessageSink& messages, const Translator& translator,
                 DiagnosticLog* log = nullptr);

    [[nodiscard]] QString path() const { return m_folder.file(SettingsFileName); }

    // Reads the file into `settings`; a missing or unreadable file gives the first-run
    // values and tells the user. A damaged file gives what can be read of it, is copied
    // aside as "Quillaboard.ini.damaged-<date>" and the user is told.
    SettingsReadResult ReadSettings(Settings& settings, ProgramState& state,
                                    const SettingsReadContext& context);

    // Rewrites the whole file when state.SettingsChanged is set and clears the flag. A
    // failure is reported to the user and keeps the flag so the next call tries again.
    [[nodiscard]] bool WriteSettings(const Settings& settings, ProgramState& state);

private:
    // The values of a first run: manager shown and centred, the ticked boxes.
    static void firstRunValues(Settings& settings, ProgramState& state,
                               const SettingsReadContext& context);
    // Keeps the damaged file beside it and tells the user where reading stopped.
    void keepDamagedCopy(const QString& stoppedAt);
    void firstRun(Settings& settings, ProgramState& state, const SettingsReadContext& context,
                  int errorNumber, const QString& errorText, SettingsReadResult& result);

    ProgramFolder m_folder;
    MessageSink& m_messages;
    const Translator& m_translator;
    DiagnosticLog* m_log;
};

// Completes what the settings did not provide: note defaults, alarm defaults and the
// selected entries of the interval lists.
void FillDefaults(Settings& settings, ProgramState& state);
