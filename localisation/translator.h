#pragma once

#include <QString>
#include <QStringList>

class DiagnosticLog;

inline const QString NativeLanguage = QStringLiteral("_English (native)");

// The numbered messages in the current language: 1..102 as they have always been numbered,
// then the ones added since.
class Translator {
public:
    Translator();

    // The text of message `number`; with the built-in language and diagnostic mode on, the
    // lookup is traced to "DebugMode.log".
    [[nodiscard]] QString Translation(int number) const;

    // Diagnostic tracing: the log to write to and whether the diagnostic mode is on.
    void setDiagnostics(DiagnosticLog* log, const bool* debugMode);

    [[nodiscard]] const QString& language() const { return m_language; }
    [[nodiscard]] bool isNative() const { return m_language == NativeLanguage; }

    [[nodiscard]] static const QStringList& englishMessages();

private:
    QString m_language = NativeLanguage;
    DiagnosticLog* m_log = nullptr;
    const bool* m_debugMode = nullptr;
};
