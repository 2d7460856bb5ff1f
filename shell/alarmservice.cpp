#include "shell/alarmservice.h"

#include "alarms/alarmpanel.h"
#include "localisation/messageboxservice.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "manager/propertiespanel.h"
#include "manager/setuppanel.h"
#include "notewindow/notewindowset.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/xdgpaths.h"
#include "shell/frmmissedalarms.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QDir>
#include <QRandomGenerator>

namespace {

// The state file is written when something went off or was snoozed, and otherwise every
// quarter of an hour: the last check it keeps only bounds what the next start catches up.
constexpr int ChecksBetweenSaves = 15;

Sound& soundOr(Sound* given, std::unique_ptr<QtSound>& own) {
    if (given != nullptr)
        return *given;
    own = std::make_unique<QtSound>();
    return *own;
}

Desktop& desktopOr(Desktop* given, std::unique_ptr<LinuxDesktop>& own, CommandRunner& runner) {
    if (given != nullptr)
        return *given;
    own = std::make_unique<LinuxDesktop>(runner, qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                                         QDir::homePath(),
                                         xdgDataHome() + QStringLiteral("/Quillaboard/system/"));
    return *own;
}

std::function<int(int)> randomOr(std::function<int(int)> given) {
    if (given)
        return given;
    return [](int n) { return n > 0 ? int(QRandomGenerator::global()->bounded(n)) : 0; };
}

} // namespace

AlarmService::AlarmService(const Parts& parts, const AlarmSeams& seams, QObject* parent)
    : QObject(parent)
    , m_parts(parts)
    , m_sound(soundOr(seams.sound, m_ownSound))
    , m_desktop(desktopOr(seams.desktop, m_ownDesktop, m_runner))
    , m_stateFile(parts.programFolder)
    , m_actions(AlarmActionsContext{parts.store, parts.settings, parts.messages, parts.tr,
                                    parts.shell, m_sound, m_desktop, *this,
                                    randomOr(seams.random)}) {
    m_timAlarm.setObjectName(QStringLiteral("timAlarm"));
    m_timAlarm.setSingleShot(true);
    m_timAlarm.setTimerType(Qt::CoarseTimer);
    connect(&m_timAlarm, &QTimer::timeout, this, &AlarmService::timAlarm_Timer);
    m_pendingTimer.setInterval(500);
    connect(&m_pendingTimer, &QTimer::timeout, this, &AlarmService::showPendingNotes);
    connect(&m_parts.windows, &NoteWindowSet::snoozeRequested, this, &AlarmService::snooze);
    m_parts.manager.lists().setNextOccurrence([this](int slot) { return nextOccurrence(slot); });
    installPanel();
}

AlarmService::~AlarmService() = default;

void AlarmService::installPanel() {
    m_panel = new AlarmPanel(AlarmPanelContext{m_parts.store, m_parts.settings, m_parts.state,
                                               m_parts.messages, m_parts.tr, m_parts.dialogs,
                                               m_parts.clock, m_sound});
    // Tray clicks wait while the calendar is open, as for the program's boxes.
    m_panel->setMessageBoxOpenHook([this](bool open) { m_parts.messages.setMessageBoxOpen(open); });
    frmStartup& manager = m_parts.manager;
    AlarmPanel* panel = m_panel;
    manager.installPanel(QStringLiteral("alarm"), panel, [panel] { panel->cmdAlarmOK_Click(); });
    PropertiesPanel& properties = manager.propertiesPanel();
    connect(&properties, &PropertiesPanel::alarmRequested, this, [this, &manager](int slot) {
        m_panel->Open(slot);
        manager.showPanel(QStringLiteral("alarm"));
    });
    connect(&manager, &frmStartup::alarmPanelRefreshRequested, this, [this](int slot) {
        if (m_parts.store.isValidSlot(slot))
            m_panel->Open(slot);
    });
    connect(panel, &AlarmPanel::closed, this, [this, &manager, &properties] {
        manager.showPanel(QStringLiteral("prop"));
        properties.refreshAlarm();
    });
    connect(panel, &AlarmPanel::alarmChanged, this, [this, &properties](int slot) {
        // A changed alarm starts afresh: a snooze of the old one no longer applies.
        m_checker.cancelSnooze(slot);
        if (properties.shownNote() == slot)
            properties.refreshAlarm();
    });
    connect(panel, &AlarmPanel::testRequested, this, &AlarmService::CheckAlarms);
    // The random wallpaper needs a picture folder: the setup panel's choice of it.
    connect(panel, &AlarmPanel::pictureFolderRequested, this, [this] {
        if (auto* setup = m_parts.manager.findChild<SetupPanel*>())
            setup->cmdSetPictureDir_Click();
    });
}

void AlarmService::start() {
    if (const std::optional<AlarmMemory> memory = m_stateFile.load())
        m_checker.restore(*memory);
    CheckAlarms();
}

void AlarmService::stop() {
    m_timAlarm.stop();
    m_pendingTimer.stop();
    saveState(true);
}

void AlarmService::scheduleTick() {
    // Just after the next minute begins: no drift, and one wake-up a minute at most.
    const QDateTime now = m_parts.clock.now();
    const int msIntoMinute = now.time().second() * 1000 + now.time().msec();
    m_timAlarm.start(60'000 - msIntoMinute + 500);
}

void AlarmService::timAlarm_Timer() {
    CheckAlarms();
}

void AlarmService::CheckAlarms() {
    // Boxes shown by the actions open event loops; a check never runs inside another.
    if (m_checking)
        return;
    m_checking = true;
    m_timAlarm.stop();
    const AlarmCheckResult result = m_checker.CheckAlarms(m_parts.store, m_parts.clock.now());
    for (int slot : result.statusChanged) {
        const NoteRecord& note = m_parts.store.Notes.at(size_t(slot));
        if (note.AlarmState != QStringLiteral("-"))
            m_parts.windows.setRinging(slot, false);
        if (m_panel && m_parts.state.CurrentPanel == QStringLiteral("alarm") &&
            m_parts.state.CurrentNote == slot) {
            m_panel->Open(slot);
        }
        if (m_parts.manager.propertiesPanel().shownNote() == slot)
            m_parts.manager.propertiesPanel().refreshAlarm();
    }
    m_actions.perform(result);
    saveState(!result.actions.empty());
    m_checking = false;
    scheduleTick();
}

void AlarmService::saveState(bool force) {
    if (!force && ++m_checksSinceSave < ChecksBetweenSaves)
        return;
    m_checksSinceSave = 0;
    (void)m_stateFile.save(m_checker.memory(m_parts.store));
}

void AlarmService::snooze(int slot, int minutes) {
    if (!m_parts.store.isValidSlot(slot))
        return;
    m_checker.snooze(m_parts.store, slot, minutes, m_parts.clock.now());
    m_parts.windows.setRinging(slot, false);
    saveState(true);
}

QDateTime AlarmService::nextOccurrence(int slot) const {
    if (!m_parts.store.isValidSlot(slot))
        return {};
    return NextOccurrence(m_parts.store.Notes.at(size_t(slot)), m_parts.clock.now()).goesOff();
}

void AlarmService::showAlarmNote(int slot, bool late) {
    Q_UNUSED(late); // the summary box names the late ones
    m_parts.windows.setRinging(slot, true);
    if (!m_pendingShows.contains(slot))
        m_pendingShows << slot;
    showPendingNotes();
}

void AlarmService::showPendingNotes() {
    // A note's line is ticked once none of the program's boxes is open: ticking under a box
    // would move the list the user is answering about.
    if (m_parts.messages.depth() > 0) {
        m_pendingTimer.start();
        return;
    }
    m_pendingTimer.stop();
    NoteLists& lists = m_parts.manager.lists();
    for (int slot : std::as_const(m_pendingShows)) {
        if (!m_parts.store.isValidSlot(slot))
            continue;
        const int list = m_parts.store.Notes.at(size_t(slot)).List;
        const int pos = m_parts.store.ListPos.at(size_t(slot));
        if (!lists.isTicked(list, pos)) {
            lists.selectNote(slot);
            lists.setTicked(list, pos, true);
        }
        m_parts.windows.flashNote(slot);
    }
    m_pendingShows.clear();
}

void AlarmService::setNoteText(int slot, const QString& text) {
    m_parts.windows.setNoteText(slot, text);
}

bool AlarmService::shutDownProgram() {
    return m_parts.shutDownProgram && m_parts.shutDownProgram();
}

void AlarmService::showMissedAlarms(const QList<MissedAlarm>& missed) {
    if (!m_missedBox) {
        m_missedBox = new frmMissedAlarms(m_parts.tr);
        connect(m_missedBox, &frmMissedAlarms::snoozeRequested, this, &AlarmService::snooze);
    }
    m_missedBox->add(missed);
    m_missedBox->show();
    m_missedBox->raise();
}
