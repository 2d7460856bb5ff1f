#include "shell/mailservice.h"

#include "mail/franetworksettings.h"
#include "mail/mailwindows.h"
#include "mail/pop3session.h"
#include "manager/frmstartup.h"
#include "manager/trayicon.h"
#include "platform/qtsound.h"
#include "shell/writelog.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QEvent>
#include <QLineEdit>
#include <QNetworkInformation>
#include <QPushButton>

namespace {

// The toolkit's view of the connection; a system that cannot tell counts as connected.
bool systemOnline() {
    if (!QNetworkInformation::instance())
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    const QNetworkInformation* info = QNetworkInformation::instance();
    if (!info)
        return true;
    const QNetworkInformation::Reachability reach = info->reachability();
    return reach != QNetworkInformation::Reachability::Disconnected;
}

// Shows the panel's defaults the first time it opens without a server: no account store to
// fill it from here, only the usual port.
class PanelOpening : public QObject {
public:
    explicit PanelOpening(fraNetworkSettings* panel)
        : QObject(panel)
        , m_panel(panel) {
        panel->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_panel && event->type() == QEvent::Show &&
            m_panel->txtServeurIP()->text().trimmed().isEmpty())
            m_panel->txtPort()->setText(QStringLiteral("110"));
        return QObject::eventFilter(watched, event);
    }

private:
    fraNetworkSettings* m_panel;
};

} // namespace

MailService::MailService(const Parts& parts, QObject* parent)
    : QObject(parent)
    , m_parts(parts) {
    Sound* sound = parts.sound;
    if (!sound) {
        m_ownSound = std::make_unique<QtSound>();
        sound = m_ownSound.get();
    }
    m_session = std::make_unique<Pop3Session>(parts.settings, parts.tr, &parts.log, parts.messages);
    m_session->setNetworkCheck(parts.networkUp ? parts.networkUp
                                               : std::function<bool()>(systemOnline));
    frmStartup& manager = parts.manager;
    m_windows = std::make_unique<MailWindows>(
        MailWindows::Parts{*m_session,
                           parts.settings,
                           parts.state,
                           parts.tr,
                           parts.shell,
                           parts.dialogs,
                           parts.messages,
                           *sound,
                           parts.folder,
                           [&manager](const QString& tip) { manager.trayIcon().setTip(tip); },
                           {}});

    fraNetworkSettings* panel = m_windows->panel();
    new PanelOpening(panel);
    manager.installPanel(QStringLiteral("mail"), panel,
                         [panel] { panel->cmdMailSetOK()->click(); });
    connect(&manager, &frmStartup::checkMailRequested, m_session.get(),
            &Pop3Session::cmdCheckMail_Click);
    connect(panel, &fraNetworkSettings::checkMailClicked, m_session.get(),
            &Pop3Session::cmdCheckMail_Click);
    connect(panel, &fraNetworkSettings::checkMailToggled, this, [this](bool on) {
        if (on)
            m_session->startTimer();
        else
            m_session->stopChecking(false);
    });
    connect(panel, &fraNetworkSettings::intervalChanged, m_session.get(),
            &Pop3Session::txtMailInterval_Change);
    connect(panel, &fraNetworkSettings::okClicked, this,
            [&manager] { manager.showPanel(QStringLiteral("setup")); });
    connect(&parts.log, &LogWriter::mailLogSwitchedOff, panel,
            [panel] { panel->chkMailWriteLog()->setChecked(false); });
}

MailService::~MailService() = default;

fraNetworkSettings* MailService::panel() const {
    return m_windows->panel();
}

void MailService::addSection(QWidget* section) {
    if (fraNetworkSettings* mailPanel = panel())
        mailPanel->addSection(section);
}

void MailService::start() {
    if (fraNetworkSettings* mailPanel = panel())
        mailPanel->fillFromSettings();
    if (!Settings::ticked(m_parts.settings.chkCheckMail))
        return;
    m_session->cmdCheckMail_Click();
    m_session->startTimer();
}

void MailService::stop() {
    m_session->stopChecking(true);
    m_windows->closeAll();
}

void MailService::resume() {
    if (Settings::ticked(m_parts.settings.chkCheckMail))
        m_session->startTimer();
}
