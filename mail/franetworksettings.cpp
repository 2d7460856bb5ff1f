#include "mail/franetworksettings.h"

#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
constexpr int MinInterval = 10;
constexpr int MaxInterval = 3600;
} // namespace

fraNetworkSettings::fraNetworkSettings(Settings& settings, ProgramState& state, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_state(state) {
    setObjectName(QStringLiteral("fraNetworkSettings"));
    auto* outer = new QVBoxLayout(this);
    auto* server = new QGroupBox(QStringLiteral("Mail server (POP3)"), this);
    server->setObjectName(QStringLiteral("fraMailServer"));
    auto* form = new QFormLayout(server);
    m_txtServeurIP = lineEdit("txtServeurIP", &Settings::txtServeurIP);
    m_txtPort = lineEdit("txtPort", &Settings::txtPort);
    m_txtPort->setToolTip(QStringLiteral("110, or 995 for a secure connection"));
    m_txtUser = lineEdit("txtUser", &Settings::txtUser);
    m_txtPass = lineEdit("txtPass", &Settings::txtPass);
    m_txtPass->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Server"), m_txtServeurIP);
    form->addRow(QStringLiteral("Port"), m_txtPort);
    form->addRow(QStringLiteral("User name"), m_txtUser);
    form->addRow(QStringLiteral("Password"), m_txtPass);

    m_chkCheckMail =
        checkBox("chkCheckMail", QStringLiteral("Check mail every"), &Settings::chkCheckMail);
    m_txtMailInterval = lineEdit("txtMailInterval", &Settings::txtMailInterval);
    m_txtMailInterval->setMaximumWidth(60);
    m_vsbMailInterval = new QScrollBar(Qt::Vertical, this);
    m_vsbMailInterval->setObjectName(QStringLiteral("vsbMailInterval"));
    m_vsbMailInterval->setRange(MinInterval, MaxInterval);
    m_vsbMailInterval->setMaximumHeight(m_txtMailInterval->sizeHint().height());
    // The bar runs downwards: pressing its upper arrow lengthens the interval.
    m_vsbMailInterval->setInvertedControls(true);
    auto* interval = new QHBoxLayout;
    interval->addWidget(m_chkCheckMail);
    interval->addWidget(m_txtMailInterval);
    interval->addWidget(m_vsbMailInterval);
    auto* lblIntervalUnit = new QLabel(QStringLiteral("sec."), server);
    lblIntervalUnit->setObjectName(QStringLiteral("lblIntervalUnit"));
    interval->addWidget(lblIntervalUnit);
    interval->addStretch(1);
    form->addRow(interval);

    m_chkMailSilent =
        checkBox("chkMailSilent", QStringLiteral("Silent (count only)"), &Settings::chkMailSilent);
    m_chkCheckConnection =
        checkBox("chkCheckConnection", QStringLiteral("Check the network connection first"),
                 &Settings::chkCheckConnection);
    m_chkMailPlaySound = checkBox("chkMailPlaySound", QStringLiteral("Play a sound on new mail"),
                                  &Settings::chkMailPlaySound);
    m_cmdMailPlaySound = new QPushButton(QStringLiteral("..."), server);
    m_cmdMailPlaySound->setObjectName(QStringLiteral("cmdMailPlaySound"));
    m_cmdMailPlaySound->setToolTip(settings.MailWavFile);
    auto* sound = new QHBoxLayout;
    sound->addWidget(m_chkMailPlaySound);
    sound->addWidget(m_cmdMailPlaySound);
    sound->addStretch(1);
    m_chkMailWriteLog =
        checkBox("chkMailWriteLog", QStringLiteral("Write a log"), &Settings::chkMailWriteLog);
    form->addRow(m_chkMailSilent);
    form->addRow(m_chkCheckConnection);
    form->addRow(sound);
    form->addRow(m_chkMailWriteLog);
    m_txtMailProgram = lineEdit("txtMailProgram", &Settings::MailProgram);
    m_txtMailProgram->setPlaceholderText(QStringLiteral("the desktop's mail program"));
    form->addRow(QStringLiteral("Mail program"), m_txtMailProgram);

    m_cmdCheckMail = new QPushButton(QStringLiteral("Check mail now"), server);
    m_cmdCheckMail->setObjectName(QStringLiteral("cmdCheckMail"));
    m_lblMailStatus = new QLabel(server);
    m_lblMailStatus->setObjectName(QStringLiteral("lblMailStatus"));
    m_lblAction = new QLabel(server);
    m_lblAction->setObjectName(QStringLiteral("lblAction"));
    m_txtProgress = new QLineEdit(server);
    m_txtProgress->setObjectName(QStringLiteral("txtProgress"));
    m_txtProgress->setReadOnly(true);
    m_txtProgress->setFocusPolicy(Qt::NoFocus);
    form->addRow(m_cmdCheckMail, m_txtProgress);
    form->addRow(m_lblAction);
    form->addRow(m_lblMailStatus);
    outer->addWidget(server);

    m_sections = new QVBoxLayout;
    outer->addLayout(m_sections);
    outer->addStretch(1);
    m_cmdMailSetOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdMailSetOK->setObjectName(QStringLiteral("cmdMailSetOK"));
    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(m_cmdMailSetOK);
    outer->addLayout(okRow);

    connect(m_vsbMailInterval, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_filling)
            m_txtMailInterval->setText(QString::number(value));
    });
    connect(m_txtMailInterval, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (ok) {
            const bool filling = m_filling;
            m_filling = true;
            m_vsbMailInterval->setValue(value);
            m_filling = filling;
        }
    });
    connect(m_txtMailInterval, &QLineEdit::textChanged, this, [this] {
        if (!m_filling)
            emit intervalChanged();
    });
    connect(m_chkCheckMail, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_filling)
            emit checkMailToggled(on);
    });
    connect(m_cmdMailPlaySound, &QPushButton::clicked, this,
            &fraNetworkSettings::chooseSoundClicked);
    connect(m_cmdCheckMail, &QPushButton::clicked, this, &fraNetworkSettings::checkMailClicked);
    connect(m_cmdMailSetOK, &QPushButton::clicked, this, &fraNetworkSettings::okClicked);
    fillFromSettings();
}

QLineEdit* fraNetworkSettings::lineEdit(const char* name, QString Settings::*field) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(128);
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
        if (m_filling)
            return;
        m_settings.*field = text;
        changed();
    });
    return edit;
}

QCheckBox* fraNetworkSettings::checkBox(const char* name, const QString& text,
                                        int Settings::*field) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(QLatin1String(name));
    connect(box, &QCheckBox::toggled, this, [this, field, name](bool on) {
        if (m_filling)
            return;
        m_settings.*field = on ? 1 : 0;
        // The log switch is no setting of the file.
        if (qstrcmp(name, "chkMailWriteLog") != 0)
            changed();
    });
    return box;
}

void fraNetworkSettings::changed() {
    m_state.SettingsChanged = true;
}

void fraNetworkSettings::addSection(QWidget* section) {
    section->setParent(this);
    m_sections->addWidget(section);
    section->show();
}

void fraNetworkSettings::fillFromSettings() {
    m_filling = true;
    m_txtServeurIP->setText(m_settings.txtServeurIP);
    m_txtPort->setText(m_settings.txtPort);
    m_txtUser->setText(m_settings.txtUser);
    m_txtPass->setText(m_settings.txtPass);
    m_txtMailInterval->setText(m_settings.txtMailInterval);
    m_vsbMailInterval->setValue(m_settings.txtMailInterval.trimmed().toInt());
    m_txtMailProgram->setText(m_settings.MailProgram);
    m_chkCheckMail->setChecked(Settings::ticked(m_settings.chkCheckMail));
    m_chkMailSilent->setChecked(Settings::ticked(m_settings.chkMailSilent));
    m_chkCheckConnection->setChecked(Settings::ticked(m_settings.chkCheckConnection));
    m_chkMailPlaySound->setChecked(Settings::ticked(m_settings.chkMailPlaySound));
    m_chkMailWriteLog->setChecked(Settings::ticked(m_settings.chkMailWriteLog));
    m_cmdMailPlaySound->setToolTip(m_settings.MailWavFile);
    m_filling = false;
}

void fraNetworkSettings::showSession(const QString& status, const QString& step,
                                     const QString& progress) {
    m_lblMailStatus->setText(status);
    m_lblAction->setText(step);
    m_txtProgress->setText(progress);
}
