#include "notewindow/linkdetection.h"

#include "platform/programfolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isDrivePath(const QString& text) {
    return text.size() >= 3 && text.at(0).isLetter() && text.at(1) == QLatin1Char(':') &&
           text.at(2) == QLatin1Char('\\');
}

bool isAbsolutePath(const QString& text) {
    return text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1String("~/"));
}

} // namespace

DetectedLinks detectLinks(const QString& selection) {
    DetectedLinks links;
    // Line breaks and blanks around the selection are never part of the address.
    links.linkText = selection.trimmed();
    const QString& text = links.linkText;
    if (text.isEmpty()) {
        return links;
    }
    links.web = text.startsWith(QLatin1String("www.")) ||
                text.startsWith(QLatin1String("http://")) ||
                text.startsWith(QLatin1String("https://"));
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    links.mail = at >= 0 && text.lastIndexOf(QLatin1Char('.')) > at;
    if (isDrivePath(text) || isAbsolutePath(text)) {
        const QFileInfo info(ProgramFolder::expandHome(text));
        if (info.exists()) {
            links.file = !info.isDir();
            links.folder = info.isDir();
        }
    }
    return links;
}
