#pragma once

#include <QGroupBox>
#include <QKeySequence>

class QCheckBox;
class QKeySequenceEdit;
class QLabel;
class QPushButton;

// The setup panel's desktop options: notes on every workspace or on one, and the key that
// makes a new note from any program, with what the desktop said of it.
class DesktopOptions : public QGroupBox {
    Q_OBJECT
public:
    explicit DesktopOptions(QWidget* parent = nullptr);

    // Shown values; setting them emits nothing.
    void setAllWorkspaces(bool all);
    void setShortcut(const QKeySequence& keys);
    void setStatus(const QString& text);

    QCheckBox* chkAllWorkspaces;
    QKeySequenceEdit* txtShortcut;
    QPushButton* cmdNoShortcut;
    QLabel* lblShortcutStatus;

signals:
    void allWorkspacesToggled(bool all);
    void shortcutChosen(const QKeySequence& keys);
};
