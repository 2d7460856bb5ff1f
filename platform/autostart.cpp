#include "platform/autostart.h"

#include "platform/xdgpaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace autostart {

namespace {

// Bigger than any entry we write; a huge file is not ours.
constexpr qint64 MaxDesktopFileBytes = 64 * 1024;

// Characters that make an Exec argument need quotes.
bool needsQuotes(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (argument.isEmpty())
        return true;
    for (const QChar c : argument) {
        if (reserved.contains(c))
            return true;
    }
    return false;
}

// The general string escapes of a desktop entry value.
QString escapeString(const QString& value) {
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString unescapeString(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

struct DesktopEntry {
    bool found = false;
    QString exec;
    bool hidden = false;
    bool disabled = false;
};

DesktopEntry readEntry() {
    DesktopEntry entry;
    QFile file(desktopFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return entry;
    const QByteArray bytes = file.read(MaxDesktopFileBytes);
    bool inMainGroup = false;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec")) {
            entry.found = true;
            entry.exec = unescapeString(value);
        } else if (key == QLatin1String("Hidden")) {
            entry.hidden = value == QLatin1String("true");
        } else if (key == QLatin1String("X-GNOME-Autostart-enabled")) {
            entry.disabled = value == QLatin1String("false");
        }
    }
    return entry;
}

} // namespace

QString desktopFilePath() {
    return xdgConfigHome() + QStringLiteral("/autostart/Quillaboard.desktop");
}

QString execValue(const QString& exePath) {
    QString argument = exePath;
    // A literal percent sign is doubled in Exec.
    argument.replace(QLatin1Char('%'), QLatin1String("%%"));
    if (!needsQuotes(exePath))
        return argument;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return quoted;
}

QString programOfExec(const QString& exec) {
    const QString text = exec.trimmed();
    QString program;
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('"'))) {
        for (i = 1; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\\') && i + 1 < text.size()) {
                program += text.at(++i);
            } else if (c == QLatin1Char('"')) {
                break;
            } else {
                program += c;
            }
        }
        // An unterminated quote makes the value malformed.
        if (i >= text.size())
            return {};
    } else {
        const qsizetype space = text.indexOf(QLatin1Char(' '));
        program = space < 0 ? text : text.left(space);
    }
    program.replace(QLatin1String("%%"), QLatin1String("%"));
    return program;
}

QString readRunValue() {
    const DesktopEntry entry = readEntry();
    if (!entry.found || entry.hidden || entry.disabled)
        return {};
    return programOfExec(entry.exec);
}

bool writeRunValue(const QString& exePath) {
    if (exePath.isEmpty())
        return false;
    const QString path = desktopFilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QByteArray content;
    content += "[Desktop Entry]\n";
    content += "Type=Application\n";
    content += "Name=Quillaboard\n";
    // The icon the launcher entry installs into the user's icon theme.
    content += "Icon=quillaboard\n";
    content += "Exec=" + escapeString(execValue(exePath)).toUtf8() + '\n';
    content += "X-GNOME-Autostart-enabled=true\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool removeRunValue() {
    const QString path = desktopFilePath();
    if (!QFileInfo::exists(path))
        return true;
    return QFile::remove(path);
}

} // namespace autostart
