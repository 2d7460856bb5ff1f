#pragma once

#include <QWidget>

class Dialogs;
class NoteStore;
class Sound;
struct ProgramState;
struct Settings;
class QCheckBox;
class QLabel;
class QPushButton;

// The network settings of the manager's mail and network panel: the receiver's switch, its
// sound and log switches, the sound button and the receiver's status. A view of the settings.
class NetSettingsPanel : public QWidget {
    Q_OBJECT
public:
    NetSettingsPanel(Settings& settings, ProgramState& state, const NoteStore& store,
                     Dialogs& dialogs, Sound& sound, QWidget* parent = nullptr);

    // Shows the settings as they stand (program-made: no handler acts).
    void fill();
    // lblNetStatus and its tooltip.
    void setStatus(const QString& text, const QString& toolTip);
    // The switch cleared by the program (the port could not be opened).
    void clearEnable();

    void chkNetEnable_Click();
    void chkNetPlaySound_Click();
    void chkNetWriteLog_Click();
    void cmdNetPlaySound_Click();

    QCheckBox* chkNetEnable;
    QCheckBox* chkNetPlaySound;
    QPushButton* cmdNetPlaySound;
    QCheckBox* chkNetWriteLog;
    QLabel* lblNetStatus;

signals:
    // The user switched the receiver on or off.
    void netEnableChanged(bool on);

private:
    [[nodiscard]] bool updating() const;
    void showSoundPath();

    Settings& m_settings;
    ProgramState& m_state;
    const NoteStore& m_store;
    Dialogs& m_dialogs;
    Sound& m_sound;
    bool m_filling = false;
};
