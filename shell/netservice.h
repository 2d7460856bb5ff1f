#pragma once

#include "network/frmnetsend.h"
#include "network/netsettings.h"
#include "network/notereceiver.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <memory>

class Clock;
class DesktopShell;
class DiagnosticLog;
class Dialogs;
class MessageBoxService;
class NoteStore;
class NoteWindowSet;
class ProgramFolder;
class Sound;
class Translator;
class frmStartup;
class QWidget;
struct ProgramState;
struct Settings;

// What the network notes work with; the program hands it over once.
struct NetServiceContext {
    NoteStore& store;
    Settings& settings;
    ProgramState& state;
    const ProgramFolder& folder;
    MessageBoxService& messages;
    const Translator& tr;
    DiagnosticLog& log;
    Dialogs& dialogs;
    DesktopShell& shell;
    const Clock& clock;
    frmStartup& manager;
    NoteWindowSet& windows;
    // The sound of an arriving note; the program's own player when null.
    Sound* sound = nullptr;
};

// Notes over the network: starts and stops the receiver, turns each message into a new note
// of the normal list through the new-note command, opens the send window for "Send to..." and
// holds the network settings.
class NetService : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultPort = 6021;
    // Messages waiting for a modal window to close are kept up to this many bytes.
    static constexpr qsizetype MaxWaitingBytes = 64 * 1024 * 1024;

    explicit NetService(const NetServiceContext& ctx, QObject* parent = nullptr);
    ~NetService() override;

    // The ports the receiver listens on and the sender connects to (6021 in the program).
    void setPorts(int listenPort, int sendPort);
    [[nodiscard]] int sendPort() const { return m_sendPort; }

    // Start-up: the receiver starts when the settings say so.
    void start();
    // Shutdown: the receiver and any send stop.
    void shutdown();

    void Start_Serveur();
    void Stop_Serveur();

    // "Send to..." on a note: the send window, modal, owned by the note window; the note is
    // removed afterwards when the window says so.
    void sendNote(int slot, QWidget* noteWindow);

    [[nodiscard]] NoteReceiver& receiver() { return m_WinsockSRV; }
    [[nodiscard]] NetSettingsPanel& settingsPanel() { return *m_panel; }
    // The send window while it is open.
    [[nodiscard]] frmNetSend* sendWindow() const { return m_sendWindow; }
    // Notes received and waiting for a modal window to close.
    [[nodiscard]] int waitingNotes() const { return static_cast<int>(m_waiting.size()); }

signals:
    // A received message became the note in this slot.
    void noteReceived(int slot);

private:
    void messageReceived(const QByteArray& message);
    void makeWaitingNotes();
    void makeNote(const QByteArray& message, bool waited);
    void listenFailed(int number, const QString& description);
    void showStatus(NoteReceiver::Status status);
    void log(const QString& line);
    [[nodiscard]] QString withPort(int messageNumber) const;

    NetServiceContext m_ctx;
    std::unique_ptr<Sound> m_ownSound;
    Sound& m_sound;
    NoteReceiver m_WinsockSRV;
    QPointer<NetSettingsPanel> m_panel;
    QPointer<frmNetSend> m_sendWindow;
    QQueue<QByteArray> m_waiting;
    qsizetype m_waitingBytes = 0;
    bool m_waitScheduled = false;
    int m_sendPort = DefaultPort;
};
