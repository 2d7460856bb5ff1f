#pragma once

#include "platform/programfolder.h"

#include <QObject>

#include <functional>
#include <memory>

class DesktopShell;
class Dialogs;
class LogWriter;
class MailWindows;
class MessageSink;
class Pop3Session;
class Sound;
class Translator;
class QWidget;
class fraNetworkSettings;
class frmStartup;
struct ProgramState;
struct Settings;

// The mail checker of the running program: the POP3 session with its interval timer, the
// mail windows, the mail settings panel of the manager ("mail"), the tray's "Check mail now"
// and the tray tip's mail count.
class MailService : public QObject {
    Q_OBJECT
public:
    struct Parts {
        Settings& settings;
        ProgramState& state;
        const Translator& tr;
        LogWriter& log;
        MessageSink& messages;
        DesktopShell& shell;
        Dialogs& dialogs;
        frmStartup& manager;
        ProgramFolder folder;
        // The mail sound; the program's own player when null.
        Sound* sound = nullptr;
        // Whether the system has a network connection; the toolkit's answer when empty.
        std::function<bool()> networkUp;
    };
    explicit MailService(const Parts& parts, QObject* parent = nullptr);
    ~MailService() override;

    // Start-up: with chkCheckMail ticked, a check at once and the interval timer.
    void start();
    // Shutdown: the socket closes, the timer stops, the mail windows close.
    void stop();
    // A shutdown that was called off: the timer runs again as the settings say.
    void resume();

    // Places another part's settings (the network receiver's) in the mail panel.
    void addSection(QWidget* section);

    [[nodiscard]] Pop3Session& session() { return *m_session; }
    [[nodiscard]] MailWindows& windows() { return *m_windows; }
    [[nodiscard]] fraNetworkSettings* panel() const;

private:
    Parts m_parts;
    std::unique_ptr<Sound> m_ownSound;
    std::unique_ptr<Pop3Session> m_session;
    std::unique_ptr<MailWindows> m_windows;
};
