#pragma once

#include <QString>

// The program's start-with-the-session entry: the XDG autostart file
// $XDG_CONFIG_HOME/autostart/Quillaboard.desktop (~/.config when the variable is unset).
// The folder is taken from the environment at every call.
namespace autostart {

[[nodiscard]] QString desktopFilePath();

// The registered program path, quotes removed; empty when there is no entry or it is
// switched off.
[[nodiscard]] QString readRunValue();
// Registers `exePath` to start with the session.
[[nodiscard]] bool writeRunValue(const QString& exePath);
// Removes the entry; true when there is none afterwards.
[[nodiscard]] bool removeRunValue();

// The Exec value for a program path: quoted when it holds blanks or reserved characters.
[[nodiscard]] QString execValue(const QString& exePath);
// The program of an Exec value (its first argument, unquoted); empty when malformed.
[[nodiscard]] QString programOfExec(const QString& exec);

} // namespace autostart
