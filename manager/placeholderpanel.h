#pragma once

#include <QWidget>

class QPushButton;

// A panel of the manager that later work fills: a caption and the OK button that returns to
// the list.
class PlaceholderPanel : public QWidget {
    Q_OBJECT
public:
    PlaceholderPanel(const QString& objectName, const QString& caption, const QString& okName,
                     QWidget* parent = nullptr);

    [[nodiscard]] QPushButton* okButton() const { return m_ok; }

signals:
    void okClicked();

private:
    QPushButton* m_ok = nullptr;
};
