#pragma once

#include "network/notesender.h"

#include <QDialog>
#include <functional>

class DesktopShell;
class NoteStore;
class ProgramFolder;
class Translator;
struct ProgramState;
struct Settings;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the send window works with, handed over by the program.
struct NetSendContext {
    NoteStore& store;
    Settings& settings;
    ProgramState& state;
    const ProgramFolder& folder;
    const Translator& tr;
    DesktopShell& shell;
    NoteSender::LogLine log;
    // The receivers' port (6021 in the program).
    int port = 0;
    // Who this computer is: the IPv4 address and host name that name the sender, and the
    // login name that stands in for an empty identity.
    QString localIp;
    QString hostName;
    QString userName;
    // MessageBoxOpen: set while the window is shown, so arriving notes wait for it.
    std::function<void(bool)> setModalOpen;
};

// The send window: sends one note to another copy of the program. It holds the address book
// of recipients, the user's identity, the switch that deletes the note after a successful
// send, and a status line.
class frmNetSend : public QDialog {
    Q_OBJECT
public:
    frmNetSend(const NetSendContext& ctx, int slot, QWidget* owner = nullptr);
    ~frmNetSend() override;

    [[nodiscard]] int slot() const { return m_slot; }
    // The address of the entry the send goes to, as kept in the combo box's Tag.
    [[nodiscard]] const QString& destination() const { return m_destination; }
    [[nodiscard]] const QString& identity() const { return m_identity; }
    [[nodiscard]] NoteSender& sender() { return *m_WinsockCLT; }
    // The bytes the note goes out as.
    [[nodiscard]] QByteArray message() const;

    void cboAdresse_Click(int index);
    void cmdSend_Click();
    void cmdRemove_Click();
    void cmdEditList_Click();

    QComboBox* cboAdresse;
    QLabel* Label1;
    QLabel* lblYourID;
    QLineEdit* txtYourID;
    QPushButton* cmdSend;
    QPushButton* cmdRemove;
    QPushButton* cmdEditList;
    QCheckBox* chkDeleteAfterSend;
    QLabel* lblStatus;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();
    void sent();
    void failed(int number, const QString& description);
    void closeHandling();
    void saveList();
    [[nodiscard]] QStringList entries() const;

    NetSendContext m_ctx;
    int m_slot;
    NoteSender* m_WinsockCLT;
    QString m_addressFile;
    QString m_destination;
    QString m_identity;
    int m_selected = -1;
    bool m_listChanged = false;
    bool m_unloaded = false;
};
