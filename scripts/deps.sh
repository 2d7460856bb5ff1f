#!/usr/bin/env bash
# Installs the Debian packages Quillaboard needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-multimedia-dev libgl-dev
    qt6-qpa-plugins
    xvfb xauth
    fonts-dejavu-core
    # tests: a private POP3 server with TLS, PDF read-back, entry validation, typing under Xvfb
    dovecot-core dovecot-pop3d openssl
    poppler-utils
    desktop-file-utils
    xdotool
)
if [ "${QB_WITH_FORMAT:-0}" = 1 ]; then
    packages+=(clang-format)
fi
# scripts/fuzz.sh: libFuzzer and the sanitizers come with clang
if [ "${QB_WITH_FUZZ:-0}" = 1 ]; then
    packages+=(clang)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
