#include "mail/frmdetmail.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmDetMail::frmDetMail(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmDetMail"));
    setWindowTitle(QStringLiteral("You've got a mail"));
    auto* layout = new QVBoxLayout(this);
    m_lblDetMail = new QLabel(this);
    m_lblDetMail->setObjectName(QStringLiteral("lblDetMail"));
    m_lstDetMail = new QListWidget(this);
    m_lstDetMail->setObjectName(QStringLiteral("lstDetMail"));
    m_lstDetMail->setToolTip(QStringLiteral("Click on a mail to view it"));
    // Long entries scroll sideways instead of being cut.
    m_lstDetMail->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_lstDetMail->setWordWrap(false);
    m_cmdOpenMailProg = new QPushButton(QStringLiteral("Mail program"), this);
    m_cmdOpenMailProg->setObjectName(QStringLiteral("cmdDetMailOpenMailProg"));
    m_cmdOpenMailProg->setToolTip(QStringLiteral("Open your usual mail program"));
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdDetMailOK"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdOpenMailProg);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    layout->addWidget(m_lblDetMail);
    layout->addWidget(m_lstDetMail, 1);
    layout->addLayout(buttons);
    resize(420, 260);

    connect(m_lstDetMail, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit messageClicked(m_lstDetMail->row(item) + 1); });
    connect(m_cmdOpenMailProg, &QPushButton::clicked, this, &frmDetMail::mailProgramRequested);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmDetMail::okClicked);
}

void frmDetMail::setCaption(const QString& text) {
    m_lblDetMail->setText(text);
}

void frmDetMail::setEntries(const QStringList& entries) {
    m_lstDetMail->clear();
    m_lstDetMail->addItems(entries);
}

void frmDetMail::addEntry(const QString& entry) {
    m_lstDetMail->addItem(entry);
}

void frmDetMail::removeEntry(int index) {
    delete m_lstDetMail->takeItem(index);
}

void frmDetMail::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}
