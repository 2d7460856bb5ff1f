#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class NoteLists;
class NoteStore;

// The icon's mouse events as the decoder sees them.
enum class TrayEvent { LeftPress, DoubleClick, RightPress, MiddlePress, CtrlLeftPress };

// Decodes the icon's clicks: every event is recorded and the latest one is acted on once
// 0.3 s have passed without a further event, so the press that starts a double click never
// toggles the manager. Nothing is acted on while a modal box of the program is open.
class TrayClickDecoder : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> toggleManager;
        std::function<void()> newNote;
        std::function<void()> showMenu;
        std::function<void()> invertSelected;
        std::function<bool()> messageBoxOpen;
    };
    static constexpr int WaitMs = 300;

    // `monotonicMs` reads a clock that never jumps backwards.
    TrayClickDecoder(Actions actions, std::function<qint64()> monotonicMs,
                     QObject* parent = nullptr);

    void feed(TrayEvent event, qint64 nowMs);
    // Acts on the latest event when 0.3 s have passed since it; true when an event was used.
    bool settle(qint64 nowMs);
    [[nodiscard]] bool pending() const { return m_latest.has_value(); }

private:
    void act(TrayEvent event);

    Actions m_actions;
    std::function<qint64()> m_monotonicMs;
    QTimer m_timer;
    std::optional<TrayEvent> m_latest;
    qint64 m_latestMs = 0;
};

// The notification-area icon, its click decoding and its menu mnuPopupBase.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxNoteEntries = 20;

    TrayIcon(NoteLists& lists, const NoteStore& store, std::function<bool()> messageBoxOpen,
             std::function<qint64()> monotonicMs, QObject* parent = nullptr);
    ~TrayIcon() override;

    void AddTrayIcon();
    void RemoveTrayIcon();
    void setTip(const QString& tip);
    [[nodiscard]] QString tip() const;

    // Refreshes the note entries (the first 20 lines of the normal list).
    void fillPopupMenu();
    [[nodiscard]] QMenu* mnuPopupBase() const { return m_menu; }
    [[nodiscard]] const QList<QAction*>& noteEntries() const { return m_mnuNoteX; }
    [[nodiscard]] TrayClickDecoder& decoder() { return *m_decoder; }
    [[nodiscard]] QSystemTrayIcon* systemTrayIcon() const { return m_icon; }

    // A small yellow note, drawn for every size the tray may ask for.
    [[nodiscard]] static QIcon paintIcon();

signals:
    void showHideRequested();
    // mnuNewNote (list 0), mnuNewEvent (list 1) and the double click (list 0).
    void newNoteRequested(int list);
    void checkMailRequested();
    void exitRequested();

private:
    void mnuNoteX_Click(int index);
    void popupMenu();

    NoteLists& m_lists;
    const NoteStore& m_store;
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_fil1 = nullptr;
    QList<QAction*> m_mnuNoteX;
    TrayClickDecoder* m_decoder = nullptr;
};
