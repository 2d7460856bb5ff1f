#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

// The waiting-mail list: one entry per message on the server, in server order.
class frmDetMail : public QWidget {
    Q_OBJECT
public:
    explicit frmDetMail(QWidget* parent = nullptr);

    void setCaption(const QString& text);
    void setEntries(const QStringList& entries);
    void addEntry(const QString& entry);
    void removeEntry(int index);

    [[nodiscard]] QLabel* lblDetMail() const { return m_lblDetMail; }
    [[nodiscard]] QListWidget* lstDetMail() const { return m_lstDetMail; }
    [[nodiscard]] QPushButton* cmdDetMailOpenMailProg() const { return m_cmdOpenMailProg; }
    [[nodiscard]] QPushButton* cmdDetMailOK() const { return m_cmdOK; }

signals:
    // An entry was clicked: message `number` (from 1).
    void messageClicked(int number);
    void mailProgramRequested();
    void okClicked();
    // The window was closed with its close box.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_lblDetMail = nullptr;
    QListWidget* m_lstDetMail = nullptr;
    QPushButton* m_cmdOpenMailProg = nullptr;
    QPushButton* m_cmdOK = nullptr;
};
