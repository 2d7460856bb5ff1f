#pragma once

#include "alarms/alarmactions.h"

#include <QDialog>

class QListWidget;
class QLabel;
class Translator;

// One box for every alarm that went off late: which note, when it was due, what else happened;
// the user may snooze the ones chosen (all of them unless some are chosen). It does not block:
// the notes go on while it is open, and later missed alarms join it.
class frmMissedAlarms : public QDialog {
    Q_OBJECT
public:
    frmMissedAlarms(const Translator& tr, QWidget* parent = nullptr);

    void add(const QList<MissedAlarm>& missed);
    [[nodiscard]] QListWidget* list() const { return m_list; }
    // The notes the snooze buttons act on.
    [[nodiscard]] QList<int> chosenNotes() const;

signals:
    void snoozeRequested(int slot, int minutes);

private:
    const Translator& m_tr;
    QLabel* m_lblMissed;
    QListWidget* m_list;
};
