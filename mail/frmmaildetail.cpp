#include "mail/frmmaildetail.h"

#include "mail/mailprogram.h"
#include "platform/desktopshell.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

frmMailDetail::frmMailDetail(DesktopShell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_shell(shell) {
    setObjectName(QStringLiteral("frmMailDetail"));
    setWindowTitle(QStringLiteral("Mail detail"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtMailDetail"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setContextMenuPolicy(Qt::CustomContextMenu);
    m_text->installEventFilter(this);
    m_cmdDelete = new QPushButton(QStringLiteral("Delete mail"), this);
    m_cmdDelete->setObjectName(QStringLiteral("cmdMailDetailDelete"));
    m_cmdDelete->setToolTip(QStringLiteral("Remove the mail from the server"));
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdMailDetailOK"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdDelete);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
    resize(560, 420);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("mnuMailDetail"));
    auto add = [this](const char* name, const QString& text) {
        QAction* entry = m_menu->addAction(text);
        entry->setObjectName(QLatin1String(name));
        return entry;
    };
    m_mnuNormalView = add("mnuNormalView", QStringLiteral("Normal view"));
    m_mnuRawView = add("mnuRawView", QStringLiteral("Raw source view"));
    m_menu->addSeparator();
    QAction* selectAll = add("mnuSelectAll", QStringLiteral("Select all"));
    QAction* copy = add("mnuCopy", QStringLiteral("Copy"));
    QAction* find = add("mnuFindWebAddress", QStringLiteral("Find Web address"));
    m_menu->addSeparator();
    m_mnuOpenBrowser = add("mnuOpenBrowser", QStringLiteral("Open in Internet browser"));
    m_mnuSendMail = add("mnuSendMail", QStringLiteral("Send mail"));

    connect(m_mnuNormalView, &QAction::triggered, this, &frmMailDetail::normalViewRequested);
    connect(m_mnuRawView, &QAction::triggered, this, &frmMailDetail::rawViewRequested);
    connect(selectAll, &QAction::triggered, m_text, &QPlainTextEdit::selectAll);
    connect(copy, &QAction::triggered, m_text, &QPlainTextEdit::copy);
    connect(find, &QAction::triggered, this, &frmMailDetail::findWebAddress);
    connect(m_mnuOpenBrowser, &QAction::triggered, this,
            [this] { m_shell.open(m_text->textCursor().selectedText().trimmed()); });
    connect(m_mnuSendMail, &QAction::triggered, this, [this] {
        m_shell.open(QStringLiteral("mailto:") + m_text->textCursor().selectedText().trimmed());
    });
    connect(m_text, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { showMenu(m_text->mapToGlobal(pos)); });
    connect(m_cmdDelete, &QPushButton::clicked, this, &frmMailDetail::deleteRequested);
    connect(m_cmdOK, &QPushButton::clicked, this, &QWidget::close);
}

QAction* frmMailDetail::action(const QString& objectName) const {
    return m_menu->findChild<QAction*>(objectName);
}

void frmMailDetail::showMessage(const QString& text, bool raw) {
    m_text->setPlainText(text);
    m_searchPos = 0;
    m_mnuRawView->setEnabled(!raw);
    m_mnuNormalView->setEnabled(raw);
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    m_text->setFocus();
}

void frmMailDetail::findWebAddress() {
    const QString text = m_text->toPlainText();
    const WebAddressMatch match = FindWebAddress(text, m_searchPos);
    if (match.start < 0)
        return;
    QTextCursor cursor = m_text->textCursor();
    cursor.setPosition(int(match.start));
    cursor.setPosition(int(match.end), QTextCursor::KeepAnchor);
    m_text->setTextCursor(cursor);
    m_searchPos = match.end;
}

void frmMailDetail::showMenu(const QPoint& globalPos) {
    const QString selection = m_text->textCursor().selectedText();
    m_mnuOpenBrowser->setEnabled(
        selection.contains(QLatin1String("http://"), Qt::CaseInsensitive) ||
        selection.contains(QLatin1String("https://"), Qt::CaseInsensitive) ||
        selection.contains(QLatin1String("www."), Qt::CaseInsensitive));
    static const QRegularExpression mail(QStringLiteral("^\\S*@\\S*\\.\\S*$"));
    m_mnuSendMail->setEnabled(mail.match(selection.trimmed()).hasMatch());
    m_menu->popup(globalPos);
}

bool frmMailDetail::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::SelectAll))
            m_text->selectAll();
        else if (key->matches(QKeySequence::Copy))
            m_text->copy();
        else if (key->key() == Qt::Key_Space)
            findWebAddress();
        // Every other key is ignored: the text is only read.
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMailDetail::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByUser();
}
