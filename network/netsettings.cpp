#include "network/netsettings.h"

#include "platform/dialogs.h"
#include "platform/programfolder.h"
#include "platform/sound.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

NetSettingsPanel::NetSettingsPanel(Settings& settings, ProgramState& state, const NoteStore& store,
                                   Dialogs& dialogs, Sound& sound, QWidget* parent)
    : QWidget(parent)
    , chkNetEnable(new QCheckBox(this))
    , chkNetPlaySound(new QCheckBox(this))
    , cmdNetPlaySound(new QPushButton(this))
    , chkNetWriteLog(new QCheckBox(this))
    , lblNetStatus(new QLabel(this))
    , m_settings(settings)
    , m_state(state)
    , m_store(store)
    , m_dialogs(dialogs)
    , m_sound(sound) {
    setObjectName(QStringLiteral("fraNetSettings"));
    chkNetEnable->setObjectName(QStringLiteral("chkNetEnable"));
    chkNetEnable->setText(QStringLiteral("Send and receive notes over the network"));
    chkNetPlaySound->setObjectName(QStringLiteral("chkNetPlaySound"));
    chkNetPlaySound->setText(QStringLiteral("Play a sound when a note arrives"));
    cmdNetPlaySound->setObjectName(QStringLiteral("cmdNetPlaySound"));
    cmdNetPlaySound->setText(QStringLiteral("Sound..."));
    chkNetWriteLog->setObjectName(QStringLiteral("chkNetWriteLog"));
    chkNetWriteLog->setText(QStringLiteral("Write a log file"));
    lblNetStatus->setObjectName(QStringLiteral("lblNetStatus"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(chkNetEnable, 0, 0, 1, 2);
    grid->addWidget(chkNetPlaySound, 1, 0);
    grid->addWidget(cmdNetPlaySound, 1, 1);
    grid->addWidget(chkNetWriteLog, 2, 0, 1, 2);
    grid->addWidget(lblNetStatus, 3, 0, 1, 2);

    connect(chkNetEnable, &QCheckBox::clicked, this, &NetSettingsPanel::chkNetEnable_Click);
    connect(chkNetPlaySound, &QCheckBox::clicked, this, &NetSettingsPanel::chkNetPlaySound_Click);
    connect(chkNetWriteLog, &QCheckBox::clicked, this, &NetSettingsPanel::chkNetWriteLog_Click);
    connect(cmdNetPlaySound, &QPushButton::clicked, this, &NetSettingsPanel::cmdNetPlaySound_Click);
    fill();
}

bool NetSettingsPanel::updating() const {
    return m_filling || m_store.UpdatingLists;
}

void NetSettingsPanel::fill() {
    m_filling = true;
    chkNetEnable->setChecked(Settings::ticked(m_settings.chkNetEnable));
    chkNetPlaySound->setChecked(Settings::ticked(m_settings.chkNetPlaySound));
    chkNetWriteLog->setChecked(Settings::ticked(m_settings.chkNetWriteLog));
    showSoundPath();
    m_filling = false;
}

void NetSettingsPanel::showSoundPath() {
    cmdNetPlaySound->setToolTip(m_settings.NetWavFile);
}

void NetSettingsPanel::setStatus(const QString& text, const QString& toolTip) {
    lblNetStatus->setText(text);
    lblNetStatus->setToolTip(toolTip);
}

void NetSettingsPanel::clearEnable() {
    m_filling = true;
    m_settings.chkNetEnable = 0;
    chkNetEnable->setChecked(false);
    m_filling = false;
}

void NetSettingsPanel::chkNetEnable_Click() {
    if (updating())
        return;
    const bool on = chkNetEnable->isChecked();
    m_settings.chkNetEnable = on ? 1 : 0;
    m_state.SettingsChanged = true;
    emit netEnableChanged(on);
}

void NetSettingsPanel::chkNetPlaySound_Click() {
    if (updating())
        return;
    m_settings.chkNetPlaySound = chkNetPlaySound->isChecked() ? 1 : 0;
    m_state.SettingsChanged = true;
}

void NetSettingsPanel::chkNetWriteLog_Click() {
    // Not a stored setting: the log runs for this run only.
    m_settings.chkNetWriteLog = chkNetWriteLog->isChecked() ? 1 : 0;
}

void NetSettingsPanel::cmdNetPlaySound_Click() {
    const QString chosen = m_dialogs
                               .openFile(this, QStringLiteral("Choose a sound file to play"),
                                         ProgramFolder::folderPart(m_settings.NetWavFile),
                                         QStringLiteral("WAV files (*.wav)"))
                               .trimmed();
    if (chosen.isEmpty())
        return;
    m_settings.NetWavFile = chosen;
    showSoundPath();
    m_sound.stop();
    (void)m_sound.play(chosen);
    m_state.SettingsChanged = true;
}
