#include "shell/frmmissedalarms.h"

#include "alarms/alarmchecker.h"
#include "localisation/translator.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

frmMissedAlarms::frmMissedAlarms(const Translator& tr, QWidget* parent)
    : QDialog(parent)
    , m_tr(tr)
    , m_lblMissed(new QLabel(tr.Translation(114), this))
    , m_list(new QListWidget(this)) {
    setObjectName(QStringLiteral("frmMissedAlarms"));
    setWindowTitle(QStringLiteral("Quillaboard"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    m_lblMissed->setObjectName(QStringLiteral("lblMissed"));
    m_lblMissed->setWordWrap(true);
    m_list->setObjectName(QStringLiteral("lstMissed"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* buttons = new QDialogButtonBox(this);
    for (int i = 0; i < int(AlarmChecker::SnoozeMinutes.size()); ++i) {
        auto* snooze = buttons->addButton(tr.Translation(110 + i), QDialogButtonBox::ActionRole);
        snooze->setObjectName(
            QStringLiteral("cmdSnooze%1").arg(AlarmChecker::SnoozeMinutes.at(size_t(i))));
        connect(snooze, &QPushButton::clicked, this, [this, i] {
            for (int slot : chosenNotes())
                emit snoozeRequested(slot, AlarmChecker::SnoozeMinutes.at(size_t(i)));
            accept();
        });
    }
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblMissed);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(520, 300);
}

void frmMissedAlarms::add(const QList<MissedAlarm>& missed) {
    for (const MissedAlarm& alarm : missed) {
        QString text = m_tr.Translation(113) + QLatin1Char(' ') +
                       QLocale().toString(alarm.due, QStringLiteral("dd/MM/yyyy hh:mm")) +
                       QStringLiteral("   ") + alarm.title;
        for (const QString& notice : alarm.notices)
            text += QStringLiteral("\n      ") +
                    QString(notice).replace(QLatin1String("\r\n"), QLatin1String(" "));
        auto* item = new QListWidgetItem(text, m_list);
        item->setData(Qt::UserRole, alarm.slot);
    }
}

QList<int> frmMissedAlarms::chosenNotes() const {
    QList<int> notes;
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        if (selected.isEmpty() || selected.contains(item)) {
            const int slot = item->data(Qt::UserRole).toInt();
            if (!notes.contains(slot))
                notes << slot;
        }
    }
    return notes;
}
