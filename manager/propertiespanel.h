#pragma once

#include "managercontext.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class LinkedFileUpdater;

// fraProperties: the properties of the current note. Every control applies its change at
// once through the property commands; OK only closes the panel.
class PropertiesPanel : public QWidget {
    Q_OBJECT
public:
    explicit PropertiesPanel(const ManagerContext& ctx, QWidget* parent = nullptr);

    // Fills the controls from the note (cmdProperties Click, once the note is chosen).
    void Fill(int slot);
    // The slot the panel shows.
    [[nodiscard]] int shownNote() const { return m_slot; }
    // Re-reads the change status of the shown note (after a save emptied the mark).
    void refreshStatus();
    // The alarm row: the next occurrence with the frequency, and the state in its colour.
    void refreshAlarm();

    // The linked-file update of the note store; without one the panel only stores the link.
    void setLinkedFileUpdater(LinkedFileUpdater* updater) { m_updater = updater; }

    // A bare name is looked for in the program folder; a read-only file cannot be updated.
    void CheckLinkedFile(const QString& path);

    void txtTitre_LostFocus();
    void txtFiletoOpen_LostFocus();
    void txtImagePath_LostFocus();
    void cmdPropBrowse_Click();
    void cmdPropColor_Click();
    void cmdPropFont_Click();
    void cmdPropOK_Click();

signals:
    // The title of a note changed: its list line shows it.
    void titleChanged(int slot);
    // OK: the list panel comes back to the front.
    void closed();
    // The manager was shown only for these properties and hides again.
    void hideManagerRequested();
    // cmdPropAlarm: the alarm panel opens for this note.
    void alarmRequested(int slot);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Runs the leave handler of every field typed into since it was filled or applied.
    void applyPendingEdits();
    void connectHandlers();
    void refreshSample();
    void updateLink();
    [[nodiscard]] bool quiet() const;
    [[nodiscard]] bool hasNote() const;

    ManagerContext m_ctx;
    LinkedFileUpdater* m_updater = nullptr;
    int m_slot = -1;
    // The note the picture field had the focus for; -1 once its leaving needs no new reading.
    int m_pictureFocusSlot = -1;

    QLineEdit* m_txtTitre = nullptr;
    QLabel* m_txtSample = nullptr;
    QRadioButton* m_optColor[2] = {nullptr, nullptr};
    QPushButton* m_cmdPropColor = nullptr;
    QPushButton* m_cmdPropFont = nullptr;
    QCheckBox* m_chkShowTitle = nullptr;
    QCheckBox* m_chkShowScrollBar = nullptr;
    QCheckBox* m_chkAutoRoll = nullptr;
    QCheckBox* m_chkAutoDim = nullptr;
    QCheckBox* m_chkAlwaysOnTop = nullptr;
    QCheckBox* m_chkLocked = nullptr;
    QCheckBox* m_chkOpenFile = nullptr;
    QLineEdit* m_txtFiletoOpen = nullptr;
    QPushButton* m_cmdPropBrowse = nullptr;
    QCheckBox* m_chkUpdateFile = nullptr;
    QLineEdit* m_txtImagePath = nullptr;
    QPushButton* m_cmdImageBrowse = nullptr;
    QCheckBox* m_chkImageStretch = nullptr;
    QCheckBox* m_chkImageKeepRatio = nullptr;
    QPushButton* m_cmdPropAlarm = nullptr;
    QLabel* m_lblAlarm = nullptr;
    QLabel* m_shpAlarmStatus = nullptr;
    QLabel* m_lblAlarmColor = nullptr;
    QLabel* m_lblCreated = nullptr;
    QLabel* m_lblModified = nullptr;
    QLabel* m_lblStatus = nullptr;
    QPushButton* m_cmdPropOK = nullptr;
};
