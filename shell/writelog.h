#pragma once

#include "platform/diagnosticlog.h"
#include "platform/programfolder.h"

#include <QObject>

class Clock;
class MessageSink;
class Translator;
struct Settings;

// The three diagnostic logs in the program folder. Each line is
// "yyyy-MM-dd.HH:mm:ss : text" with CR LF. The mail and network logs count the lines of this
// run and start afresh with the 301st; "DebugMode.log" grows without limit.
class LogWriter final : public QObject, public DiagnosticLog {
    Q_OBJECT

public:
    static constexpr int MaxCountedLines = 300;

    LogWriter(const ProgramFolder& folder, const Clock& clock, MessageSink& messages,
              const Translator& translator, Settings& settings, QObject* parent = nullptr);

    // Appends one line; callers check their switch first. A failure shows the write-failure
    // box and, for the mail log, switches mail logging off.
    void WriteLog(const QString& fileName, const QString& line) override;

    [[nodiscard]] int mailLineCount() const { return m_mailLines; }
    [[nodiscard]] int netLineCount() const { return m_netLines; }

signals:
    // chkMailWriteLog was cleared after a failure; the setup panel shows it again.
    void mailLogSwitchedOff();

private:
    // Counts the line; on the 301st deletes the file and restarts the count.
    void countLine(int& counter, const QString& path);
    void reportFailure(const QString& fileName, int errorNumber);

    ProgramFolder m_folder;
    const Clock& m_clock;
    MessageSink& m_messages;
    const Translator& m_translator;
    Settings& m_settings;
    int m_mailLines = 0;
    int m_netLines = 0;
    bool m_reporting = false;
};
