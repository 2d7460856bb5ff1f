#pragma once

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// A program folder with a home of its own in a temporary folder: the XDG folders point inside
// it, so a test never touches the real home.
class TempProgramFolder {
public:
    TempProgramFolder() {
        for (const char* sub : {"prog", "home", "config", "data", "run"})
            QDir(m_root.path()).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(path(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    [[nodiscard]] QString path(const QString& sub) const { return m_root.path() + u'/' + sub; }
    // The program folder, with its trailing separator.
    [[nodiscard]] QString folder() const { return path(QStringLiteral("prog/")); }
    [[nodiscard]] QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path(QStringLiteral("run")));
        return env;
    }
    void exportEnvironment() const {
        const QProcessEnvironment env = environment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            qputenv(name, QFile::encodeName(env.value(QString::fromLatin1(name))));
    }

private:
    QTemporaryDir m_root;
};
