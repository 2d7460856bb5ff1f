#include "shell/netservice.h"

#include "localisation/messageboxservice.h"
#include "localisation/translator.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "network/frmnetsend.h"
#include "network/netsettings.h"
#include "network/notemessage.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notewindowset.h"
#include "platform/clock.h"
#include "platform/diagnosticlog.h"
#include "platform/errors.h"
#include "platform/qtsound.h"
#include "platform/socketcontrol.h"
#include "platform/twips.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QSize screenTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize px = screen ? screen->geometry().size() : QSize(1024, 768);
    return px * twips::PerPixel;
}

// The login name stands in for the system's user name.
QString userName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_name != nullptr)
        return QString::fromLocal8Bit(pw->pw_name);
    return {};
}

// The date and time of arrival in the locale's forms, the time to the second.
QString arrivalText(const QDateTime& now) {
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), timeFormat.trimmed());
}

} // namespace

NetService::NetService(const NetServiceContext& ctx, QObject* parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_ownSound(ctx.sound ? nullptr : std::make_unique<QtSound>())
    , m_sound(ctx.sound ? *ctx.sound : *m_ownSound)
    , m_WinsockSRV(DefaultPort) {
    m_WinsockSRV.setLog([this](const QString& line) { log(line); });
    connect(&m_WinsockSRV, &NoteReceiver::messageReceived, this, &NetService::messageReceived);
    connect(&m_WinsockSRV, &NoteReceiver::listenFailed, this, &NetService::listenFailed);
    connect(&m_WinsockSRV, &NoteReceiver::statusChanged, this, &NetService::showStatus);
    connect(&m_ctx.messages, &MessageBoxService::MessageBoxOpenChanged, this, [this](bool open) {
        // The window that closed may still be finishing its caller's work: the notes come
        // after it, from the event loop.
        if (!open && !m_waiting.isEmpty() && !m_waitScheduled) {
            m_waitScheduled = true;
            QTimer::singleShot(0, this, &NetService::makeWaitingNotes);
        }
    });
    m_panel =
        new NetSettingsPanel(m_ctx.settings, m_ctx.state, m_ctx.store, m_ctx.dialogs, m_sound);
    connect(m_panel, &NetSettingsPanel::netEnableChanged, this, [this](bool on) {
        if (on)
            Start_Serveur();
        else
            Stop_Serveur();
    });
    connect(&m_ctx.windows, &NoteWindowSet::sendRequested, this, &NetService::sendNote);
    showStatus(NoteReceiver::Status::Off);
}

NetService::~NetService() {
    m_WinsockSRV.disconnect(this);
    m_WinsockSRV.Stop_Serveur();
    // Without a panel to hold it, the settings widget is this service's own.
    if (m_panel && m_panel->parent() == nullptr)
        delete m_panel;
}

void NetService::setPorts(int listenPort, int sendPort) {
    m_WinsockSRV.setPort(listenPort);
    m_sendPort = sendPort;
}

void NetService::log(const QString& line) {
    if (Settings::ticked(m_ctx.settings.chkNetWriteLog))
        m_ctx.log.WriteLog(NetLogName, line);
}

QString NetService::withPort(int messageNumber) const {
    // The messages name the program's port; another one is shown as it is.
    QString text = m_ctx.tr.Translation(messageNumber);
    if (m_WinsockSRV.port() != DefaultPort)
        text.replace(QString::number(DefaultPort), QString::number(m_WinsockSRV.port()));
    return text;
}

void NetService::start() {
    m_panel->fill();
    if (Settings::ticked(m_ctx.settings.chkNetEnable))
        Start_Serveur();
}

void NetService::shutdown() {
    Stop_Serveur();
    // Notes that waited for a window are made now, so the save that follows keeps them.
    m_waitScheduled = false;
    while (!m_waiting.isEmpty()) {
        const QByteArray message = m_waiting.dequeue();
        m_waitingBytes -= message.size();
        makeNote(message, true);
    }
}

void NetService::Start_Serveur() {
    // A failure arrives as listenFailed, from here or from a restart after a message.
    (void)m_WinsockSRV.Start_Serveur();
}

void NetService::Stop_Serveur() {
    m_WinsockSRV.Stop_Serveur();
    if (m_sendWindow)
        m_sendWindow->sender().closeConnection();
    showStatus(NoteReceiver::Status::Off);
}

void NetService::listenFailed(int number, const QString& description) {
    const QString reason =
        number == errnum::AddressInUse
            ? withPort(66)
            : QStringLiteral("Error #") + formatErrorNumber(number) + CrLf + description.trimmed();
    m_ctx.messages.Message_box(reason + CrLf + m_ctx.tr.Translation(67),
                               QStringLiteral("Quillaboard"), msgbox::Error);
    // The feature stays off until the user switches it on again.
    QScopedValueRollback updating(m_ctx.store.UpdatingLists, true);
    m_panel->clearEnable();
    Stop_Serveur();
    m_ctx.state.SettingsChanged = true;
}

void NetService::showStatus(NoteReceiver::Status status) {
    if (!m_panel)
        return;
    switch (status) {
    case NoteReceiver::Status::Off:
        m_panel->setStatus(m_ctx.tr.Translation(73), QString());
        break;
    case NoteReceiver::Status::Listening:
        m_panel->setStatus(withPort(65), SocketControl::LocalHostName() + QLatin1Char(' ') +
                                             userName() + QLatin1Char(' ') +
                                             SocketControl::LocalIP());
        break;
    case NoteReceiver::Status::Connected:
        m_panel->lblNetStatus->setText(m_ctx.tr.Translation(77));
        break;
    case NoteReceiver::Status::Receiving:
        m_panel->lblNetStatus->setText(m_ctx.tr.Translation(78));
        break;
    case NoteReceiver::Status::Complete:
        m_panel->lblNetStatus->setText(m_ctx.tr.Translation(79));
        break;
    }
}

void NetService::messageReceived(const QByteArray& message) {
    if (!m_ctx.messages.MessageBoxOpen() && m_waiting.isEmpty()) {
        makeNote(message, false);
        return;
    }
    // A modal window is open (a question, the calendar, the send window): the note waits for
    // it, and the receiver goes on taking the next ones.
    if (m_waitingBytes + message.size() > MaxWaitingBytes) {
        log(QStringLiteral("======== Note dropped: too many notes waiting for a window "
                           "to close ============"));
        return;
    }
    m_waiting.enqueue(message);
    m_waitingBytes += message.size();
    if (!m_ctx.messages.MessageBoxOpen() && !m_waitScheduled) {
        m_waitScheduled = true;
        QTimer::singleShot(0, this, &NetService::makeWaitingNotes);
    }
}

void NetService::makeWaitingNotes() {
    m_waitScheduled = false;
    while (!m_waiting.isEmpty() && !m_ctx.messages.MessageBoxOpen()) {
        const QByteArray message = m_waiting.dequeue();
        m_waitingBytes -= message.size();
        makeNote(message, true);
    }
}

void NetService::makeNote(const QByteArray& message, bool waited) {
    NoteLists& lists = m_ctx.manager.lists();
    const int savedNote = m_ctx.state.CurrentNote;
    const int savedList = m_ctx.state.CurrentList;
    const int savedLine = lists.selectedLine(savedList);

    lists.optSelectList_Click(0);
    const notemessage::Incoming incoming = notemessage::decode(message);
    notemessage::Placement placement;
    placement.screen = screenTwips();
    placement.minWidth = frmBlocNote::MinWidth;
    placement.minHeight = frmBlocNote::MinHeight;
    placement.fromWord = m_ctx.tr.Translation(100);
    placement.arrival = arrivalText(m_ctx.clock.now());
    QStringList corrected;
    int slot = -1;
    {
        // The note is placed from the message before its window shows; an opening animation
        // would show it growing from the new note's place. It flashes instead.
        QScopedValueRollback noAnimation(m_ctx.settings.chkAnimateNote, 0);
        slot = lists.newNote([&](NoteRecord& note, NoteWindowState& window) {
            corrected = notemessage::applyToNote(incoming, placement, note, window);
        });
    }
    if (!m_ctx.store.isValidSlot(slot))
        return;
    for (const QString& line : corrected)
        log(QStringLiteral("======== Received note corrected: ") + line);

    m_ctx.manager.notePropertiesChanged(slot);
    if (m_ctx.state.CurrentPanel == QLatin1String("alarm"))
        emit m_ctx.manager.alarmPanelRefreshRequested(slot);
    m_ctx.store.MarkChanged(slot, true);

    if (Settings::ticked(m_ctx.settings.chkNetPlaySound) &&
        !m_ctx.settings.NetWavFile.trimmed().isEmpty()) {
        m_sound.stop();
        (void)m_sound.play(m_ctx.settings.NetWavFile.trimmed());
    }
    if (waited && m_ctx.store.isValidSlot(savedNote)) {
        lists.optSelectList_Click(savedList);
        lists.selectLine(savedList, savedLine);
        m_ctx.state.CurrentNote = savedNote;
        m_ctx.state.CurrentList = savedList;
    }
    m_ctx.windows.flashNote(slot);
    emit noteReceived(slot);
}

void NetService::sendNote(int slot, QWidget* noteWindow) {
    if (!m_ctx.store.isValidSlot(slot) || m_sendWindow)
        return;
    NetSendContext ctx{m_ctx.store,
                       m_ctx.settings,
                       m_ctx.state,
                       m_ctx.folder,
                       m_ctx.tr,
                       m_ctx.shell,
                       [this](const QString& line) { log(line); },
                       m_sendPort,
                       SocketControl::LocalIP(),
                       SocketControl::LocalHostName(),
                       userName(),
                       [this](bool open) { m_ctx.messages.setMessageBoxOpen(open); }};
    auto* window = new frmNetSend(ctx, slot, noteWindow);
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_sendWindow = window;
    // Centred on the note, never off the top or left of the screen.
    window->adjustSize();
    const NoteWindowState& note = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    const QSize size = window->size();
    const int left = twips::toPx(note.Left) + (twips::toPx(note.Width) - size.width()) / 2;
    const int top = twips::toPx(note.Top) + (twips::toPx(note.Height) - size.height()) / 2;
    window->move(std::max(0, left), std::max(0, top));
    m_ctx.state.DeleteSentNote = false;
    const QString tag = QString::number(slot);
    log(QStringLiteral("Avant Unload de frmNetSend, Pnote(") + tag + QStringLiteral(").tag=") +
        tag);
    window->exec();
    log(QStringLiteral("Après Unload de frmNetSend, Pnote(") + tag + QStringLiteral(").tag=") +
        tag);
    if (m_ctx.state.DeleteSentNote) {
        m_ctx.manager.removeNote(slot);
        m_ctx.state.DeleteSentNote = false;
    }
}
