#pragma once

#include "languagefile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class DiagnosticLog;

inline const QString NativeLanguage = QStringLiteral("_English (native)");

// The numbered messages in the current language: 1..102 as they have always been numbered,
// then the ones added since. With a language file in use, messages and window texts come from
// it, the English text standing in for whatever it does not say.
class Translator {
public:
    Translator();
    ~Translator();

    // The text of message `number`; in diagnostic mode the lookup is traced to
    // "DebugMode.log".
    [[nodiscard]] QString Translation(int number) const;

    // A value of the language file in use, `fallback` when it has none (and with the
    // built-in language). Traced in diagnostic mode.
    [[nodiscard]] QString ReadIniFile(const QString& section, const QString& key,
                                      const QString& fallback, bool* found = nullptr) const;
    // The same for any file: the profile reader behind every lookup.
    [[nodiscard]] QString ReadIniFile(const QString& file, const QString& section,
                                      const QString& key, const QString& fallback,
                                      bool* found = nullptr) const;

    // Diagnostic tracing: the log to write to and whether the diagnostic mode is on.
    void setDiagnostics(DiagnosticLog* log, const bool* debugMode);
    // Told once per language choice when its file cannot be used, or only in part.
    using ProblemReport = std::function<void(const QString& file, languagefile::Problem)>;
    void setProblemReport(ProblemReport report);

    // The built-in language, or a language file's name with its path.
    void setLanguage(const QString& language, const QString& file);
    [[nodiscard]] const QString& language() const { return m_language; }
    [[nodiscard]] const QString& languageFile() const { return m_file; }
    [[nodiscard]] bool isNative() const { return m_language == NativeLanguage; }

    // The character set the language file asks for ("Charset" of [General]), else the
    // system's; and the one the windows were last translated with.
    [[nodiscard]] int CharsetNeeded() const;
    [[nodiscard]] int charsetInUse() const { return m_charsetInUse; }
    void setCharsetInUse(int charset) const { m_charsetInUse = charset; }

    [[nodiscard]] static const QStringList& englishMessages();

private:
    // The parsed file, read again when it changed on disk.
    [[nodiscard]] const languagefile::IniFile& current(const QString& file) const;
    void trace(const QString& line) const;

    QString m_language = NativeLanguage;
    QString m_file;
    mutable int m_charsetInUse = 0;
    DiagnosticLog* m_log = nullptr;
    const bool* m_debugMode = nullptr;
    ProblemReport m_report;
    struct Cache {
        QString file;
        QDateTime modified;
        qint64 size = -1;
        bool exists = false;
        languagefile::IniFile ini;
    };
    mutable std::unique_ptr<Cache> m_cache;
    mutable bool m_reported = false;
};
