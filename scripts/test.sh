#!/usr/bin/env bash
# Builds Quillaboard and runs every test (headless).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/deps.sh

preset="${QB_PRESET:-dev}"
extra=()
if [ "${QB_WERROR:-0}" = 1 ]; then
    extra+=(-DQB_WERROR=ON)
fi
cmake --preset "$preset" "${extra[@]}" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" --no-tests=error -j"$(nproc)"
