#include "manager/desktopoptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

DesktopOptions::DesktopOptions(QWidget* parent)
    : QGroupBox(QStringLiteral("Desktop"), parent)
    , chkAllWorkspaces(new QCheckBox(QStringLiteral("Show notes on every workspace"), this))
    , txtShortcut(new QKeySequenceEdit(this))
    , cmdNoShortcut(new QPushButton(QStringLiteral("None"), this))
    , lblShortcutStatus(new QLabel(this)) {
    setObjectName(QStringLiteral("fraDesktop"));
    chkAllWorkspaces->setObjectName(QStringLiteral("chkAllWorkspaces"));
    chkAllWorkspaces->setToolTip(
        QStringLiteral("If unchecked, the notes stay on the workspace where they were opened"));
    txtShortcut->setObjectName(QStringLiteral("txtShortcut"));
    txtShortcut->setToolTip(QStringLiteral("Press the keys that make a new note from any program"));
    cmdNoShortcut->setObjectName(QStringLiteral("cmdNoShortcut"));
    cmdNoShortcut->setToolTip(QStringLiteral("No key for a new note"));
    lblShortcutStatus->setObjectName(QStringLiteral("lblShortcutStatus"));
    lblShortcutStatus->setWordWrap(true);

    auto* label = new QLabel(QStringLiteral("New note from anywhere"), this);
    label->setObjectName(QStringLiteral("lblShortcut"));
    label->setBuddy(txtShortcut);
    auto* grid = new QGridLayout(this);
    grid->addWidget(chkAllWorkspaces, 0, 0, 1, 3);
    grid->addWidget(label, 1, 0);
    grid->addWidget(txtShortcut, 1, 1);
    grid->addWidget(cmdNoShortcut, 1, 2);
    grid->addWidget(lblShortcutStatus, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    connect(chkAllWorkspaces, &QCheckBox::toggled, this, &DesktopOptions::allWorkspacesToggled);
    connect(txtShortcut, &QKeySequenceEdit::editingFinished, this,
            [this] { emit shortcutChosen(txtShortcut->keySequence()); });
    connect(cmdNoShortcut, &QPushButton::clicked, this, [this] {
        txtShortcut->clear();
        emit shortcutChosen(QKeySequence());
    });
}

void DesktopOptions::setAllWorkspaces(bool all) {
    const QSignalBlocker quiet(chkAllWorkspaces);
    chkAllWorkspaces->setChecked(all);
}

void DesktopOptions::setShortcut(const QKeySequence& keys) {
    const QSignalBlocker quiet(txtShortcut);
    txtShortcut->setKeySequence(keys);
}

void DesktopOptions::setStatus(const QString& text) {
    lblShortcutStatus->setText(text);
}
