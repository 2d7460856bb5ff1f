#include "dovecot.h"
#include "platform/testing/testcertificate.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString DovecotBinary = QStringLiteral("/usr/sbin/dovecot");

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool accepts(int port) {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, quint16(port));
    return probe.waitForConnected(200);
}

QString userName(uid_t uid) {
    const passwd* entry = getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

QString groupName(gid_t gid) {
    const group* entry = getgrgid(gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(gid);
}

} // namespace

Dovecot::Dovecot() = default;

Dovecot::~Dovecot() {
    stop();
}

QString Dovecot::certificatePath() const {
    return m_dir ? m_dir->filePath(QStringLiteral("cert.pem")) : QString();
}

QString Dovecot::maildir(const QString& user) const {
    return m_dir->filePath(QStringLiteral("home/") + user + QStringLiteral("/Maildir"));
}

void Dovecot::own(const QString& path) const {
    if (m_mailUid < 0)
        return;
    if (::chown(QFile::encodeName(path).constData(), uid_t(m_mailUid), gid_t(m_mailGid)) != 0)
        qWarning("chown %s failed", qPrintable(path));
}

bool Dovecot::start(const QStringList& users) {
    if (!QFileInfo(DovecotBinary).isExecutable()) {
        m_whyNot =
            QStringLiteral("Dovecot is not installed (packages dovecot-core, dovecot-pop3d)");
        return false;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty()) {
        m_whyNot = QStringLiteral("openssl is not installed");
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>();
    const QString root = m_dir->path();
    const bool asRoot = geteuid() == 0;
    QString internalUser = userName(geteuid());
    QString internalGroup = groupName(getegid());
    QString loginUser = internalUser;
    QString mailUser = QString::number(geteuid());
    QString mailGroup = QString::number(getegid());
    if (asRoot) {
        // Dovecot refuses to run its login and mail processes as root: they run as its own
        // users, which must reach the folder.
        const passwd* mail = getpwnam("dovecot");
        const passwd* login = getpwnam("dovenull");
        if (!mail || !login) {
            m_whyNot = QStringLiteral("running as root without the users dovecot and dovenull");
            return false;
        }
        m_mailUid = int(mail->pw_uid);
        m_mailGid = int(mail->pw_gid);
        mailUser = QString::number(m_mailUid);
        mailGroup = QString::number(m_mailGid);
        loginUser = QStringLiteral("dovenull");
        ::chmod(QFile::encodeName(root).constData(), 0755);
    }

    QString certPath;
    QString keyPath;
    if (!qbtest::makeCertificate(root, &certPath, &keyPath)) {
        m_whyNot = QStringLiteral("openssl could not make a certificate");
        return false;
    }

    QByteArray passwd;
    for (const QString& user : users) {
        passwd += user.toUtf8() + ":{PLAIN}secret\n";
        for (const char* sub : {"cur", "new", "tmp"})
            QDir().mkpath(maildir(user) + QLatin1Char('/') + QLatin1String(sub));
    }
    writeFile(root + QStringLiteral("/passwd"), passwd);
    for (const QString& sub : {QStringLiteral("run"), QStringLiteral("state")})
        QDir().mkpath(root + QLatin1Char('/') + sub);
    QDirIterator walk(root + QStringLiteral("/home"), QDir::AllEntries | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    own(root + QStringLiteral("/home"));
    while (walk.hasNext())
        own(walk.next());

    m_plainPort = freePort();
    m_tlsPort = freePort();
    const QString config =
        QStringLiteral("base_dir = %1/run\n"
                       "state_dir = %1/state\n"
                       "log_path = %1/dovecot.log\n"
                       "protocols = pop3\n"
                       "listen = 127.0.0.1\n"
                       "ssl = yes\n"
                       "ssl_cert = <%1/cert.pem\n"
                       "ssl_key = <%1/key.pem\n"
                       "disable_plaintext_auth = no\n"
                       "auth_mechanisms = plain\n"
                       "default_internal_user = %2\n"
                       "default_internal_group = %3\n"
                       "default_login_user = %4\n"
                       "first_valid_uid = 1\n"
                       "mail_location = maildir:%1/home/%u/Maildir\n"
                       "passdb {\n  driver = passwd-file\n"
                       "  args = scheme=PLAIN username_format=%u %1/passwd\n}\n"
                       "userdb {\n  driver = static\n  args = uid=%5 gid=%6 home=%1/home/%u\n}\n"
                       "service pop3-login {\n  chroot =\n"
                       "  inet_listener pop3 {\n    port = %7\n  }\n"
                       "  inet_listener pop3s {\n    port = %8\n    ssl = yes\n  }\n}\n"
                       "service anvil {\n  chroot =\n}\n"
                       "service imap-login {\n  chroot =\n}\n")
            .arg(root, internalUser, internalGroup, loginUser, mailUser, mailGroup)
            .arg(m_plainPort)
            .arg(m_tlsPort);
    writeFile(root + QStringLiteral("/dovecot.conf"), config.toUtf8());

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(DovecotBinary, {QStringLiteral("-F"), QStringLiteral("-c"),
                                    root + QStringLiteral("/dovecot.conf")});
    if (!m_process.waitForStarted(10000)) {
        m_whyNot = QStringLiteral("Dovecot did not start: ") + m_process.errorString();
        return false;
    }
    const bool up = QTest::qWaitFor(
        [&] {
            return m_process.state() != QProcess::Running ||
                   (accepts(m_plainPort) && accepts(m_tlsPort));
        },
        20000);
    if (!up || m_process.state() != QProcess::Running) {
        QFile log(root + QStringLiteral("/dovecot.log"));
        log.open(QIODevice::ReadOnly);
        m_whyNot = QStringLiteral("Dovecot did not come up: ") +
                   QString::fromLocal8Bit(m_process.readAll() + log.readAll()).right(600);
        return false;
    }
    return true;
}

void Dovecot::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void Dovecot::addMessage(const QString& user, const QByteArray& message) {
    ++m_serial;
    // Dovecot numbers new mail in the order of the time its file name carries.
    const QString name = QStringLiteral("%1.M%2P1.quillaboard-test")
                             .arg(1700000000 + m_serial)
                             .arg(m_serial, 6, 10, QLatin1Char('0'));
    const QString tmp = maildir(user) + QStringLiteral("/tmp/") + name;
    writeFile(tmp, message);
    own(tmp);
    QFile::rename(tmp, maildir(user) + QStringLiteral("/new/") + name);
}

int Dovecot::messageCount(const QString& user) const {
    return int(QDir(maildir(user) + QStringLiteral("/new")).entryList(QDir::Files).size() +
               QDir(maildir(user) + QStringLiteral("/cur")).entryList(QDir::Files).size());
}

void Dovecot::removeMessage(const QString& user, int number) {
    QStringList files;
    for (const char* sub : {"new", "cur"}) {
        const QString dir = maildir(user) + QLatin1Char('/') + QLatin1String(sub);
        for (const QString& name : QDir(dir).entryList(QDir::Files))
            files << dir + QLatin1Char('/') + name;
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    if (number >= 1 && number <= files.size())
        QFile::remove(files.at(number - 1));
}

QByteArray Dovecot::sample(const QString& from, const QString& subject, const QString& id,
                           const QByteArray& body) {
    return "From: " + from.toUtf8() + "\r\nTo: alice@example.org\r\nSubject: " + subject.toUtf8() +
           "\r\nMessage-ID: " + id.toUtf8() + "\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\n" +
           body + "\r\n";
}
