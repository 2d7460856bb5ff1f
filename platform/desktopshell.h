#pragma once

#include <QString>
#include <QStringList>

// Opening addresses, files and folders with the desktop, and starting programs. Never a
// shell command line.
class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    // A web address, "mailto:" address, file or folder. False when nothing could open it.
    virtual bool open(const QString& target) = 0;
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    // Whether a default printer exists.
    virtual bool hasDefaultPrinter() = 0;
};
