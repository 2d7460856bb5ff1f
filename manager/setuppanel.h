#pragma once

#include "managercontext.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class DesktopShell;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QVBoxLayout;

// What the setup panel asks of the program; every hook may be left empty.
struct SetupHooks {
    // The entries of the interval lists, as shown.
    QStringList autoSaveTimes;
    QStringList autoRefreshTimes;
    // The executable that starts with the session.
    QString executablePath;
    // The program's version as major.minor.revision.
    QString version;
    // A language was chosen in the list (by the user or by the program itself).
    std::function<void(const QString& language)> languageChosen;
    // "Show tooltips" changed while a language is loaded: the windows take it up.
    std::function<void()> tooltipsSwitched;
    // Writes "Languages/Template.ini" and tells the user.
    std::function<void()> writeTemplate;
    // The settings file rewritten (the OK button).
    std::function<void()> writeSettings;
    // The auto-save and auto-refresh timers take the settings' intervals and switches.
    std::function<void()> applyTimers;
    // A new auto-dim level for every visible note that dims.
    std::function<void(int level)> applyDimLevel;
    // The address behind the web-site button.
    std::function<QString()> webAddress;
    // The lines of the about box that describe the loaded language file.
    std::function<QStringList()> languageLines;
    // A value of the current language file's [General] section.
    std::function<QString(const QString& key, const QString& fallback)> languageGeneral;
};

// The setup panel `fraSetup`: the general settings of the program, the language, the help
// files and the about box. Its controls are views of the settings.
class SetupPanel : public QWidget {
    Q_OBJECT
public:
    SetupPanel(const ManagerContext& ctx, DesktopShell& shell, SetupHooks hooks,
               QWidget* parent = nullptr);

    // Places another part's settings (a group box, a row of controls) at the end of the panel.
    void addSection(QWidget* section);

    // The language list: "_English (native)" and the names of the language files.
    void setLanguages(const QStringList& languages);
    // Shows the settings in the controls; no handler acts meanwhile.
    void Fill();

    // Handlers, named as the program refers to them.
    void cmdSetup_Click();
    void cmdSetupOk_Click();
    void chkShowTooltips_Click();
    void cboLanguages_Click(const QString& language);
    void lblLanguage_Click();
    void vsbAutoDimValue_Change(int value);
    void cmdSetPictureDir_Click();
    void cmdWebSite_Click();
    void txtSample_Click();
    void cmdHelp_Click();
    void cmdHelp_RightClick();
    void cmdNetworkSettings_Click();

    // The about box's text, one line each.
    [[nodiscard]] QStringList aboutLines() const;
    // The computer's first non-loopback IPv4 address (else any address) and its host name.
    [[nodiscard]] static QString localAddress();
    [[nodiscard]] static QString hostName();

    static inline const QString Author = QStringLiteral("The Quillaboard authors, 2026");
    static inline const QString EMail = QStringLiteral("quillaboard@example.org");

signals:
    // The OK button was pressed and the settings applied: the list panel comes back.
    void closed();
    // The mail and network settings are wanted.
    void networkSettingsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void setChanged();
    [[nodiscard]] bool filling() const;
    void showMessage(const QString& text, const QString& title);

    ManagerContext m_ctx;
    DesktopShell& m_shell;
    SetupHooks m_hooks;

    QVBoxLayout* m_sections = nullptr;
    QCheckBox* m_chkRunOnStartup = nullptr;
    QCheckBox* m_chkShowTooltips = nullptr;
    QLabel* m_lblLanguage = nullptr;
    QComboBox* m_cboLanguages = nullptr;
    QLineEdit* m_txtPrefixNewNote = nullptr;
    QCheckBox* m_chkRandomColor = nullptr;
    QCheckBox* m_chkConfirmDelete = nullptr;
    QCheckBox* m_chkAnimateNote = nullptr;
    QCheckBox* m_chkMoveNotes = nullptr;
    QCheckBox* m_chkMultiScreens = nullptr;
    QScrollBar* m_vsbAutoDimValue = nullptr;
    QLineEdit* m_txtAutoDimValue = nullptr;
    QPushButton* m_cmdSetPictureDir = nullptr;
    QCheckBox* m_chkAutoSave = nullptr;
    QComboBox* m_cboAutoSaveTime = nullptr;
    QCheckBox* m_chkAutoRefresh = nullptr;
    QComboBox* m_cboAutoRefreshTime = nullptr;
    QPushButton* m_cmdWebSite = nullptr;
    QLabel* m_txtSample = nullptr;
    QPushButton* m_cmdHelp = nullptr;
    QPushButton* m_cmdNetworkSettings = nullptr;
    QPushButton* m_cmdSetupOk = nullptr;
    bool m_filling = false;
};
