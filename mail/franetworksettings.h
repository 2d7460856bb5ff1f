#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QVBoxLayout;
struct ProgramState;
struct Settings;

// The mail settings panel of the manager ("mail"): the POP3 server, account, interval and
// options, the session's status fields, and below them the sections other parts add (the
// network notes' receiver settings).
class fraNetworkSettings : public QWidget {
    Q_OBJECT
public:
    fraNetworkSettings(Settings& settings, ProgramState& state, QWidget* parent = nullptr);

    // Places another part's settings below the mail fields.
    void addSection(QWidget* section);
    // The controls from the settings, without any change handler acting.
    void fillFromSettings();
    // The session's status, step and progress.
    void showSession(const QString& status, const QString& step, const QString& progress);

    [[nodiscard]] QLineEdit* txtServeurIP() const { return m_txtServeurIP; }
    [[nodiscard]] QLineEdit* txtPort() const { return m_txtPort; }
    [[nodiscard]] QLineEdit* txtUser() const { return m_txtUser; }
    [[nodiscard]] QLineEdit* txtPass() const { return m_txtPass; }
    [[nodiscard]] QLineEdit* txtMailInterval() const { return m_txtMailInterval; }
    [[nodiscard]] QScrollBar* vsbMailInterval() const { return m_vsbMailInterval; }
    [[nodiscard]] QLineEdit* txtMailProgram() const { return m_txtMailProgram; }
    [[nodiscard]] QCheckBox* chkCheckMail() const { return m_chkCheckMail; }
    [[nodiscard]] QCheckBox* chkMailSilent() const { return m_chkMailSilent; }
    [[nodiscard]] QCheckBox* chkCheckConnection() const { return m_chkCheckConnection; }
    [[nodiscard]] QCheckBox* chkMailPlaySound() const { return m_chkMailPlaySound; }
    [[nodiscard]] QCheckBox* chkMailWriteLog() const { return m_chkMailWriteLog; }
    [[nodiscard]] QPushButton* cmdMailPlaySound() const { return m_cmdMailPlaySound; }
    [[nodiscard]] QPushButton* cmdCheckMail() const { return m_cmdCheckMail; }
    [[nodiscard]] QPushButton* cmdMailSetOK() const { return m_cmdMailSetOK; }
    [[nodiscard]] QLabel* lblMailStatus() const { return m_lblMailStatus; }
    [[nodiscard]] QLabel* lblAction() const { return m_lblAction; }
    [[nodiscard]] QLineEdit* txtProgress() const { return m_txtProgress; }

signals:
    void checkMailClicked();
    // chkCheckMail changed by the user.
    void checkMailToggled(bool on);
    // txtMailInterval changed by the user (or its scroll bar).
    void intervalChanged();
    void chooseSoundClicked();
    void okClicked();

private:
    QLineEdit* lineEdit(const char* name, QString Settings::*field);
    QCheckBox* checkBox(const char* name, const QString& text, int Settings::*field);
    void changed();

    Settings& m_settings;
    ProgramState& m_state;
    bool m_filling = false;
    QLineEdit* m_txtServeurIP = nullptr;
    QLineEdit* m_txtPort = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPass = nullptr;
    QLineEdit* m_txtMailInterval = nullptr;
    QScrollBar* m_vsbMailInterval = nullptr;
    QLineEdit* m_txtMailProgram = nullptr;
    QCheckBox* m_chkCheckMail = nullptr;
    QCheckBox* m_chkMailSilent = nullptr;
    QCheckBox* m_chkCheckConnection = nullptr;
    QCheckBox* m_chkMailPlaySound = nullptr;
    QCheckBox* m_chkMailWriteLog = nullptr;
    QPushButton* m_cmdMailPlaySound = nullptr;
    QPushButton* m_cmdCheckMail = nullptr;
    QPushButton* m_cmdMailSetOK = nullptr;
    QLabel* m_lblMailStatus = nullptr;
    QLabel* m_lblAction = nullptr;
    QLineEdit* m_txtProgress = nullptr;
    QVBoxLayout* m_sections = nullptr;
};
