#!/usr/bin/env bash
# Puts Quillaboard into the desktop's application menu: the launcher entry in
# $XDG_DATA_HOME/applications and the icon in the hicolor theme of $XDG_DATA_HOME/icons
# (~/.local/share when the variable is unset).
# Usage: install.sh <path of the installed executable>
set -euo pipefail
# A replacement text is taken as it stands: no "&" for the match, no backslash removed.
shopt -u patsub_replacement 2>/dev/null || true
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exe="$1"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
case "$data" in /*) ;; *) data="$HOME/.local/share" ;; esac

# Exec takes a quoted argument when the path holds reserved characters; inside the quotes
# ", `, $ and \ are escaped, and a desktop entry's string escapes double each backslash again.
exec_value="$exe"
if [[ "$exe" =~ [[:space:]\"\'\\\>\<~\|\&\;\$\*\?\#\(\)\`] ]]; then
    quoted="${exe//\\/\\\\}"
    quoted="${quoted//\"/\\\"}"
    quoted="${quoted//\`/\\\`}"
    quoted="${quoted//\$/\\\$}"
    exec_value="\"${quoted}\""
fi
exec_value="${exec_value//\\/\\\\}"
exec_value="${exec_value//%/%%}"
tryexec_value="${exe//\\/\\\\}"

mkdir -p "$data/applications" "$data/icons/hicolor/scalable/apps"
entry="$data/applications/quillaboard.desktop"
tmp="$(mktemp "$data/applications/.quillaboard.XXXXXX")"
while IFS= read -r line; do
    line="${line/@EXEC@/$exec_value}"
    line="${line/@TRYEXEC@/$tryexec_value}"
    printf '%s\n' "$line"
done <"$here/quillaboard.desktop.in" >"$tmp"
chmod 644 "$tmp"
mv -f "$tmp" "$entry"
install -m 644 "$here/quillaboard.svg" "$data/icons/hicolor/scalable/apps/quillaboard.svg"

# Menus and icon caches that are kept pick up the new files; without the tools they are read
# afresh anyway.
if command -v update-desktop-database >/dev/null 2>&1; then
    update-desktop-database -q "$data/applications" || true
fi
touch "$data/icons/hicolor"
if [ -f "$data/icons/hicolor/index.theme" ] && command -v gtk-update-icon-cache >/dev/null 2>&1; then
    gtk-update-icon-cache -q -t "$data/icons/hicolor" || true
fi
echo "Launcher entry: $entry"
