#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -DQB_FUZZ=ON) and runs each for a while.
#
#   bash scripts/fuzz.sh [seconds per target, default 60]
#
# Each target first replays its seeds (fuzz/corpus/<target>) and the inputs that once failed
# (fuzz/regressions/<target>), then fuzzes from a working copy of its corpus. A failing input
# is left in <build>/artifacts/<target>/; copy it into fuzz/regressions/<target>/ with the fix.
# QB_FUZZ_BUILD names the build folder (build-fuzz), QB_FUZZ_JOBS how many targets run at
# once (1), QB_FUZZ_TARGETS which ones (all). QB_FUZZ_SEED fixes libFuzzer's seed, so that a run
# from the same corpus takes the same path (CI uses it: a run that passes here for longer than
# CI's time passes there too).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
seconds="${1:-60}"
build="${QB_FUZZ_BUILD:-$here/build-fuzz}"
jobs="${QB_FUZZ_JOBS:-1}"

QB_WITH_FUZZ=1 bash scripts/deps.sh
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_FUZZ=ON \
    >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzzers

targets=(${QB_FUZZ_TARGETS:-$(find "$build/fuzz" -maxdepth 1 -type f -executable -name 'fuzz_*' \
    -printf '%f\n' | sort)})
if [ ${#targets[@]} -eq 0 ]; then
    echo "no fuzz targets built" >&2
    exit 1
fi

# A whole notes data file holds records of 32530 bytes: room for three and the selector byte.
max_len() {
    case "$1" in
    fuzz_loader) echo 100000 ;;
    *) echo 16384 ;;
    esac
}

seed=()
if [ -n "${QB_FUZZ_SEED:-}" ]; then
    seed=(-seed="$QB_FUZZ_SEED")
    export QT_HASH_SEED=0
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run() {
    local t="$1" exe="$build/fuzz/$1"
    local seeds="$here/fuzz/corpus/$t" kept="$here/fuzz/regressions/$t"
    local work="$build/corpus/$t" artifacts="$build/artifacts/$t/"
    mkdir -p "$work" "$artifacts" "$kept"
    cp -n "$seeds"/* "$work"/ 2>/dev/null || true
    if ! "$exe" -runs=0 "$seeds" "$kept" >"$build/$t.replay.log" 2>&1; then
        echo "$t: a seed or a kept input fails (see $build/$t.replay.log)"
        return 1
    fi
    if nice -n 10 "$exe" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$artifacts" -print_final_stats=1 "${seed[@]}" "$work" \
        >"$build/$t.log" 2>&1; then
        echo "$t: ${seconds}s, $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/$t.log" \
            | grep -o '[0-9]*$') runs, no failure"
    else
        echo "$t: FAILED, input in $artifacts (see $build/$t.log)"
        return 1
    fi
}

status=0
pids=()
for t in "${targets[@]}"; do
    run "$t" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for p in "${pids[@]}"; do
    wait "$p" || status=1
done
exit $status
