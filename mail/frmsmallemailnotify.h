#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;
class Translator;
struct ProgramState;
struct Settings;

// The small new-mail window: shown on top without taking the focus, dragged by its text, a
// click closes it, the right button opens the mail program.
class frmSmallEmailNotify : public QWidget {
    Q_OBJECT
public:
    frmSmallEmailNotify(Settings& settings, ProgramState& state, const Translator& tr,
                        QWidget* parent = nullptr);

    void setMessage(const QString& text, const QString& lastEntry);
    // Shows the window where it was last left, above other windows, without activating it.
    void showNotification();
    // The button's caption: "Hide details" while the list shows, else "Show details".
    void setDetailsShown(bool shown);

    [[nodiscard]] QPushButton* cmdShowDetail() const { return m_cmdShowDetail; }
    [[nodiscard]] QLabel* lblSmallNotifyMsg() const { return m_lblSmallNotifyMsg; }
    [[nodiscard]] QLabel* lblTooltip() const { return m_lblTooltip; }

signals:
    void showDetailClicked();
    // A click on the window: it hides and the list goes.
    void dismissed();
    void mailProgramRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Settings& m_settings;
    ProgramState& m_state;
    const Translator& m_tr;
    QLabel* m_lblSmallNotifyMsg = nullptr;
    QLabel* m_lblTooltip = nullptr;
    QPushButton* m_cmdShowDetail = nullptr;
    QPoint m_pressGlobal;
    QPoint m_pressWindow;
    bool m_pressed = false;
    bool m_dragged = false;
};
