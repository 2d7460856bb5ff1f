#include "platform/xdgpaths.h"

#include <QDir>

QString xdgConfigHome() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    // Relative values are invalid and must be ignored.
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString xdgDataHome() {
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/share");
}
