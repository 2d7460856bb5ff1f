#include "mail/pop3session.h"

#include "localisation/translator.h"
#include "mail/charset.h"
#include "mail/mailentete.h"
#include "platform/diagnosticlog.h"
#include "platform/messagesink.h"
#include "platform/socketcontrol.h"
#include "store/settings.h"

#include <QCryptographicHash>

#include <cstring>

namespace {

const QLatin1String CrLf("\r\n");
const QString Stat = QStringLiteral("STAT");
const QString Retr = QStringLiteral("RETR");
const QString Rawv = QStringLiteral("RAWV");
const QString Dele = QStringLiteral("DELE");
const QString SendLabel = QStringLiteral(" DataArrival (send data)    : ");

struct StarterLabels {
    const char* begin;
    const char* close;
    const char* end;
    bool detailed; // the "(F)" line adds the action and the selected message
};

StarterLabels labelsOf(Pop3Session::Starter starter) {
    switch (starter) {
    case Pop3Session::Starter::CheckButton:
        return {"Clic sur cmdCheckMail (D)   : Winsock1.state=",
                "Clic sur cmdCheckMail CLOSE : Winsock1.state=",
                "Clic sur cmdCheckMail (F)   : Winsock1.state=", false};
    case Pop3Session::Starter::Timer:
        return {"D\xc3\xa9"
                "clenchement timer (D)     : Winsock1.state=",
                "D\xc3\xa9"
                "clenchement timer (close) : Winsock1.state=",
                "D\xc3\xa9"
                "clenchement timer (F)     : Winsock1.state=",
                false};
    case Pop3Session::Starter::ListClick:
        return {"Clic sur lstDetMail (D)     : Winsock1.state=",
                "Clic sur lstDetMail   CLOSE : Winsock1.state=",
                "Clic sur lstDetMail (F)     : Winsock1.state=", true};
    case Pop3Session::Starter::NormalView:
        return {"Clic sur NormalView (D)     : Winsock1.state=",
                "Clic sur NormalView   CLOSE : Winsock1.state=",
                "Clic sur NormalView (F)     : Winsock1.state=", true};
    case Pop3Session::Starter::RawView:
        return {"Clic sur RawView (D)        : Winsock1.state=",
                "Clic sur RawView      CLOSE : Winsock1.state=",
                "Clic sur RawView (F)        : Winsock1.state=", true};
    case Pop3Session::Starter::Delete:
        return {"frmMailDetail Delete (D)    : Winsock1.state=",
                "frmMailDetail Delete  CLOSE : Winsock1.state=",
                "frmMailDetail Delete (F)    : Winsock1.state=", true};
    }
    return {"", "", "", false};
}

// The message's identity for the delete check: its Message-ID, or for a mail without one a
// digest of its whole header, so that a mail without an identifier is never taken for
// another one.
QString identityOf(const QByteArray& reply) {
    const QString id = MailEntete::HeaderValue(reply, u"Message-ID");
    if (!id.isEmpty())
        return id;
    qsizetype end = reply.indexOf("\r\n\r\n");
    if (end < 0)
        end = reply.size();
    const qsizetype start = reply.indexOf('\n') + 1; // past the status line
    return QStringLiteral("#") +
           QString::fromLatin1(
               QCryptographicHash::hash(reply.mid(start, end - start), QCryptographicHash::Sha1)
                   .toHex());
}

} // namespace

Pop3Session::Pop3Session(Settings& settings, const Translator& tr, DiagnosticLog* log,
                         MessageSink& messages, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_tr(tr)
    , m_log(log)
    , m_messages(messages)
    , m_socket(new SocketControl(this)) {
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    connect(m_socket, &SocketControl::DataArrival, this, &Pop3Session::onDataArrival);
    connect(m_socket, &SocketControl::Closed, this, &Pop3Session::onClosed);
    connect(m_socket, &SocketControl::Error, this, &Pop3Session::onError);
    m_timCheckMail.setObjectName(QStringLiteral("timCheckMail"));
    m_timCheckMail.setInterval(30000);
    connect(&m_timCheckMail, &QTimer::timeout, this, &Pop3Session::timCheckMail_Timer);
    m_replyTimeout.setSingleShot(true);
    m_replyTimeout.setInterval(DefaultReplyTimeoutMs);
    connect(&m_replyTimeout, &QTimer::timeout, this, &Pop3Session::onReplyTimeout);
}

Pop3Session::~Pop3Session() = default;

bool Pop3Session::logging() const {
    return m_log && Settings::ticked(m_settings.chkMailWriteLog);
}

void Pop3Session::log(const QString& line) const {
    if (logging())
        m_log->WriteLog(MailLogName, line);
}

QString Pop3Session::socketLine(const QString& label) const {
    return label + QString::number(m_socket->State()) + QStringLiteral("  Mailstade=") +
           QString::number(m_Mailstade);
}

QString Pop3Session::countText(int count) const {
    return m_tr.Translation(11) + QLatin1Char(' ') + QString::number(count) + QLatin1Char(' ') +
           m_tr.Translation(12);
}

void Pop3Session::setView(const QString* status, const QString* step, const QString* progress,
                          const QString* trayTip) {
    if (status)
        m_status = *status;
    if (step)
        m_step = *step;
    if (progress)
        m_progress = *progress;
    if (trayTip)
        m_trayTip = *trayTip;
    emit viewChanged();
}

bool Pop3Session::networkMissing() {
    if (!Settings::ticked(m_settings.chkCheckConnection) || !m_networkUp || m_networkUp())
        return false;
    const QString text = m_tr.Translation(101);
    const QString tip = m_tr.Translation(102);
    setView(&text, &text, nullptr, &tip);
    log(socketLine(QStringLiteral("No Internet connection      : Winsock1.state=")));
    return true;
}

void Pop3Session::start(const QString& action, Starter starter, bool fromTimer) {
    const StarterLabels labels = labelsOf(starter);
    if (!fromTimer) {
        m_Mailstade = 0;
        const QString empty;
        setView(nullptr, nullptr, &empty, nullptr);
    }
    log(socketLine(QString::fromUtf8(labels.begin)));
    m_socket->Close();
    m_replyTimeout.stop();
    m_pending.clear();
    m_MailBuffer.clear();
    m_open = true;
    log(socketLine(QString::fromUtf8(labels.close)));
    m_MailAction = action;
    const QString port = m_settings.txtPort.trimmed();
    bool portOk = false;
    const int portNumber = port.toInt(&portOk);
    // Port 995 is POP3 over TLS: the password never crosses the network in clear there, and a
    // certificate that does not verify ends the session.
    m_socket->setSecure(portOk && portNumber == m_tlsPort);
    m_socket->Connect(m_settings.txtServeurIP.trimmed(), portOk ? portNumber : -1);
    m_replyTimeout.start();
    const QString progress = QStringLiteral("#");
    setView(nullptr, nullptr, &progress, nullptr);
    QString end = socketLine(QString::fromUtf8(labels.end));
    if (labels.detailed)
        end += QStringLiteral("  MailAction=") + m_MailAction + QLatin1Char(' ') +
               QString::number(m_selected);
    log(end);
    if (fromTimer)
        m_Mailstade = 8;
}

void Pop3Session::cmdCheckMail_Click() {
    if (m_settings.txtServeurIP.trimmed().isEmpty() || m_settings.txtPort.trimmed().isEmpty())
        return;
    if (networkMissing())
        return;
    m_MailCount = 0;
    start(Stat, Starter::CheckButton, false);
}

void Pop3Session::txtMailInterval_Change() {
    const int ms = m_settings.txtMailInterval.trimmed().toInt() * 1000;
    if (ms <= 60000) {
        m_timCheckMail.setInterval(std::max(ms, 1000));
        m_timerTag = 0;
    } else {
        m_timerTag = ms / 60000;
        const int rest = ms % 60000;
        m_timCheckMail.setInterval(rest == 0 ? 1000 : rest);
    }
}

void Pop3Session::timCheckMail_Timer() {
    if (m_timerTag > 0) {
        --m_timerTag;
        m_timCheckMail.setInterval(60000);
        return;
    }
    txtMailInterval_Change();
    if (m_settings.txtServeurIP.trimmed().isEmpty() || m_settings.txtPort.trimmed().isEmpty())
        return;
    if (m_Mailstade == 8) {
        const QString status = m_tr.Translation(75);
        const QString tip = m_tr.Translation(76);
        setView(&status, nullptr, nullptr, &tip);
    }
    if (networkMissing())
        return;
    if (m_socket->State() != SocketControl::sckConnected || m_Mailstade == 8)
        start(Stat, Starter::Timer, true);
}

void Pop3Session::startTimer() {
    if (!Settings::ticked(m_settings.chkCheckMail)) {
        m_timCheckMail.stop();
        return;
    }
    m_timerTag = 0;
    m_timCheckMail.setInterval(30000);
    m_timCheckMail.start();
}

void Pop3Session::stopChecking(bool shutdown) {
    setClosed();
    m_timCheckMail.stop();
    m_replyTimeout.stop();
    m_socket->Close();
    log(socketLine(shutdown ? QStringLiteral("Form_Unload (winsock1.close): Winsock1.state=")
                            : QStringLiteral("chkCheckMail unchecked CLOSE: Winsock1.state=")));
}

void Pop3Session::readMessage(int number, Starter starter) {
    m_selected = number;
    start(starter == Starter::RawView ? Rawv : Retr, starter, false);
}

void Pop3Session::deleteDisplayed() {
    start(Dele, Starter::Delete, false);
}

void Pop3Session::endSessionForListUnload() {
    if (m_socket->State() == SocketControl::sckConnected) {
        const QString step = m_tr.Translation(68);
        const QString progress = QStringLiteral("##########");
        setView(nullptr, &step, &progress, nullptr);
        log(SendLabel + QStringLiteral("QUIT "));
        m_Mailstade = 9;
        m_socket->SendData("QUIT\r\n");
    } else {
        const QString step = m_tr.Translation(73);
        const QString progress;
        setView(nullptr, &step, &progress, nullptr);
        m_Mailstade = 0;
    }
}

void Pop3Session::send(const QString& command, const QString& logged) {
    log(SendLabel + logged);
    m_replyTimeout.start();
    m_socket->SendData(command.toUtf8() + "\r\n");
}

bool Pop3Session::replyComplete(qsizetype* length) const {
    const bool multiLine = (m_Mailstade == 4 || m_Mailstade == 5) && !m_pending.startsWith("-ERR");
    if (multiLine) {
        // The status line, then lines up to the one holding a single ".".
        if (m_pending.startsWith(".\r\n")) {
            *length = 3;
            return true;
        }
        const void* hit = memmem(m_pending.constData(), size_t(m_pending.size()), "\r\n.\r\n", 5);
        const qsizetype end = hit ? static_cast<const char*>(hit) - m_pending.constData() : -1;
        if (end < 0)
            return false;
        *length = end + 5;
        return true;
    }
    const qsizetype eol = m_pending.indexOf('\n');
    if (eol < 0)
        return false;
    *length = eol + 1;
    return true;
}

void Pop3Session::onDataArrival(qint64 bytesTotal) {
    const QByteArray data = m_socket->GetData();
    if (logging())
        log(QStringLiteral(" DataArrival (data received): Winsock1.state=") +
            QString::number(m_socket->State()) + QStringLiteral("  Mailstade=") +
            QString::number(m_Mailstade) + QStringLiteral("  MailAction=") + m_MailAction +
            QStringLiteral("  BytesTotal=") + QString::number(bytesTotal) + CrLf +
            mailcharset::toUnicode(data, {}) + CrLf);
    if (!m_open || m_Mailstade > 9)
        return;
    m_pending += data;
    qsizetype length = 0;
    while (!m_pending.isEmpty() && replyComplete(&length)) {
        const QByteArray reply = m_pending.left(length);
        m_pending.remove(0, length);
        handleReply(reply);
        if (!m_open)
            return;
    }
    const bool multiLine = m_Mailstade == 4 || m_Mailstade == 5;
    const qsizetype limit = multiLine ? MaxReplyBytes : MaxLineBytes;
    if (m_MailBuffer.size() + m_pending.size() > limit) {
        // A server that never ends its reply: the session ends instead of memory growing.
        abandon(m_tr.Translation(86), m_tr.Translation(86),
                QStringLiteral(" DataArrival (error)        : reply longer than ") +
                    QString::number(limit) + QStringLiteral(" bytes, connection closed"));
    }
}

void Pop3Session::abandon(const QString& status, const QString& trayTip, const QString& logLine) {
    log(logLine);
    m_socket->Close();
    m_replyTimeout.stop();
    m_pending.clear();
    m_MailBuffer.clear();
    m_Mailstade = 0;
    setClosed();
    const QString step = m_tr.Translation(73);
    const QString progress;
    setView(&status, &step, &progress, &trayTip);
}

void Pop3Session::setClosed() {
    if (!m_open)
        return;
    m_open = false;
    emit sessionFinished();
}

void Pop3Session::finishQuietly() {
    // The answer to QUIT is a courtesy: the session is over anyway.
    m_replyTimeout.stop();
    m_socket->Close();
    m_Mailstade = 0;
    setClosed();
    const QString step = m_tr.Translation(73);
    const QString progress;
    setView(nullptr, &step, &progress, nullptr);
}

void Pop3Session::onClosed() {
    if (!m_open) {
        m_replyTimeout.stop();
        return;
    }
    if (m_Mailstade == 9) {
        finishQuietly();
        return;
    }
    // The server went away in the middle of the session: what arrived is incomplete.
    abandon(m_tr.Translation(86), m_tr.Translation(86),
            socketLine(QStringLiteral(" Closed by the server       : Winsock1.state=")));
}

void Pop3Session::onError(int number, const QString& description) {
    if (m_open && m_Mailstade == 9) {
        // The session had ended: a connection that breaks instead of answering QUIT is no fault.
        finishQuietly();
        return;
    }
    const QString status =
        QStringLiteral("Error # ") + QString::number(number) + QLatin1Char(' ') + description;
    abandon(status, m_tr.Translation(76),
            QStringLiteral(" Error                      : ") + QString::number(number) +
                QLatin1Char(' ') + description);
}

void Pop3Session::onReplyTimeout() {
    if (!m_open)
        return;
    if (m_Mailstade == 9) {
        finishQuietly();
        return;
    }
    abandon(m_tr.Translation(75), m_tr.Translation(76),
            socketLine(QStringLiteral(" Timeout                    : Winsock1.state=")));
}

void Pop3Session::handleReply(const QByteArray& reply) {
    m_replyTimeout.stop();
    if (m_Mailstade < 4) {
        QString status = mailcharset::toUnicode(reply, {});
        while (status.endsWith(u'\n') || status.endsWith(u'\r'))
            status.chop(1);
        setView(&status, nullptr, nullptr, nullptr);
    }
    if (reply.startsWith("-ERR")) {
        if (m_MailAction != Stat && m_Mailstade >= 4 && m_Mailstade <= 7) {
            m_MailCount = 9999;
            m_MailAction = Stat;
            sendStat();
        } else {
            const QString step = m_tr.Translation(68);
            const QString progress = QStringLiteral("##########");
            const QString tip = m_tr.Translation(86);
            setView(nullptr, &step, &progress, &tip);
            m_Mailstade = 9;
            send(QStringLiteral("QUIT"), QStringLiteral("QUIT"));
        }
        return;
    }
    switch (m_Mailstade) {
    case 0:
    case 8: {
        const QString step = m_tr.Translation(69);
        const QString progress = QStringLiteral("##");
        setView(nullptr, &step, &progress, nullptr);
        m_Mailstade = 1;
        send(QStringLiteral("USER ") + m_settings.txtUser,
             QStringLiteral("USER ") + m_settings.txtUser);
        break;
    }
    case 1: {
        const QString step = m_tr.Translation(70);
        const QString progress = QStringLiteral("####");
        setView(nullptr, &step, &progress, nullptr);
        m_Mailstade = 2;
        // The log never holds the password.
        send(QStringLiteral("PASS ") + m_settings.txtPass, QStringLiteral("PASS ********"));
        break;
    }
    case 2:
        if (m_MailAction == Stat) {
            sendStat();
        } else {
            m_MailBuffer.clear();
            const QString step = m_tr.Translation(88);
            const QString progress = QStringLiteral("######");
            setView(nullptr, &step, &progress, nullptr);
            m_Mailstade = 5;
            const QString command =
                QStringLiteral("TOP ") + QString::number(m_selected) +
                (m_MailAction == Dele ? QStringLiteral(" 0") : QStringLiteral(" 100"));
            send(command, command);
        }
        break;
    case 3:
        handleCount(reply);
        break;
    case 4:
        m_MailBuffer += reply;
        handleListEntry();
        break;
    case 5:
        m_MailBuffer += reply;
        if (m_MailAction == Dele)
            handleDeleteCheck();
        else
            handleRead();
        break;
    case 6:
        handleDeleted();
        break;
    case 9: {
        m_Mailstade = 0;
        setClosed();
        const QString step = m_tr.Translation(73);
        const QString progress;
        setView(nullptr, &step, &progress, nullptr);
        log(QStringLiteral(" DataArrival (QUIT)         : Winsock1.state=") +
            QString::number(m_socket->State()) + QStringLiteral("  Mailstade=") +
            QString::number(m_Mailstade) + QStringLiteral("  BytesTotal=") +
            QString::number(reply.size()));
        // The server closes after its answer; closing here too keeps a server that does not
        // from holding the next check off for good.
        m_socket->Close();
        break;
    }
    default:
        break;
    }
}

void Pop3Session::sendStat() {
    const QString step = m_tr.Translation(71);
    const QString progress = QStringLiteral("######");
    setView(nullptr, &step, &progress, nullptr);
    m_Mailstade = 3;
    send(Stat, Stat);
}

void Pop3Session::sendHeaders() {
    const QString step = m_tr.Translation(72);
    const QString progress = QStringLiteral("########");
    setView(nullptr, &step, &progress, nullptr);
    m_Mailstade = 4;
    const QString command =
        QStringLiteral("TOP ") + QString::number(m_MailIndex) + QStringLiteral(" 0");
    send(command, command);
}

void Pop3Session::handleCount(const QByteArray& reply) {
    // "+OK 3 4567": the number runs from the fifth character up to the next blank.
    const QByteArray rest = reply.mid(4);
    const qsizetype blank = rest.indexOf(' ');
    bool ok = false;
    const int count = (blank < 0 ? rest : rest.left(blank)).trimmed().toInt(&ok);
    if (!ok || count < 0) {
        m_messages.Message_box(QStringLiteral("Error 13 (Type mismatch) in Winsock1_DataArrival") +
                                   CrLf + QStringLiteral(" Length of received data = ") +
                                   QString::number(reply.size()) + QStringLiteral(" Mailstade=") +
                                   QString::number(m_Mailstade) + QStringLiteral(" Mailaction=") +
                                   m_MailAction + QStringLiteral(" Winsock.state=") +
                                   QString::number(m_socket->State()),
                               QStringLiteral("Mail Error"), msgbox::Error);
        abandon(m_tr.Translation(86), m_tr.Translation(86),
                socketLine(QStringLiteral(" DataArrival (error)        : Winsock1.state=")));
        return;
    }
    const QString number = QString::number(count);
    const QString status = countText(count);
    const QString tip =
        QStringLiteral("Quillaboard. ") + number + QLatin1Char(' ') + m_tr.Translation(12);
    setView(&status, nullptr, nullptr, &tip);
    log(QStringLiteral(" DataArrival (result)       : ") + number +
        QStringLiteral(" mail(s) waiting"));
    if (count == m_MailCount || Settings::ticked(m_settings.chkMailSilent)) {
        m_MailCount = count;
        endSession();
        return;
    }
    m_entries.clear();
    m_selected = NoSelection;
    m_MailCount = count;
    m_notifyText = m_tr.Translation(13) + CrLf + m_tr.Translation(14) + QLatin1Char(' ') + number;
    emit listCleared(status);
    m_MailIndex = 1;
    m_MailBuffer.clear();
    if (m_MailIndex <= m_MailCount)
        sendHeaders();
    else
        endSession();
}

void Pop3Session::handleListEntry() {
    const QString entry = MailEntete::HeaderValue(m_MailBuffer, u"From") + QStringLiteral(" - ") +
                          MailEntete::HeaderValue(m_MailBuffer, u"Subject");
    m_entries << entry;
    emit entryAdded(entry);
    if (m_MailIndex < m_MailCount) {
        ++m_MailIndex;
        m_MailBuffer.clear();
        sendHeaders();
        return;
    }
    m_MailBuffer.clear();
    emit listComplete(entry);
    endSession();
}

void Pop3Session::handleRead() {
    m_displayedId = identityOf(m_MailBuffer);
    const bool raw = m_MailAction == Rawv;
    const QString text = raw ? mailcharset::toUnicode(m_MailBuffer, {})
                             : MailEntete::DecodedBody(m_MailBuffer, m_tr.Translation(90));
    m_MailBuffer.clear();
    emit messageRead(text, raw);
    endSession();
}

void Pop3Session::handleDeleteCheck() {
    const QString id = identityOf(m_MailBuffer);
    m_MailBuffer.clear();
    if (!m_displayedId.isEmpty() && id == m_displayedId) {
        const QString step = m_tr.Translation(89);
        const QString progress = QStringLiteral("########");
        setView(nullptr, &step, &progress, nullptr);
        m_Mailstade = 6;
        const QString command = QStringLiteral("DELE ") + QString::number(m_selected);
        send(command, command);
        return;
    }
    // The server's message n is another one now: nothing is deleted, the list is rebuilt.
    m_MailCount = 9999;
    m_MailAction = Stat;
    sendStat();
}

void Pop3Session::handleDeleted() {
    const int index = m_selected - 1;
    if (index >= 0 && index < m_entries.size())
        m_entries.removeAt(index);
    m_selected = NoSelection;
    m_displayedId.clear();
    m_MailCount = std::max(0, m_MailCount - 1);
    const QString status = countText(m_MailCount);
    const QString tip = QStringLiteral("Quillaboard. ") + QString::number(m_MailCount) +
                        QLatin1Char(' ') + m_tr.Translation(12);
    m_notifyText = m_tr.Translation(13) + CrLf + m_tr.Translation(14) + QLatin1Char(' ') +
                   QString::number(m_MailCount);
    setView(&status, nullptr, nullptr, &tip);
    emit entryDeleted(index, int(m_entries.size()), status);
    endSession();
}

void Pop3Session::endSession() {
    const QString step = m_tr.Translation(68);
    const QString progress = QStringLiteral("##########");
    setView(nullptr, &step, &progress, nullptr);
    m_Mailstade = 9;
    send(QStringLiteral("QUIT"), QStringLiteral("QUIT"));
}
