#include "mail/mailwindows.h"

#include "localisation/translator.h"
#include "localisation/windowtexts.h"
#include "mail/franetworksettings.h"
#include "mail/frmdetmail.h"
#include "mail/frmmaildetail.h"
#include "mail/frmsmallemailnotify.h"
#include "mail/mailprogram.h"
#include "mail/pop3session.h"
#include "mail/windowplacement.h"
#include "platform/dialogs.h"
#include "platform/sound.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

MailWindows::MailWindows(Parts parts, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_mailProgram(std::make_unique<MailProgram>(m_parts.settings, m_parts.state, m_parts.shell,
                                                  m_parts.messages, m_parts.tr,
                                                  m_parts.mailtoQuery)) {
    m_panel = new fraNetworkSettings(m_parts.settings, m_parts.state);
    m_notify = new frmSmallEmailNotify(m_parts.settings, m_parts.state, m_parts.tr);
    m_detMail = new frmDetMail;
    m_detail = new frmMailDetail(m_parts.shell);
    if (m_parts.settings.Language != NativeLanguage) {
        const windowtexts::Options options{Settings::ticked(m_parts.settings.chkShowTooltips),
                                           false};
        for (QWidget* window : {static_cast<QWidget*>(m_notify), static_cast<QWidget*>(m_detMail),
                                static_cast<QWidget*>(m_detail)})
            windowtexts::LoadAllNames(window, window->objectName(), m_parts.tr, options);
    }
    Pop3Session& session = m_parts.session;

    connect(&session, &Pop3Session::viewChanged, this, &MailWindows::showSession);
    connect(&session, &Pop3Session::listCleared, this, [this](const QString& caption) {
        m_detMail->setEntries({});
        m_detMail->setCaption(caption);
        unloadMailDetail();
        m_notify->setMessage(m_parts.session.notifyText(), QString());
    });
    connect(&session, &Pop3Session::entryAdded, m_detMail, &frmDetMail::addEntry);
    connect(&session, &Pop3Session::listComplete, this, [this](const QString& lastEntry) {
        m_notify->setMessage(m_parts.session.notifyText(), lastEntry);
        m_notify->showNotification();
        const QString wav = m_parts.settings.MailWavFile.trimmed();
        if (Settings::ticked(m_parts.settings.chkMailPlaySound) && !wav.isEmpty()) {
            m_parts.sound.stop();
            m_parts.sound.play(m_parts.folder.resolve(wav));
        }
    });
    connect(&session, &Pop3Session::messageRead, this, [this](const QString& text, bool raw) {
        if (!m_detailPlaced) {
            if (windowplacement::place(m_detail, m_parts.settings.MailDetailWindow))
                m_parts.state.SettingsChanged = true;
            m_detailPlaced = true;
        }
        m_detail->showMessage(text, raw);
    });
    connect(&session, &Pop3Session::entryDeleted, this,
            [this](int index, int remaining, const QString& caption) {
                unloadMailDetail();
                m_detMail->removeEntry(index);
                m_detMail->setCaption(caption);
                m_notify->setMessage(m_parts.session.notifyText(),
                                     m_notify->lblSmallNotifyMsg()->toolTip());
                if (remaining == 0) {
                    m_notify->setDetailsShown(false);
                    m_detMail->hide();
                }
            });

    connect(m_notify, &frmSmallEmailNotify::showDetailClicked, this,
            &MailWindows::cmdShowDetail_Click);
    connect(m_notify, &frmSmallEmailNotify::dismissed, this, &MailWindows::unloadDetMail);
    connect(m_notify, &frmSmallEmailNotify::mailProgramRequested, this,
            &MailWindows::openMailProgram);
    connect(m_detMail, &frmDetMail::messageClicked, this, [this](int number) {
        m_parts.session.readMessage(number, Pop3Session::Starter::ListClick);
    });
    connect(m_detMail, &frmDetMail::mailProgramRequested, this, &MailWindows::openMailProgram);
    connect(m_detMail, &frmDetMail::okClicked, this, [this] {
        m_notify->setDetailsShown(false);
        m_notify->hide();
        m_detMail->hide();
    });
    connect(m_detMail, &frmDetMail::closedByUser, this, &MailWindows::unloadDetMail);
    connect(m_detail, &frmMailDetail::normalViewRequested, this, [this] {
        m_parts.session.readMessage(m_parts.session.selectedMessage(),
                                    Pop3Session::Starter::NormalView);
    });
    connect(m_detail, &frmMailDetail::rawViewRequested, this, [this] {
        m_parts.session.readMessage(m_parts.session.selectedMessage(),
                                    Pop3Session::Starter::RawView);
    });
    connect(m_detail, &frmMailDetail::deleteRequested, &session, &Pop3Session::deleteDisplayed);
    connect(m_detail, &frmMailDetail::closedByUser, this, [this] {
        if (windowplacement::store(m_detail, m_parts.settings.MailDetailWindow))
            m_parts.state.SettingsChanged = true;
    });

    connect(m_panel, &fraNetworkSettings::chooseSoundClicked, this, &MailWindows::chooseSound);
}

MailWindows::~MailWindows() {
    delete m_detail;
    delete m_detMail;
    delete m_notify;
    if (m_panel && !m_panel->parent())
        delete m_panel;
}

void MailWindows::showSession() {
    const Pop3Session& session = m_parts.session;
    if (m_panel)
        m_panel->showSession(session.status(), session.step(), session.progress());
    if (m_parts.setTrayTip && !session.trayTip().isEmpty())
        m_parts.setTrayTip(session.trayTip());
}

void MailWindows::showDetMail() {
    if (!m_detMailPlaced) {
        if (windowplacement::place(m_detMail, m_parts.settings.DetMailWindow))
            m_parts.state.SettingsChanged = true;
        m_detMailPlaced = true;
    }
    if (m_detMail->isMinimized())
        m_detMail->showNormal();
    m_detMail->show();
    m_detMail->raise();
    m_detMail->activateWindow();
}

void MailWindows::cmdShowDetail_Click() {
    if (m_detMail->isVisible()) {
        m_detMail->hide();
        m_notify->setDetailsShown(false);
        return;
    }
    m_notify->setDetailsShown(true);
    showDetMail();
}

void MailWindows::unloadMailDetail() {
    if (!m_detail->isVisible())
        return;
    if (windowplacement::store(m_detail, m_parts.settings.MailDetailWindow))
        m_parts.state.SettingsChanged = true;
    m_detail->hide();
}

void MailWindows::unloadDetMail() {
    unloadMailDetail();
    if (m_detMail->isVisible() && windowplacement::store(m_detMail, m_parts.settings.DetMailWindow))
        m_parts.state.SettingsChanged = true;
    m_detMail->hide();
    m_parts.session.endSessionForListUnload();
}

void MailWindows::openMailProgram() {
    m_mailProgram->open();
    if (m_panel)
        m_panel->txtMailProgram()->setText(m_parts.settings.MailProgram);
}

void MailWindows::closeAll() {
    unloadMailDetail();
    if (m_detMail->isVisible() && windowplacement::store(m_detMail, m_parts.settings.DetMailWindow))
        m_parts.state.SettingsChanged = true;
    m_detMail->hide();
    m_notify->hide();
}

void MailWindows::chooseSound() {
    const QString current = m_parts.folder.resolve(m_parts.settings.MailWavFile);
    const QString folder =
        current.isEmpty() ? m_parts.folder.path() : QFileInfo(current).absolutePath();
    QString chosen = m_parts.dialogs.openFile(m_panel ? m_panel->window() : nullptr,
                                              QStringLiteral("Choose a sound file to play"), folder,
                                              QStringLiteral("WAV files (*.wav)"));
    while (chosen.endsWith(QChar(0)))
        chosen.chop(1);
    chosen = chosen.trimmed();
    if (chosen.isEmpty())
        return;
    m_parts.settings.MailWavFile = chosen;
    m_parts.sound.stop();
    m_parts.sound.play(chosen);
    m_parts.state.SettingsChanged = true;
    if (m_panel)
        m_panel->cmdMailPlaySound()->setToolTip(chosen);
}
