#include "network/frmnetsend.h"

#include "localisation/translator.h"
#include "network/addressbook.h"
#include "network/notemessage.h"
#include "platform/desktopshell.h"
#include "platform/fileio.h"
#include "platform/programfolder.h"
#include "platform/windowops.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

frmNetSend::frmNetSend(const NetSendContext& ctx, int slot, QWidget* owner)
    : QDialog(owner)
    , cboAdresse(new QComboBox(this))
    , Label1(new QLabel(this))
    , lblYourID(new QLabel(this))
    , txtYourID(new QLineEdit(this))
    , cmdSend(new QPushButton(this))
    , cmdRemove(new QPushButton(this))
    , cmdEditList(new QPushButton(this))
    , chkDeleteAfterSend(new QCheckBox(this))
    , lblStatus(new QLabel(this))
    , m_ctx(ctx)
    , m_slot(slot)
    , m_WinsockCLT(new NoteSender(this)) {
    setObjectName(QStringLiteral("frmNetSend"));
    setWindowTitle(QStringLiteral("Enter IP address or computer name"));
    cboAdresse->setObjectName(QStringLiteral("cboAdresse"));
    cboAdresse->setEditable(true);
    // The list changes only through Send and Remove, never by pressing Enter.
    cboAdresse->setInsertPolicy(QComboBox::NoInsert);
    cboAdresse->setToolTip(QStringLiteral("Enter the recipient or choose it from the list"));
    cboAdresse->setMinimumWidth(280);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setText(QStringLiteral(
        "Address must have the format xxx=yyy where xxx is any name you want, and yyy is the IP "
        "adress or the computer name.\nExamples:  Office=192.168.0.12   Laptop=laptop-2"));
    lblYourID->setObjectName(QStringLiteral("lblYourID"));
    lblYourID->setText(QStringLiteral("Your identity"));
    txtYourID->setObjectName(QStringLiteral("txtYourID"));
    txtYourID->setToolTip(
        QStringLiteral("Give a unique name, so the receiver can easily identify you"));
    cmdSend->setObjectName(QStringLiteral("cmdSend"));
    cmdSend->setText(QStringLiteral("Send"));
    cmdSend->setToolTip(QStringLiteral("Send the note to the adress specified above"));
    cmdSend->setDefault(true);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    cmdRemove->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    cmdRemove->setToolTip(QStringLiteral("Delete the selected address from your address book"));
    cmdEditList->setObjectName(QStringLiteral("cmdEditList"));
    cmdEditList->setText(QStringLiteral("Edit"));
    cmdEditList->setToolTip(QStringLiteral("Edit the list of your recipients"));
    chkDeleteAfterSend->setObjectName(QStringLiteral("chkDeleteAfterSend"));
    chkDeleteAfterSend->setText(QStringLiteral("Delete note after successful send"));
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(cboAdresse, 0, 0, 1, 2);
    grid->addWidget(cmdRemove, 0, 2);
    grid->addWidget(cmdEditList, 0, 3);
    grid->addWidget(Label1, 1, 0, 1, 4);
    grid->addWidget(lblYourID, 2, 0);
    grid->addWidget(txtYourID, 2, 1, 1, 3);
    grid->addWidget(chkDeleteAfterSend, 3, 0, 1, 4);
    grid->addWidget(lblStatus, 4, 0, 1, 3);
    grid->addWidget(cmdSend, 4, 3);

    m_WinsockCLT->setLog(m_ctx.log);
    connect(cboAdresse, &QComboBox::activated, this, &frmNetSend::cboAdresse_Click);
    connect(cmdSend, &QPushButton::clicked, this, &frmNetSend::cmdSend_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmNetSend::cmdRemove_Click);
    connect(cmdEditList, &QPushButton::clicked, this, &frmNetSend::cmdEditList_Click);
    connect(m_WinsockCLT, &NoteSender::connected, this,
            [this] { lblStatus->setText(m_ctx.tr.Translation(82)); });
    connect(m_WinsockCLT, &NoteSender::sent, this, &frmNetSend::sent);
    connect(m_WinsockCLT, &NoteSender::failed, this, &frmNetSend::failed);
    Form_Load();
}

frmNetSend::~frmNetSend() {
    Form_Unload();
}

void frmNetSend::Form_Load() {
    txtYourID->setText(m_ctx.settings.NetID.isEmpty() ? m_ctx.userName : m_ctx.settings.NetID);
    cboAdresse->clear();
    m_selected = -1;
    m_addressFile = m_ctx.folder.file(addressbook::FileName);
    cboAdresse->addItems(addressbook::read(m_addressFile));
    cboAdresse->setCurrentIndex(-1);
    cboAdresse->setEditText(QString());
    lblStatus->clear();
}

void frmNetSend::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_ctx.setModalOpen)
        m_ctx.setModalOpen(true);
    windowops::SetTopmost(this, -1);
}

void frmNetSend::done(int result) {
    // A send in progress is given up: the window that would report it goes away.
    if (m_WinsockCLT->busy())
        m_WinsockCLT->closeConnection();
    Form_Unload();
    QDialog::done(result);
}

void frmNetSend::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (txtYourID->text() != m_ctx.settings.NetID) {
        m_ctx.settings.NetID = txtYourID->text();
        m_ctx.state.SettingsChanged = true;
    }
    if (m_listChanged)
        saveList();
    if (m_ctx.setModalOpen)
        m_ctx.setModalOpen(false);
}

QStringList frmNetSend::entries() const {
    QStringList list;
    for (int i = 0; i < cboAdresse->count(); ++i)
        list << cboAdresse->itemText(i);
    return list;
}

void frmNetSend::saveList() {
    // A failed write leaves the old file; the window has nowhere better to say so.
    (void)addressbook::write(m_addressFile, entries());
    m_listChanged = false;
}

void frmNetSend::cboAdresse_Click(int index) {
    m_selected = index;
}

QByteArray frmNetSend::message() const {
    notemessage::Outgoing note;
    note.sender = m_identity;
    if (m_ctx.store.isValidSlot(m_slot)) {
        const NoteWindowState& w = m_ctx.store.Windows.at(static_cast<size_t>(m_slot));
        note.top = w.Top;
        note.left = w.Left;
        note.width = w.Width;
        note.height = w.Height;
        note.backColor = w.BackColor;
        note.foreColor = w.ForeColor;
        note.text = w.Text;
    }
    return notemessage::encode(note);
}

void frmNetSend::cmdSend_Click() {
    m_destination = addressbook::addressPart(cboAdresse->currentText());
    if (m_destination.isEmpty() || m_WinsockCLT->busy())
        return;
    m_identity = addressbook::senderIdentity(m_destination, txtYourID->text(), m_ctx.localIp,
                                             m_ctx.hostName);
    setWindowTitle(m_ctx.tr.Translation(80) + QLatin1Char(' ') + txtYourID->text());
    cboAdresse->setEnabled(false);
    cmdSend->setEnabled(false);
    lblStatus->setText(m_ctx.tr.Translation(81));
    m_WinsockCLT->send(m_identity, m_destination, m_ctx.port, [this] { return message(); });
}

void frmNetSend::closeHandling() {
    lblStatus->clear();
    cboAdresse->setEnabled(true);
    cmdSend->setEnabled(true);
}

void frmNetSend::sent() {
    lblStatus->setText(m_ctx.tr.Translation(83));
    const QString text = cboAdresse->currentText();
    if (m_selected >= 0 && m_selected < cboAdresse->count()) {
        if (cboAdresse->itemText(m_selected) != text) {
            cboAdresse->setItemText(m_selected, text);
            m_selected = -1;
            saveList();
        }
    } else {
        cboAdresse->addItem(text);
        saveList();
    }
    closeHandling();
    if (chkDeleteAfterSend->isChecked())
        m_ctx.state.DeleteSentNote = true;
    accept();
}

void frmNetSend::failed(int number, const QString& description) {
    closeHandling();
    // The window stays open; the status says why the note did not go.
    lblStatus->setText(QStringLiteral("Error ") + QString::number(number) + QStringLiteral(" : ") +
                       description);
}

void frmNetSend::cmdRemove_Click() {
    if (m_selected < 0 || m_selected >= cboAdresse->count())
        return;
    cboAdresse->removeItem(m_selected);
    m_selected = -1;
    cboAdresse->setCurrentIndex(-1);
    cboAdresse->setEditText(QString());
    m_listChanged = true;
}

void frmNetSend::cmdEditList_Click() {
    // The editor reads the file as the list stands now; a missing file is made empty so
    // there is something to open.
    if (m_listChanged || !fileio::exists(m_addressFile))
        saveList();
    (void)m_ctx.shell.open(m_addressFile);
    close();
}
