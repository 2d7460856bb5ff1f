#include "mail/mailprogram.h"

#include "localisation/translator.h"
#include "platform/desktopshell.h"
#include "platform/messagesink.h"
#include "platform/xdgpaths.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

QString runQuery(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool programExists(const QString& program) {
    if (program.contains(QLatin1Char('/')))
        return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

} // namespace

MailProgram::MailProgram(Settings& settings, ProgramState& state, DesktopShell& shell,
                         MessageSink& messages, const Translator& tr, Query query)
    : m_settings(settings)
    , m_state(state)
    , m_shell(shell)
    , m_messages(messages)
    , m_tr(tr)
    , m_query(query ? std::move(query) : Query(runQuery)) {}

QString MailProgram::execCommand(const QString& desktopEntry) {
    bool inEntry = false;
    for (const QString& raw : desktopEntry.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(QLatin1String("Exec="))) {
            QStringList parts = QProcess::splitCommand(line.mid(5));
            parts.removeIf([](const QString& part) {
                return part.size() == 2 && part.startsWith(QLatin1Char('%'));
            });
            for (QString& part : parts)
                if (part.contains(QLatin1Char(' ')))
                    part = QLatin1Char('"') + part + QLatin1Char('"');
            return parts.join(QLatin1Char(' '));
        }
    }
    return {};
}

QString MailProgram::desktopMailCommand() const {
    const QString entry =
        m_query(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/mailto")});
    if (entry.isEmpty() || entry.contains(QLatin1Char('/')))
        return {};
    QStringList dirs{xdgDataHome()};
    dirs += QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& dir : std::as_const(dirs)) {
        QFile file(dir + QStringLiteral("/applications/") + entry);
        if (file.open(QIODevice::ReadOnly))
            return execCommand(QString::fromUtf8(file.readAll()));
    }
    return {};
}

void MailProgram::open() {
    if (m_settings.MailProgram.trimmed().isEmpty()) {
        const QString command = desktopMailCommand();
        if (!command.isEmpty()) {
            m_settings.MailProgram = command;
            m_state.SettingsChanged = true;
        }
    }
    const QString command = m_settings.MailProgram.trimmed();
    if (command.isEmpty()) {
        m_shell.open(QStringLiteral("mailto:"));
        return;
    }
    QStringList parts = QProcess::splitCommand(command);
    if (parts.isEmpty())
        return;
    const QString program = parts.takeFirst();
    if (!programExists(program) || !m_shell.startProgram(program, parts)) {
        m_messages.Message_box(m_tr.Translation(87) + QStringLiteral("\r\n") + command,
                               QStringLiteral("Error 53"), msgbox::Error);
        m_settings.MailProgram.clear();
        m_state.SettingsChanged = true;
    }
}

WebAddressMatch FindWebAddress(const QString& text, qsizetype from) {
    for (int pass = 0; pass < 2; ++pass) {
        const qsizetype http = text.indexOf(QLatin1String("http://"), from, Qt::CaseInsensitive);
        const qsizetype https = text.indexOf(QLatin1String("https://"), from, Qt::CaseInsensitive);
        const qsizetype www = text.indexOf(QLatin1String("www."), from, Qt::CaseInsensitive);
        qsizetype start = -1;
        for (qsizetype found : {http, https, www})
            if (found >= 0 && (start < 0 || found < start))
                start = found;
        if (start >= 0) {
            qsizetype end = text.size();
            for (const QString& stop :
                 {QStringLiteral("\""), QStringLiteral(" "), QStringLiteral("<"),
                  QStringLiteral(","), QStringLiteral("\r\n"), QStringLiteral("\n")}) {
                const qsizetype at = text.indexOf(stop, start);
                if (at >= 0 && at < end)
                    end = at;
            }
            return {start, end};
        }
        if (from <= 0)
            break;
        from = 0;
    }
    return {};
}
