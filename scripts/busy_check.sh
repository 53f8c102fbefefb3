#!/usr/bin/env bash
# Runs the whole suite of the normal build several times in a row (default 3) while busy loops
# take every core, as on a developer's machine that is doing other work: a test that waits for an
# amount of time instead of for its condition fails here. Builds first what is not built yet.
#   scripts/busy_check.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
cores=$(nproc)
loops=$((cores < 2 ? 2 : cores))

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release

busy=()
stop_busy() {
    for pid in "${busy[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
trap stop_busy EXIT
for ((i = 0; i < loops; ++i)); do
    bash -c 'while :; do :; done' &
    busy+=("$!")
done
echo "== $loops busy loops on $cores cores: ${busy[*]}"

for ((run = 1; run <= runs; ++run)); do
    echo "== run $run of $runs"
    started=$SECONDS
    if ! QT_QPA_PLATFORM=offscreen ctest --test-dir build/release --output-on-failure \
        -j "$cores"; then
        echo "== run $run failed after $((SECONDS - started)) s"
        exit 1
    fi
    echo "== run $run passed in $((SECONDS - started)) s"
done
echo "== the suite passed $runs times in a row beside $loops busy loops"
