#include "shell/writelog.h"

#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/fileio.h"
#include "platform/messagesink.h"
#include "platform/textcodec.h"
#include "store/settings.h"

LogWriter::LogWriter(const ProgramFolder& folder, const Clock& clock, MessageSink& messages,
                     const Translator& translator, Settings& settings, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
    , m_clock(clock)
    , m_messages(messages)
    , m_translator(translator)
    , m_settings(settings) {}

void LogWriter::WriteLog(const QString& fileName, const QString& line) {
    const QString path = m_folder.file(fileName);
    if (fileName == MailLogName) {
        countLine(m_mailLines, path);
    } else if (fileName == NetLogName) {
        countLine(m_netLines, path);
    }

    const QDateTime now = m_clock.now();
    const QString text = now.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('.') +
                         now.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" : ") + line +
                         QStringLiteral("\r\n");
    const IoError error = fileio::appendBytes(path, textcodec::encode(text));
    if (error.failed()) {
        reportFailure(fileName, error.number);
    }
}

void LogWriter::countLine(int& counter, const QString& path) {
    ++counter;
    if (counter > MaxCountedLines) {
        // A missing file is as good as a deleted one; a file that cannot go shows its
        // failure when the line is appended.
        (void)fileio::removeFile(path);
        counter = 0;
    }
}

void LogWriter::reportFailure(const QString& fileName, int errorNumber) {
    // Looking up the message may itself log a trace; a failing "DebugMode.log" must not
    // report its own failure over and over.
    if (m_reporting) {
        return;
    }
    m_reporting = true;
    if (fileName == MailLogName && m_settings.chkMailWriteLog != 0) {
        // Off before the box shows, so lines logged meanwhile do not raise more boxes.
        m_settings.chkMailWriteLog = 0;
        emit mailLogSwitchedOff();
    }
    const QString text = QStringLiteral("error ") + formatErrorNumber(errorNumber) +
                         QStringLiteral("\r\n") + m_translator.Translation(62) + QLatin1Char(' ') +
                         fileName;
    (void)m_messages.Message_box(text, QString(), msgbox::WriteFailure);
    m_reporting = false;
}
