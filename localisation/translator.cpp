#include "translator.h"

#include "platform/diagnosticlog.h"

#include <QFileInfo>

Translator::Translator() = default;
Translator::~Translator() = default;

const QStringList& Translator::englishMessages() {
    // Numbered from 1; language files key their translations by these numbers.
    static const QStringList messages = {
        QStringLiteral("Welcome to 'Quillaboard'."),
        QStringLiteral("File 'Quillaboard.ini' missing."),
        QStringLiteral("The program will use default settings."),
        QStringLiteral("'Template.ini' created in the 'Languages' folder."),
        QStringLiteral("Translate the right part of the '=' sign"),
        QStringLiteral("and rename the file to the chosen language."),
        QStringLiteral("For this setting to take effect,"),
        QStringLiteral("you must close the program and restart it."),
        QStringLiteral("Show details"),
        QStringLiteral("Hide details"),
        QStringLiteral("You have"),
        QStringLiteral("message(s) waiting"),
        QStringLiteral("New mail"),
        QStringLiteral("Total :"),
        QStringLiteral("Random wallpaper"),
        QStringLiteral("Random screensaver"),
        QStringLiteral("Shut down the computer"),
        QStringLiteral("Please, read the help notes on both sides"),
        QStringLiteral("(click the upper left square of a note to switch sides)."),
        QStringLiteral("Then go to the Setup panel to adjust some general settings."),
        QStringLiteral("You can also read the FAQ to learn the basis"),
        QStringLiteral("and in no time, you will master Quillaboard."),
        QStringLiteral("Quillaboard usually starts on system startup from"),
        QStringLiteral("Would you like to start it in the future from"),
        QStringLiteral("Startup directory has changed"),
        QStringLiteral("Cancel"),
        QStringLiteral("Yes"),
        QStringLiteral("No"),
        QStringLiteral("Roll up"),
        QStringLiteral("Roll down"),
        QStringLiteral("Alarm is disabled"),
        QStringLiteral("Alarm set on"),
        QStringLiteral("and has started"),
        QStringLiteral("Alarm has expired"),
        QStringLiteral("Alarm is enabled and has started"),
        QStringLiteral("Alarm is activated"),
        QStringLiteral("Disabling the tooltips doesn't work in the native language."),
        QStringLiteral("Please, choose a non-native language."),
        QStringLiteral("You can not create a template file now."),
        QStringLiteral("First, you must enable the tooltips."),
        QStringLiteral("Are you sure?"),
        QStringLiteral("Confirm delete"),
        QStringLiteral("Unable to open '"),
        QStringLiteral("Unable to read note '"),
        QStringLiteral("is too big. The note is truncated to 32 Kb."),
        QStringLiteral("Error while saving"),
        QStringLiteral("This file was not updated."),
        QStringLiteral("Unable to save note '"),
        QStringLiteral("I/O error while saving into Quillaboard.dat"),
        QStringLiteral("Sorry, the path for this file is too long (64 char. max)."),
        QStringLiteral("Path error"),
        QStringLiteral("Quillaboard Help.mht is missing."),
        QStringLiteral("Error opening Help file"),
        QStringLiteral("Unable to go to web site"),
        QStringLiteral("Created"),
        QStringLiteral("Modified"),
        QStringLiteral("Mail server error"),
        QStringLiteral("Unable to read image on note '"),
        QStringLiteral("Program not found"),
        QStringLiteral("Document not found"),
        QStringLiteral("No soundcard detected !"),
        QStringLiteral("Unable to write in"),
        QStringLiteral("I/O error while reading from Quillaboard.ini"),
        QStringLiteral("I/O error while reading from Quillaboard.dat"),
        QStringLiteral("Listening on port 6021"),
        QStringLiteral("Error: port 6021 already open"),
        QStringLiteral("The send/receive note over network feature has been disabled"),
        QStringLiteral("Disconnection"),
        QStringLiteral("Sending user name"),
        QStringLiteral("Sending password"),
        QStringLiteral("Asking stats"),
        QStringLiteral("Ask mail details"),
        QStringLiteral("Not connected"),
        QStringLiteral("Set alarm for '"),
        QStringLiteral("Error : Timeout"),
        QStringLiteral("Quillaboard. (server not responding)"),
        QStringLiteral("Incoming connection..."),
        QStringLiteral("Receiving data..."),
        QStringLiteral("Receive complete"),
        QStringLiteral("From"),
        QStringLiteral("Calling..."),
        QStringLiteral("Sending..."),
        QStringLiteral("Transfer OK"),
        QStringLiteral("Quillaboard. Click to show"),
        QStringLiteral("Quillaboard. Click to hide"),
        QStringLiteral("Quillaboard. Mail reading error"),
        QStringLiteral("Unable to open the mail program"),
        QStringLiteral("Retrieving mail"),
        QStringLiteral("Deleting mail"),
        QStringLiteral("Attachment ignored"),
        QStringLiteral("---Deleted---"),
        QStringLiteral("Version"),
        QStringLiteral("Author"),
        QStringLiteral("E-Mail"),
        QStringLiteral("Web Site"),
        QStringLiteral("Run from"),
        QStringLiteral("Translation version"),
        QStringLiteral("Character Set needed"),
        QStringLiteral("Character Set loaded"),
        QStringLiteral("From"),
        QStringLiteral("No network"),
        QStringLiteral("Quillaboard (no network)"),
        // Messages added after the original table, so language files can translate them too.
        QStringLiteral("The notes could not be saved."),
        QStringLiteral("Try again? (No keeps Quillaboard running, so nothing is lost.)"),
        QStringLiteral("Notes that could not be saved when Quillaboard last ended were kept in"),
        QStringLiteral("Import them now as new notes?"),
        QStringLiteral("The notes were not reloaded, so that the unsaved changes are kept."),
        QStringLiteral("The settings file could not be read completely. A copy was kept as"),
        QStringLiteral("Quillaboard cannot lock its program folder"),
        QStringLiteral("Snooze 5 minutes"),
        QStringLiteral("Snooze 15 minutes"),
        QStringLiteral("Snooze 1 hour"),
        QStringLiteral("Missed alarm, due at"),
        QStringLiteral("These alarms went off late, while the computer slept or Quillaboard was "
                       "not running:"),
        QStringLiteral("Shutting down was skipped: the alarm was missed."),
        QStringLiteral("This desktop offers no way to change the wallpaper from a program."),
        QStringLiteral("The wallpaper could not be changed:"),
        QStringLiteral("This desktop offers no choice of screensaver (xscreensaver is not "
                       "installed)."),
        QStringLiteral("The screensaver could not be changed:"),
        QStringLiteral("The computer could not be shut down:"),
        QStringLiteral("Snoozed until"),
        QStringLiteral("The language file cannot be read completely; English is shown for what "
                       "it does not translate:"),
    };
    return messages;
}

void Translator::setDiagnostics(DiagnosticLog* log, const bool* debugMode) {
    m_log = log;
    m_debugMode = debugMode;
}

void Translator::setProblemReport(ProblemReport report) {
    m_report = std::move(report);
}

void Translator::setLanguage(const QString& language, const QString& file) {
    m_language = language;
    m_file = language == NativeLanguage ? QString() : file;
    m_cache.reset();
    m_reported = false;
}

void Translator::trace(const QString& line) const {
    if (m_debugMode && *m_debugMode && m_log)
        m_log->WriteLog(DebugLogName, line);
}

const languagefile::IniFile& Translator::current(const QString& file) const {
    const QFileInfo info(file);
    const bool exists = info.exists();
    const QDateTime modified = exists ? info.lastModified() : QDateTime();
    const qint64 size = exists ? info.size() : -1;
    if (!m_cache || m_cache->file != file || m_cache->exists != exists ||
        m_cache->modified != modified || m_cache->size != size) {
        m_cache = std::make_unique<Cache>(
            Cache{file, modified, size, exists, languagefile::IniFile::read(file)});
        // The language file is read through the cache; another file (the template being
        // checked, say) is not the user's language.
        if (file == m_file && m_cache->ini.problem() != languagefile::Problem::None &&
            !m_reported) {
            m_reported = true;
            if (m_report)
                m_report(file, m_cache->ini.problem());
        }
    }
    return m_cache->ini;
}

QString Translator::ReadIniFile(const QString& file, const QString& section, const QString& key,
                                const QString& fallback, bool* found) const {
    trace(QStringLiteral("[ReadIniFile] (Before Loading) Language to load=") + file +
          QStringLiteral(" Section=") + section + QStringLiteral(" Key=") + key +
          QStringLiteral(" Default=") + fallback);
    const languagefile::IniFile& ini = current(file);
    const QString result = ini.value(section, key, fallback, found);
    const bool missing = ini.problem() == languagefile::Problem::Missing;
    trace(QStringLiteral("[ReadIniFile] (After Loading)  Err.Number=") +
          (missing ? QStringLiteral("53 (File not found)") : QStringLiteral("0 ()")) +
          QStringLiteral(" Length returned=") + QString::number(result.size()) +
          QStringLiteral(" Translation returned=") + result);
    return result;
}

QString Translator::ReadIniFile(const QString& section, const QString& key, const QString& fallback,
                                bool* found) const {
    if (isNative()) {
        if (found)
            *found = false;
        return fallback;
    }
    return ReadIniFile(m_file, section, key, fallback, found);
}

int Translator::CharsetNeeded() const {
    const QString text = ReadIniFile(QStringLiteral("General"), QStringLiteral("Charset"), {});
    if (text.trimmed().isEmpty())
        return languagefile::SystemCharset();
    return text.trimmed().toInt();
}

QString Translator::Translation(int number) const {
    const QStringList& english = englishMessages();
    if (number < 1 || number > english.size())
        return {};
    const QString& text = english.at(number - 1);
    if (isNative()) {
        trace(QStringLiteral("[Translation] English native message ID=") + QString::number(number));
        return text;
    }
    trace(QStringLiteral("[Translation] Asking translation of message ID=") +
          QString::number(number));
    return ReadIniFile(m_file, QStringLiteral("MSG"), QString::number(number), text);
}
