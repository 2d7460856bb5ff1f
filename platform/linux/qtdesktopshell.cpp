#include "platform/qtdesktopshell.h"

#include "platform/programfolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QUrl>

QUrl QtDesktopShell::urlFor(const QString& target) {
    const QString text = target.trimmed();
    if (text.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
        return QUrl(text);
    }
    if (text.startsWith(QLatin1String("~/"))) {
        return QUrl::fromLocalFile(ProgramFolder::expandHome(text));
    }
    if (text.startsWith(QLatin1Char('/')) || QFileInfo::exists(text)) {
        return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    }
    return QUrl::fromUserInput(text);
}

bool QtDesktopShell::open(const QString& target) {
    const QUrl url = urlFor(target);
    if (!url.isValid() || url.isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

bool QtDesktopShell::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool QtDesktopShell::hasDefaultPrinter() {
    return !QPrinterInfo::defaultPrinter().isNull();
}
