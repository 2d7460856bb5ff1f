#include "manager/frmrestore.h"

#include "platform/oledate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The start of a note's text shown as its tooltip.
constexpr int TooltipChars = 400;

QString countText(int count, const char* one, const char* many) {
    return QString::number(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

} // namespace

frmRestore::frmRestore(const QString& snapshotFolder, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , lstSnapshots(new QListWidget(this))
    , lstSnapshotNotes(new QListWidget(this))
    , cmdRestore(new QPushButton(QStringLiteral("Restore the ticked notes"), this))
    , cmdClose(new QPushButton(QStringLiteral("Close"), this))
    , lblStatus(new QLabel(this))
    , m_folder(snapshotFolder) {
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("Restore notes"));
    lstSnapshots->setObjectName(QStringLiteral("lstSnapshots"));
    lstSnapshotNotes->setObjectName(QStringLiteral("lstSnapshotNotes"));
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    cmdRestore->setToolTip(QStringLiteral(
        "The ticked notes come back as new notes; the notes you have now stay as they are"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);

    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    // Named, so language files reach them.
    auto* lblSnapshots = new QLabel(QStringLiteral("Snapshots (one a day)"), this);
    lblSnapshots->setObjectName(QStringLiteral("lblSnapshots"));
    left->addWidget(lblSnapshots);
    left->addWidget(lstSnapshots);
    auto* right = new QVBoxLayout;
    auto* lblSnapshotNotes = new QLabel(QStringLiteral("Notes of the snapshot"), this);
    lblSnapshotNotes->setObjectName(QStringLiteral("lblSnapshotNotes"));
    right->addWidget(lblSnapshotNotes);
    right->addWidget(lstSnapshotNotes);
    lists->addLayout(left, 2);
    lists->addLayout(right, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblStatus, 1);
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(640, 360);

    connect(lstSnapshots, &QListWidget::currentRowChanged, this, &frmRestore::showSnapshot);
    connect(lstSnapshotNotes, &QListWidget::itemChanged, this, &frmRestore::updateRestoreButton);
    connect(cmdRestore, &QPushButton::clicked, this, [this] {
        const QList<snapshots::StoredNote> notes = tickedNotes();
        if (!notes.isEmpty())
            emit restoreRequested(notes);
    });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    reload();
}

void frmRestore::reload() {
    m_snapshots = snapshots::list(m_folder);
    lstSnapshots->clear();
    const QLocale locale = QLocale::system();
    for (const snapshots::Snapshot& s : m_snapshots) {
        lstSnapshots->addItem(locale.toString(s.date, QLocale::ShortFormat) +
                              QStringLiteral("   ") + countText(s.noteCounts[0], "note", "notes") +
                              QStringLiteral(", ") + countText(s.noteCounts[1], "event", "events"));
    }
    if (m_snapshots.isEmpty()) {
        showSnapshot(-1);
        setStatus(QStringLiteral("No snapshot yet: one is kept each day the notes change."));
    } else {
        lstSnapshots->setCurrentRow(0);
    }
}

void frmRestore::showSnapshot(int row) {
    lstSnapshotNotes->clear();
    m_notes.clear();
    if (row >= 0 && row < m_snapshots.size())
        m_notes = snapshots::notesOf(m_snapshots.at(row));
    const QLocale locale = QLocale::system();
    for (const snapshots::StoredNote& note : m_notes) {
        const QString title = note.title.isEmpty() ? QStringLiteral("(no title)") : note.title;
        auto* item = new QListWidgetItem(
            (note.list == 0 ? QStringLiteral("Notes: ") : QStringLiteral("Events: ")) + title +
            QStringLiteral("   ") +
            locale.toString(oledate::toDateTime(note.modified), QLocale::ShortFormat));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
        item->setToolTip(note.text.left(TooltipChars));
        lstSnapshotNotes->addItem(item);
    }
    updateRestoreButton();
}

QList<snapshots::StoredNote> frmRestore::tickedNotes() const {
    QList<snapshots::StoredNote> out;
    for (int i = 0; i < lstSnapshotNotes->count() && i < m_notes.size(); ++i) {
        if (lstSnapshotNotes->item(i)->checkState() == Qt::Checked)
            out.append(m_notes.at(i));
    }
    return out;
}

void frmRestore::setStatus(const QString& text) {
    lblStatus->setText(text);
}

void frmRestore::updateRestoreButton() {
    cmdRestore->setEnabled(!tickedNotes().isEmpty());
}
