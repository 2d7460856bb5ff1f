#!/usr/bin/env bash
# The long form of the kill test: the real program on 200 notes, killed with SIGKILL 200 times
# during its save cycles (the test command runs 20). Prints the count of kills and of notes
# lost; fails when a note was lost or damaged.
#
#   bash scripts/killtest.sh [kills, default 200] [seed, default random]
#
# QB_BUILD names the build folder (build, the dev preset's).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
kills="${1:-200}"
seed="${2:-$RANDOM}"
build="${QB_BUILD:-$here/build}"

bash scripts/deps.sh
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target quillaboard killtest
echo "seed $seed"
"$build/bench/killtest" --exe "$build/quillaboard" --kills "$kills" --seed "$seed"
