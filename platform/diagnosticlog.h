#pragma once

#include <QString>

// The three diagnostic logs; the shell writes them, lower layers log through this.
inline const QString DebugLogName = QStringLiteral("DebugMode.log");
inline const QString MailLogName = QStringLiteral("Quillaboard Mail Check.log");
inline const QString NetLogName = QStringLiteral("Quillaboard Net.log");

class DiagnosticLog {
public:
    virtual ~DiagnosticLog() = default;
    virtual void WriteLog(const QString& fileName, const QString& line) = 0;
};
