#pragma once

#include <QString>
#include <QStringList>

// The desktop settings an alarm may change, and the machine's power.
class Desktop {
public:
    struct Result {
        enum class Status { Done, NotOffered, Failed };
        Status status = Status::Done;
        QString detail; // what failed, for the user and the log
        [[nodiscard]] bool done() const { return status == Status::Done; }
    };
    virtual ~Desktop() = default;
    // Makes the picture the desktop's wallpaper (it is converted to a file of the program's own).
    virtual Result setWallpaper(const QString& picturePath) = 0;
    // The screensavers the desktop lets a program choose from; empty when it offers no choice.
    [[nodiscard]] virtual QStringList screensavers() = 0;
    // Makes the screensaver of that index (in screensavers()) the one in use.
    virtual Result setScreensaver(int index) = 0;
    virtual Result powerOff() = 0;
};
