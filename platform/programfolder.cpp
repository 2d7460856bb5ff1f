#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>

ProgramFolder::ProgramFolder(const QString& folder)
    : m_path(folder) {
    if (!m_path.endsWith(QLatin1Char('/')))
        m_path += QLatin1Char('/');
}

ProgramFolder ProgramFolder::ofExecutable() {
    return ProgramFolder(QCoreApplication::applicationDirPath());
}

bool ProgramFolder::hasSeparator(const QString& path) {
    return path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\'));
}

QString ProgramFolder::folderPart(const QString& path) {
    const qsizetype slash =
        qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString ProgramFolder::resolve(const QString& stored) const {
    QString p = stored.trimmed();
    if (p.isEmpty())
        return p;
    if (!hasSeparator(p))
        return m_path + p;
    return expandHome(p);
}

QString ProgramFolder::expandHome(const QString& path) {
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

QString ProgramFolder::storedForm(const QString& path) const {
    const QString p = path.trimmed();
    if (folderPart(p) == m_path)
        return p.mid(m_path.size());
    return p;
}
