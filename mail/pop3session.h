#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class DiagnosticLog;
class MessageSink;
class SocketControl;
class Translator;
struct Settings;

// The POP3 mail check: one short session per operation (connect, USER, PASS, one action,
// QUIT) on one socket, driven by the arriving replies. It keeps what the mail windows show
// (status, step, progress, tray tip, the waiting-mail entries) and tells them through signals;
// the windows start reading and deleting through it.
class Pop3Session : public QObject {
    Q_OBJECT
public:
    // What one reply may hold: a status line, and a TOP answer with its lines.
    static constexpr qsizetype MaxLineBytes = 64 * 1024;
    static constexpr qsizetype MaxReplyBytes = 1024 * 1024;
    // A session whose server stays silent this long is ended as timed out.
    static constexpr int DefaultReplyTimeoutMs = 60000;
    static constexpr int NoSelection = 9999;
    static constexpr int SecurePort = 995;

    // The starters, for the log lines they write.
    enum class Starter { CheckButton, Timer, ListClick, NormalView, RawView, Delete };

    Pop3Session(Settings& settings, const Translator& tr, DiagnosticLog* log, MessageSink& messages,
                QObject* parent = nullptr);
    ~Pop3Session() override;

    // Whether the system has a network connection (chkCheckConnection); always true unset.
    void setNetworkCheck(std::function<bool()> networkUp) { m_networkUp = std::move(networkUp); }
    void setReplyTimeoutMs(int ms) { m_replyTimeout.setInterval(ms); }
    // The port on which the server speaks TLS from the first byte (995 unless told).
    void setImplicitTlsPort(int port) { m_tlsPort = port; }
    [[nodiscard]] SocketControl& socket() { return *m_socket; }

    // cmdCheckMail and the tray's "Check mail now": a count that rebuilds the list.
    void cmdCheckMail_Click();
    // One tick of timCheckMail (its own QTimer calls it).
    void timCheckMail_Timer();
    // Reading message `number` (from 1): a list click, "Normal view" or "Raw source view".
    void readMessage(int number, Starter starter);
    // "Delete mail": deletes the selected message when it is still the one on display.
    void deleteDisplayed();
    // chkCheckMail cleared, or the program ends: the timer stops and the socket closes.
    void stopChecking(bool shutdown);
    // The interval timer as chkCheckMail says; its interval reloaded from txtMailInterval.
    void startTimer();
    [[nodiscard]] bool timerActive() const { return m_timCheckMail.isActive(); }
    // txtMailInterval changed: the interval applies at once, without a check.
    void txtMailInterval_Change();
    // The list window closes: a connected session ends with QUIT.
    void endSessionForListUnload();

    // Session state.
    [[nodiscard]] bool sessionOpen() const { return m_open; }
    [[nodiscard]] int Mailstade() const { return m_Mailstade; }
    [[nodiscard]] const QString& MailAction() const { return m_MailAction; }
    [[nodiscard]] int MailCount() const { return m_MailCount; }
    [[nodiscard]] int timerTag() const { return m_timerTag; }
    [[nodiscard]] int timerInterval() const { return m_timCheckMail.interval(); }
    [[nodiscard]] int selectedMessage() const { return m_selected; }
    void setSelectedMessage(int number) { m_selected = number; }
    [[nodiscard]] const QString& displayedMessageId() const { return m_displayedId; }

    // What the windows show.
    [[nodiscard]] const QString& status() const { return m_status; }
    [[nodiscard]] const QString& step() const { return m_step; }
    [[nodiscard]] const QString& progress() const { return m_progress; }
    [[nodiscard]] const QString& trayTip() const { return m_trayTip; }
    [[nodiscard]] const QStringList& entries() const { return m_entries; }
    [[nodiscard]] const QString& notifyText() const { return m_notifyText; }

signals:
    // The session ended: its QUIT was answered, or it was given up.
    void sessionFinished();
    // status, step, progress or tray tip changed.
    void viewChanged();
    // The list was emptied for a new count (the detail window goes too); caption = status.
    void listCleared(const QString& caption);
    void entryAdded(const QString& entry);
    // Every header was listed: the notification shows, the sound plays.
    void listComplete(const QString& lastEntry);
    // A message was read: its decoded text, or the raw source.
    void messageRead(const QString& text, bool raw);
    // Entry `index` (from 0) was deleted on the server; `remaining` entries are left.
    void entryDeleted(int index, int remaining, const QString& caption);

private:
    void start(const QString& action, Starter starter, bool fromTimer);
    void onDataArrival(qint64 bytesTotal);
    void onClosed();
    void onError(int number, const QString& description);
    void onReplyTimeout();
    void finishQuietly();
    void setClosed();
    [[nodiscard]] bool replyComplete(qsizetype* length) const;
    void handleReply(const QByteArray& reply);
    void handleCount(const QByteArray& reply);
    void handleListEntry();
    void handleRead();
    void handleDeleteCheck();
    void handleDeleted();
    void sendHeaders();
    void sendStat();
    void endSession();
    void abandon(const QString& status, const QString& trayTip, const QString& logLine);
    void send(const QString& command, const QString& logged);
    [[nodiscard]] bool logging() const;
    void log(const QString& line) const;
    [[nodiscard]] QString socketLine(const QString& label) const;
    [[nodiscard]] QString countText(int count) const;
    void setView(const QString* status, const QString* step, const QString* progress,
                 const QString* trayTip);
    [[nodiscard]] bool networkMissing();

    Settings& m_settings;
    const Translator& m_tr;
    DiagnosticLog* m_log;
    MessageSink& m_messages;
    SocketControl* m_socket;
    std::function<bool()> m_networkUp;
    QTimer m_timCheckMail;
    QTimer m_replyTimeout;
    int m_timerTag = 0;
    int m_tlsPort = SecurePort;

    // A session was started and has not ended: replies are looked at only then.
    bool m_open = false;
    int m_Mailstade = 0;
    QString m_MailAction;
    int m_MailCount = 0;
    int m_MailIndex = 0;
    QByteArray m_MailBuffer;
    QByteArray m_pending;
    int m_selected = NoSelection;
    QString m_displayedId;

    QString m_status;
    QString m_step;
    QString m_progress;
    QString m_trayTip;
    QString m_notifyText;
    QStringList m_entries;
};
