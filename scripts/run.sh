#!/usr/bin/env bash
# Builds Quillaboard, installs it into the user's own program folder and starts it there.
# The notes live beside the executable, so they survive rebuilds and upgrades of the source.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/deps.sh

cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc)"

prefix="${QUILLABOARD_HOME:-$HOME/.local/share/quillaboard}"
cmake --install build --prefix "$prefix" >/dev/null
echo "Quillaboard installed in $prefix"
# The application menu's entry and the icon, so the program can be started from there.
bash desktop/install.sh "$prefix/quillaboard"
exec "$prefix/quillaboard" "$@"
