#include "shell/desktopservice.h"
#include "shell/program.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // In a Wayland session with XWayland, notes run on X11, where they can place themselves.
    DesktopService::choosePlatform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillaboard"));
    QApplication::setApplicationVersion(Program::runningVersion());
    QApplication::setDesktopFileName(QStringLiteral("quillaboard"));
    QApplication::setWindowIcon(DesktopService::programIcon());
    // Closing the manager only hides it; the program ends from the tray menu or the session.
    QApplication::setQuitOnLastWindowClosed(false);

    Program program(ProgramFolder::ofExecutable());
    if (!program.start())
        return program.exitCode();
    const int loopCode = QApplication::exec();
    const bool leaveWindows = program.releaseForExit();
    // Non-zero when notes could not be saved anywhere.
    const int code = std::max(loopCode, program.exitCode());
    // Everything is saved and closed by now; the note windows go with the process.
    if (leaveWindows) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
