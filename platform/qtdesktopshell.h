#pragma once

#include "platform/desktopshell.h"

class QUrl;

// Opens targets with the desktop's default handlers and starts programs directly, never
// through a shell command line.
class QtDesktopShell final : public DesktopShell {
public:
    bool open(const QString& target) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool hasDefaultPrinter() override;

    // The address a target opens: "mailto:" and scheme addresses as they stand, local paths
    // ("/...", "~/...", existing files) as file addresses, anything else as typed by a user.
    [[nodiscard]] static QUrl urlFor(const QString& target);
};
