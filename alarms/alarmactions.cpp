#include "alarms/alarmactions.h"

#include "localisation/translator.h"
#include "platform/desktop.h"
#include "platform/desktopshell.h"
#include "platform/messagesink.h"
#include "platform/programfolder.h"
#include "platform/sound.h"
#include "store/notestore.h"
#include "store/settings.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// A note's text that an alarm may replace with the picture or screensaver it chose: empty, or
// the path an earlier change put there.
bool textShowsAPath(const QString& text) {
    return text.isEmpty() || text.startsWith(QLatin1Char('/')) ||
           text.startsWith(QLatin1String("~/")) || text.mid(1, 2) == QLatin1String(":\\");
}

} // namespace

AlarmActions::AlarmActions(const AlarmActionsContext& ctx)
    : m_ctx(ctx) {}

bool AlarmActions::isProgram(const QString& path) {
    if (path.indexOf(QLatin1String(".exe"), 1, Qt::CaseInsensitive) > 0)
        return true;
    const QFileInfo info(ProgramFolder::expandHome(path));
    return info.isFile() && info.isExecutable();
}

QString AlarmActions::noteCaption(int slot) const {
    return QStringLiteral("Note '") + m_ctx.store.Notes.at(size_t(slot)).trimmedTitle() +
           QLatin1Char('\'');
}

void AlarmActions::perform(const AlarmCheckResult& result) {
    QList<MissedAlarm> missed;
    bool soundPlayed = false;
    for (const AlarmAction& action : result.actions) {
        if (!m_ctx.store.isValidSlot(action.slot))
            continue;
        if (!action.missed) {
            (void)performOne(action, false, true);
            continue;
        }
        MissedAlarm entry;
        entry.slot = action.slot;
        entry.title = m_ctx.store.Notes.at(size_t(action.slot)).trimmedTitle();
        entry.due = action.goesOffAt();
        entry.notices = performOne(action, true, !soundPlayed);
        soundPlayed = soundPlayed || !action.soundFile.isEmpty();
        missed.append(entry);
    }
    if (!missed.isEmpty())
        m_ctx.host.showMissedAlarms(missed);
}

QStringList AlarmActions::performOne(const AlarmAction& action, bool late, bool soundAllowed) {
    QStringList notices;
    const auto tell = [&](const QString& text, const QString& caption) {
        if (late) {
            notices << text;
        } else {
            m_ctx.messages.Message_box(text, caption, msgbox::Plain);
        }
    };
    if (action.show)
        m_ctx.host.showAlarmNote(action.slot, late);
    if (!action.executeFile.isEmpty()) {
        const QString failure = startOrOpen(action);
        if (!failure.isEmpty())
            tell(failure, noteCaption(action.slot));
    }
    // Without an audio output nothing plays and nobody is told: the other actions are the
    // alarm.
    if (!action.soundFile.isEmpty() && soundAllowed)
        m_ctx.sound.play(ProgramFolder::expandHome(action.soundFile));
    if (action.shutDownSkipped)
        notices << m_ctx.tr.Translation(115);
    if (action.special != QChar(u' ')) {
        const QString failure = desktopAction(action);
        if (!failure.isEmpty())
            tell(failure, noteCaption(action.slot));
    }
    return notices;
}

QString AlarmActions::startOrOpen(const AlarmAction& action) {
    // Paths keep their letter case: file names on this system depend on it.
    const QString command = action.executeFile;
    const QString path = ProgramFolder::expandHome(command);
    if (isProgram(command)) {
        if (!m_ctx.shell.startProgram(path, {}))
            return m_ctx.tr.Translation(59) + CrLf + command;
        return {};
    }
    if (!QFileInfo::exists(path) && !command.contains(QLatin1String("://")))
        return m_ctx.tr.Translation(60) + CrLf + command;
    if (!m_ctx.shell.open(path))
        return m_ctx.tr.Translation(60) + CrLf + command;
    return {};
}

QString AlarmActions::desktopAction(const AlarmAction& action) {
    QString chosen;
    Desktop::Result result;
    if (action.special == QChar(u'0')) {
        const QString folder = m_ctx.settings.PictureDir;
        if (!folder.contains(QLatin1Char('/')) && !folder.contains(QLatin1Char('\\')))
            return {};
        QDir dir(ProgramFolder::expandHome(folder));
        const QStringList pictures =
            dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files,
                          QDir::Name | QDir::IgnoreCase);
        if (pictures.isEmpty())
            return {};
        chosen = dir.filePath(pictures.at(m_ctx.random(int(pictures.size()))));
        result = m_ctx.desktop.setWallpaper(chosen);
        if (result.status == Desktop::Result::Status::NotOffered)
            return m_ctx.tr.Translation(116);
        if (!result.done())
            return m_ctx.tr.Translation(117) + CrLf + result.detail;
    } else if (action.special == QChar(u'1')) {
        const QStringList savers = m_ctx.desktop.screensavers();
        if (savers.isEmpty())
            return m_ctx.tr.Translation(118);
        const int index = m_ctx.random(int(savers.size()));
        chosen = savers.at(index);
        result = m_ctx.desktop.setScreensaver(index);
        if (!result.done())
            return m_ctx.tr.Translation(119) + CrLf + result.detail;
    } else if (action.special == QChar(u'2')) {
        // Everything is saved before the power goes; when it cannot be, the machine stays on.
        if (!m_ctx.host.shutDownProgram())
            return {};
        result = m_ctx.desktop.powerOff();
        if (!result.done())
            return m_ctx.tr.Translation(120) + CrLf + result.detail;
        return {};
    } else {
        return {};
    }
    if (textShowsAPath(m_ctx.store.Windows.at(size_t(action.slot)).Text)) {
        m_ctx.host.setNoteText(action.slot, chosen);
        m_ctx.store.MarkChanged(action.slot, true);
    }
    return {};
}
