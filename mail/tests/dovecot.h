#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A private POP3 server for the tests: Dovecot run in the foreground by the test, with its
// own configuration, passwd-file users and Maildirs in a temporary folder, listening on free
// loopback ports (plain, and implicit TLS with a certificate made by openssl). Works as a
// normal user and as root (then the login and mail processes run as Dovecot's own users).
class Dovecot {
public:
    Dovecot();
    ~Dovecot();

    // Starts the server for these users (all with the password "secret"); false with
    // whyNot() when it cannot run here.
    bool start(const QStringList& users);
    void stop();
    [[nodiscard]] QString whyNot() const { return m_whyNot; }

    [[nodiscard]] int plainPort() const { return m_plainPort; }
    [[nodiscard]] int tlsPort() const { return m_tlsPort; }
    [[nodiscard]] QString certificatePath() const;

    // Puts a message into a user's Maildir; messages list in the order they were added.
    void addMessage(const QString& user, const QByteArray& message);
    // Removes the user's n-th message (from 1, in the order added) behind the client's back.
    void removeMessage(const QString& user, int number);
    [[nodiscard]] int messageCount(const QString& user) const;

    // A plain message with a Message-ID.
    [[nodiscard]] static QByteArray sample(const QString& from, const QString& subject,
                                           const QString& id, const QByteArray& body = "Hello");

private:
    [[nodiscard]] QString maildir(const QString& user) const;
    void own(const QString& path) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_process;
    QString m_whyNot;
    int m_plainPort = 0;
    int m_tlsPort = 0;
    int m_serial = 0;
    // Under root: the ids the mail processes run as.
    int m_mailUid = -1;
    int m_mailGid = -1;
};
