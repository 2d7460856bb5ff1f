#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace qbtest {

// A self-signed certificate for "localhost" made with openssl in dir; false without openssl.
inline bool makeCertificate(const QString& dir, QString* certPath, QString* keyPath) {
    *certPath = dir + QStringLiteral("/cert.pem");
    *keyPath = dir + QStringLiteral("/key.pem");
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
        return false;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=DNS:localhost"),
                   QStringLiteral("-keyout"), *keyPath, QStringLiteral("-out"), *certPath});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
}

} // namespace qbtest
