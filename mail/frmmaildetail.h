#pragma once

#include <QWidget>

class DesktopShell;
class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;

// The message window: the top of one message, decoded or raw, read-only; its menu finds and
// opens web and mail addresses in the text.
class frmMailDetail : public QWidget {
    Q_OBJECT
public:
    explicit frmMailDetail(DesktopShell& shell, QWidget* parent = nullptr);

    // Shows a message; `raw` tells which view it is, whose menu entry is then disabled.
    void showMessage(const QString& text, bool raw);
    // "Find Web address": selects the next address and moves past it.
    void findWebAddress();

    [[nodiscard]] QPlainTextEdit* txtMailDetail() const { return m_text; }
    [[nodiscard]] QPushButton* cmdMailDetailDelete() const { return m_cmdDelete; }
    [[nodiscard]] QMenu* mnuMailDetail() const { return m_menu; }
    [[nodiscard]] QAction* action(const QString& objectName) const;

signals:
    void normalViewRequested();
    void rawViewRequested();
    void deleteRequested();
    void closedByUser();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showMenu(const QPoint& globalPos);

    DesktopShell& m_shell;
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_cmdDelete = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_mnuNormalView = nullptr;
    QAction* m_mnuRawView = nullptr;
    QAction* m_mnuOpenBrowser = nullptr;
    QAction* m_mnuSendMail = nullptr;
    qsizetype m_searchPos = 0;
};
