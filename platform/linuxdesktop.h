#pragma once

#include "platform/commandrunner.h"
#include "platform/desktop.h"

#include <utility>

// The desktop actions on the Linux desktops people use, chosen from XDG_CURRENT_DESKTOP:
// GNOME and its relatives through gsettings, Cinnamon and MATE through their own schemas, Xfce
// through xfconf-query, Plasma through its shell's scripting call over D-Bus, and feh or
// xwallpaper for bare window managers. The screensaver choice is xscreensaver's own list.
class LinuxDesktop final : public Desktop {
public:
    enum class Kind { Gnome, Cinnamon, Mate, Xfce, Plasma, Other };
    // `currentDesktop`: the value of XDG_CURRENT_DESKTOP; `home`: the user's home folder;
    // `privateFolder`: where the converted wallpaper is written.
    LinuxDesktop(CommandRunner& runner, QString currentDesktop, QString home,
                 QString privateFolder);

    // Desktops name themselves as a colon-separated list ("ubuntu:GNOME", "X-Cinnamon").
    [[nodiscard]] static Kind kindOf(const QString& currentDesktop);
    // The file the wallpaper is converted to. Two names take turns: desktops that see the same
    // address again do not reload the picture.
    [[nodiscard]] QString wallpaperFile() const;

    Result setWallpaper(const QString& picturePath) override;
    [[nodiscard]] QStringList screensavers() override;
    Result setScreensaver(int index) override;
    Result powerOff() override;

private:
    // The name to write the wallpaper to now, and the one the previous change used.
    [[nodiscard]] std::pair<QString, QString> wallpaperFiles() const;
    Result applyWallpaper(const QString& file);
    Result run(const QString& program, const QStringList& arguments);
    [[nodiscard]] QString xscreensaverFile() const;

    CommandRunner& m_runner;
    QString m_currentDesktop;
    QString m_home;
    QString m_privateFolder;
};

// The settings file of xscreensaver (~/.xscreensaver): its list of screensavers and the
// choice of one.
namespace xscreensaver {
struct Entry {
    QString name;
    int index = 0; // position in the "programs:" list, which "selected:" counts
};
// The enabled screensavers of the list; disabled ones ("-" in front) are left out.
[[nodiscard]] QList<Entry> programs(const QString& settings);
// The settings with "mode: one" and "selected: <index>", every other line as it was.
[[nodiscard]] QString select(const QString& settings, int index);
} // namespace xscreensaver
