#pragma once

#include "platform/programfolder.h"

#include <QObject>
#include <QPointer>

#include <functional>

class DesktopShell;
class Dialogs;
class MailProgram;
class MessageSink;
class Pop3Session;
class Sound;
class Translator;
class fraNetworkSettings;
class frmDetMail;
class frmMailDetail;
class frmSmallEmailNotify;
struct ProgramState;
struct Settings;

// What the mail check shows: the settings panel's status fields, the tray tip, the
// notification, the waiting-mail list and the message window, and the sessions these windows
// start for reading and deleting.
class MailWindows : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Pop3Session& session;
        Settings& settings;
        ProgramState& state;
        const Translator& tr;
        DesktopShell& shell;
        Dialogs& dialogs;
        MessageSink& messages;
        Sound& sound;
        ProgramFolder folder;
        // Sets the tray icon's tooltip.
        std::function<void(const QString&)> setTrayTip;
        // Replaces the mailto handler query (tests).
        std::function<QString(const QString&, const QStringList&)> mailtoQuery;
    };
    explicit MailWindows(Parts parts, QObject* parent = nullptr);
    ~MailWindows() override;

    // The settings panel; whoever installs it in the manager owns it from then on.
    [[nodiscard]] fraNetworkSettings* panel() const { return m_panel; }
    [[nodiscard]] frmSmallEmailNotify* notify() const { return m_notify; }
    [[nodiscard]] frmDetMail* detMail() const { return m_detMail; }
    [[nodiscard]] frmMailDetail* mailDetail() const { return m_detail; }

    // "Show details" of the notification: shows or hides the list.
    void cmdShowDetail_Click();
    // The list window goes: its placement is kept and a running session ends.
    void unloadDetMail();
    void unloadMailDetail();
    void openMailProgram();
    // At shutdown: every mail window closes, keeping its placement.
    void closeAll();

private:
    void showSession();
    void chooseSound();
    void showDetMail();

    Parts m_parts;
    std::unique_ptr<MailProgram> m_mailProgram;
    QPointer<fraNetworkSettings> m_panel;
    frmSmallEmailNotify* m_notify = nullptr;
    frmDetMail* m_detMail = nullptr;
    frmMailDetail* m_detail = nullptr;
    bool m_detMailPlaced = false;
    bool m_detailPlaced = false;
};
