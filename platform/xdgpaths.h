#pragma once

#include <QString>

// The per-user configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
// ~/.config. Read from the environment at every call so tests can point it elsewhere.
[[nodiscard]] QString xdgConfigHome();
// The per-user data folder: $XDG_DATA_HOME when absolute, else ~/.local/share.
[[nodiscard]] QString xdgDataHome();
