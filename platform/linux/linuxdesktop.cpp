#include "platform/linuxdesktop.h"

#include "platform/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace {

using Status = Desktop::Result::Status;

Desktop::Result failed(const QString& detail) {
    return {Status::Failed, detail};
}

QString firstLine(const QByteArray& bytes) {
    return QString::fromLocal8Bit(bytes).section(QLatin1Char('\n'), 0, 0).trimmed();
}

// A string literal for the Plasma shell's script.
QString scriptString(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    quoted.replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

bool ProcessRunner::exists(const QString& program) const {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

CommandRunner::Result ProcessRunner::run(const QString& program, const QStringList& arguments) {
    Result result;
    if (!exists(program))
        return result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(3000))
        return result;
    result.started = true;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        result.errors = "timed out";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    return result;
}

LinuxDesktop::LinuxDesktop(CommandRunner& runner, QString currentDesktop, QString home,
                           QString privateFolder)
    : m_runner(runner)
    , m_currentDesktop(std::move(currentDesktop))
    , m_home(std::move(home))
    , m_privateFolder(std::move(privateFolder)) {}

LinuxDesktop::Kind LinuxDesktop::kindOf(const QString& currentDesktop) {
    const QStringList names = currentDesktop.toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const auto has = [&names](std::initializer_list<const char*> wanted) {
        for (const char* name : wanted) {
            if (names.contains(QLatin1String(name)))
                return true;
        }
        return false;
    };
    // The derived desktops name their parent too; their own name decides.
    if (has({"X-CINNAMON", "CINNAMON"}))
        return Kind::Cinnamon;
    if (has({"MATE"}))
        return Kind::Mate;
    if (has({"XFCE"}))
        return Kind::Xfce;
    if (has({"KDE"}))
        return Kind::Plasma;
    if (has({"GNOME", "BUDGIE", "UNITY", "PANTHEON", "GNOME-FLASHBACK", "GNOME-CLASSIC"}))
        return Kind::Gnome;
    return Kind::Other;
}

std::pair<QString, QString> LinuxDesktop::wallpaperFiles() const {
    const QString first = m_privateFolder + QStringLiteral("Quillaboard.bmp");
    const QString second = m_privateFolder + QStringLiteral("Quillaboard 2.bmp");
    if (QFileInfo::exists(first))
        return {second, first};
    return {first, second};
}

QString LinuxDesktop::wallpaperFile() const {
    return wallpaperFiles().first;
}

Desktop::Result LinuxDesktop::run(const QString& program, const QStringList& arguments) {
    const CommandRunner::Result result = m_runner.run(program, arguments);
    if (!result.started)
        return failed(program + QStringLiteral(": not found"));
    if (result.exitCode != 0) {
        const QString why = firstLine(result.errors);
        return failed(
            program + QLatin1Char(' ') + arguments.value(0) + QStringLiteral(": ") +
            (why.isEmpty() ? QStringLiteral("exit status %1").arg(result.exitCode) : why));
    }
    return {};
}

Desktop::Result LinuxDesktop::setWallpaper(const QString& picturePath) {
    const QImage picture(picturePath);
    if (picture.isNull())
        return failed(picturePath + QStringLiteral(": not a picture that can be read"));
    const auto [target, other] = wallpaperFiles();
    if (!QDir().mkpath(m_privateFolder) || !picture.save(target, "BMP"))
        return failed(target + QStringLiteral(": cannot be written"));
    const Result result = applyWallpaper(target);
    // The picture of the previous change is no longer shown anywhere.
    if (result.done())
        QFile::remove(other);
    else
        QFile::remove(target);
    return result;
}

Desktop::Result LinuxDesktop::applyWallpaper(const QString& file) {
    const QString uri = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    switch (kindOf(m_currentDesktop)) {
    case Kind::Gnome: {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        Result result = run(QStringLiteral("gsettings"),
                            {QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri});
        if (!result.done())
            return result;
        // Older GNOME has no dark variant; that is no failure.
        if (m_runner
                .run(QStringLiteral("gsettings"),
                     {QStringLiteral("writable"), schema, QStringLiteral("picture-uri-dark")})
                .ok()) {
            result = run(QStringLiteral("gsettings"),
                         {QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri});
        }
        return result;
    }
    case Kind::Cinnamon:
        return run(QStringLiteral("gsettings"),
                   {QStringLiteral("set"), QStringLiteral("org.cinnamon.desktop.background"),
                    QStringLiteral("picture-uri"), uri});
    case Kind::Mate:
        return run(QStringLiteral("gsettings"),
                   {QStringLiteral("set"), QStringLiteral("org.mate.background"),
                    QStringLiteral("picture-filename"), file});
    case Kind::Xfce: {
        // Every monitor and workspace has its own "last-image" property.
        const CommandRunner::Result list = m_runner.run(
            QStringLiteral("xfconf-query"),
            {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")});
        if (!list.started)
            return failed(QStringLiteral("xfconf-query: not found"));
        QStringList properties;
        for (const QString& line : QString::fromLocal8Bit(list.output).split(QLatin1Char('\n'))) {
            if (line.trimmed().endsWith(QLatin1String("/last-image")))
                properties << line.trimmed();
        }
        if (properties.isEmpty()) {
            return run(QStringLiteral("xfconf-query"),
                       {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-p"),
                        QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"),
                        QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                        QStringLiteral("-s"), file});
        }
        for (const QString& property : properties) {
            const Result result = run(QStringLiteral("xfconf-query"),
                                      {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                                       QStringLiteral("-p"), property, QStringLiteral("-s"), file});
            if (!result.done())
                return result;
        }
        return {};
    }
    case Kind::Plasma: {
        const QString script =
            QStringLiteral("var all = desktops(); for (var i = 0; i < all.length; i++) { var d = "
                           "all[i]; d.wallpaperPlugin = \"org.kde.image\"; d.currentConfigGroup = "
                           "[\"Wallpaper\", \"org.kde.image\", \"General\"]; "
                           "d.writeConfig(\"Image\", %1); }")
                .arg(scriptString(uri));
        return run(QStringLiteral("dbus-send"),
                   {QStringLiteral("--session"), QStringLiteral("--type=method_call"),
                    QStringLiteral("--dest=org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                    QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                    QStringLiteral("string:") + script});
    }
    case Kind::Other:
        break;
    }
    if (m_runner.exists(QStringLiteral("feh")))
        return run(QStringLiteral("feh"),
                   {QStringLiteral("--no-fehbg"), QStringLiteral("--bg-fill"), file});
    if (m_runner.exists(QStringLiteral("xwallpaper")))
        return run(QStringLiteral("xwallpaper"), {QStringLiteral("--zoom"), file});
    return {Status::NotOffered, {}};
}

QString LinuxDesktop::xscreensaverFile() const {
    return QDir(m_home).filePath(QStringLiteral(".xscreensaver"));
}

QStringList LinuxDesktop::screensavers() {
    QFile file(xscreensaverFile());
    if (!m_runner.exists(QStringLiteral("xscreensaver")) || !file.open(QIODevice::ReadOnly))
        return {};
    QStringList names;
    for (const xscreensaver::Entry& entry :
         xscreensaver::programs(QString::fromUtf8(file.readAll())))
        names << entry.name;
    return names;
}

Desktop::Result LinuxDesktop::setScreensaver(int index) {
    QFile file(xscreensaverFile());
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.fileName() + QStringLiteral(": ") + file.errorString());
    const QString settings = QString::fromUtf8(file.readAll());
    file.close();
    const QList<xscreensaver::Entry> entries = xscreensaver::programs(settings);
    if (index < 0 || index >= entries.size())
        return {Status::NotOffered, {}};
    const IoError error = fileio::replaceFile(
        file.fileName(), xscreensaver::select(settings, entries.at(index).index).toUtf8());
    if (error)
        return failed(file.fileName() + QStringLiteral(": ") + error.description);
    return {};
}

Desktop::Result LinuxDesktop::powerOff() {
    return run(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
}

namespace xscreensaver {

QList<Entry> programs(const QString& settings) {
    QList<Entry> entries;
    const QStringList lines = settings.split(QLatin1Char('\n'));
    int at = 0;
    while (at < lines.size() && !lines.at(at).startsWith(QLatin1String("programs:")))
        ++at;
    if (at == lines.size())
        return entries;
    // The value runs on over lines that end with a backslash; "\n" inside it ends one entry.
    QString value = lines.at(at).mid(int(qstrlen("programs:")));
    while (value.trimmed().endsWith(QLatin1Char('\\')) && ++at < lines.size()) {
        value.chop(value.size() - value.lastIndexOf(QLatin1Char('\\')));
        value += QLatin1Char(' ') + lines.at(at);
    }
    if (value.trimmed().endsWith(QLatin1Char('\\')))
        value.chop(value.size() - value.lastIndexOf(QLatin1Char('\\')));
    int index = 0;
    for (QString item : value.split(QLatin1String("\\n"))) {
        item = item.trimmed();
        if (item.isEmpty())
            continue;
        const bool enabled = !item.startsWith(QLatin1Char('-'));
        if (!enabled)
            item = item.mid(1).trimmed();
        // An optional visual ("GL:") and an optional quoted name come before the command.
        static const QRegularExpression visual(QStringLiteral("^[A-Za-z]+:\\s*"));
        item.remove(visual);
        QString name;
        if (item.startsWith(QLatin1Char('"'))) {
            name = item.mid(1).section(QLatin1Char('"'), 0, 0);
        } else {
            name = item.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        }
        if (enabled && !name.isEmpty())
            entries.append({name, index});
        ++index;
    }
    return entries;
}

QString select(const QString& settings, int index) {
    QStringList lines = settings.split(QLatin1Char('\n'));
    bool mode = false;
    bool selected = false;
    for (QString& line : lines) {
        if (line.startsWith(QLatin1String("mode:"))) {
            line = QStringLiteral("mode:\t\tone");
            mode = true;
        } else if (line.startsWith(QLatin1String("selected:"))) {
            line = QStringLiteral("selected:\t%1").arg(index);
            selected = true;
        }
    }
    if (!mode)
        lines.prepend(QStringLiteral("mode:\t\tone"));
    if (!selected)
        lines.prepend(QStringLiteral("selected:\t%1").arg(index));
    return lines.join(QLatin1Char('\n'));
}

} // namespace xscreensaver
