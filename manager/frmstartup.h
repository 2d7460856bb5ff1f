#pragma once

#include "managercontext.h"
#include "notewindow/notehost.h"

#include <QHash>
#include <QWidget>
#include <functional>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class NoteLists;
class PropertiesPanel;
class TrayIcon;

// The manager window: the two note lists and their commands, the panels (properties, setup,
// alarm, mail and network settings) and the tray icon. Lives for the whole run, shown or
// hidden; its close box confirms the panel in front instead of closing.
class frmStartup : public QWidget, public NoteHost {
    Q_OBJECT
public:
    frmStartup(const ManagerContext& ctx, ManagerHooks hooks, QWidget* parent = nullptr);
    ~frmStartup() override;

    [[nodiscard]] NoteLists& lists() { return *m_lists; }
    [[nodiscard]] PropertiesPanel& propertiesPanel() { return *m_properties; }
    [[nodiscard]] TrayIcon& trayIcon() { return *m_tray; }
    [[nodiscard]] const ManagerContext& context() const { return m_ctx; }

    // Brings a panel to the front by its name ("liste", "prop", "setup", "alarm", "mail").
    void showPanel(const QString& name);
    // Puts the real panel of later work ("setup", "alarm", "mail") in place of its
    // placeholder; `ok` is what the close box runs while it is in front.
    void installPanel(const QString& name, QWidget* panel, std::function<void()> ok);

    // The shell sets this before the real unload so the close goes through.
    void setQuitting(bool quitting) { m_quitting = quitting; }
    // Without a system tray the manager minimises instead of hiding, so it stays reachable.
    void setTrayAvailable(bool available) { m_trayAvailable = available; }
    [[nodiscard]] bool trayAvailable() const { return m_trayAvailable; }

    void Show_Hide_Quillaboard();
    // Shows the manager above every note, always-on-top ones included, and activates it
    // (tray, second start, a note's properties command).
    void bringToFront();
    // True while the manager is in the always-on-top layer.
    [[nodiscard]] bool onTop() const;
    // The close box: acts as the OK button of the panel in front.
    void QueryUnload();
    void cmdProperties_Click();
    void cmdSetup_Click();

    // NoteHost
    void noteActivated(int slot) override;
    void noteDeactivated(int slot) override;
    void hideNoteFromList(int slot) override;
    void openProperties(int slot) override;
    void removeNote(int slot) override;
    void notePropertiesChanged(int slot) override;
    void stopAutoRefresh() override;
    void restartAutoRefresh() override;
    [[nodiscard]] bool managerVisible() const override;

signals:
    void reloadRequested();
    // "Restore...": the window of the daily snapshots.
    void restoreRequested();
    void exitRequested();
    void checkMailRequested();
    // A note was activated while the alarm panel is in front: it shows that note now.
    void alarmPanelRefreshRequested(int slot);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildListPanel();
    void frontListChanged(int list);
    void newNoteIn(int list);
    void fillProperties(bool toFront);
    void leaveTopLayer();

    ManagerContext m_ctx;
    ManagerHooks m_hooks;
    bool m_quitting = false;
    bool m_trayAvailable = true;

    QStackedWidget* m_panels = nullptr;
    QStackedWidget* m_listStack = nullptr;
    QRadioButton* m_optSelectList[2] = {nullptr, nullptr};
    QListWidget* m_lstNotes[2] = {nullptr, nullptr};
    QPushButton* m_cmdMoveRight = nullptr;
    QPushButton* m_cmdMoveLeft = nullptr;
    QLineEdit* m_txtSearch = nullptr;

    NoteLists* m_lists = nullptr;
    PropertiesPanel* m_properties = nullptr;
    struct Panel {
        QWidget* widget = nullptr;
        std::function<void()> ok;
    };
    QHash<QString, Panel> m_panelByName;
    TrayIcon* m_tray = nullptr;
};
