#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the core and the window under
# AddressSanitizer and UndefinedBehaviorSanitizer, the core under ThreadSanitizer, every fuzz
# target for a bounded time, then the whole suite (core and window) from the normal build. Each
# stage's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

stage_names=()
stage_seconds=()
stage_started=0
begin_stage() {
    echo "== $1"
    stage_names+=("$1")
    stage_started=$SECONDS
}
end_stage() {
    stage_seconds+=($((SECONDS - stage_started)))
}
print_stage_times() {
    echo "== stage times"
    for i in "${!stage_seconds[@]}"; do
        printf '%6d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
    done
    printf '%6d s  in all\n' "$SECONDS"
}

begin_stage "core and window with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANT_WITH_UI=ON \
    -DORVANT_WITH_BENCH=OFF -DORVANT_SANITIZE=ON >/dev/null
cmake --build build/asan
# The dependency check reads the build, it runs nothing of it: once, on the normal build, is
# enough.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    QT_QPA_PLATFORM=offscreen ctest --test-dir build/asan --output-on-failure -j "$jobs" \
    -E '^deps\.'
end_stage

begin_stage "core with ThreadSanitizer"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANT_WITH_UI=OFF \
    -DORVANT_WITH_BENCH=OFF -DORVANT_SANITIZE_THREAD=ON >/dev/null
cmake --build build/tsan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build/tsan --output-on-failure -j "$jobs"
end_stage

begin_stage "fuzzing the receivers, the settings files and the numeric field"
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANT_WITH_UI=OFF -DORVANT_WITH_TESTS=OFF -DORVANT_WITH_BENCH=OFF \
    -DORVANT_SANITIZE=ON -DORVANT_FUZZ=ON >/dev/null
cmake --build build/fuzz
for fuzzer in build/fuzz/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    mkdir -p "build/fuzz/corpus/$name" "fuzz/corpus/$name"
    # New inputs go to the build's corpus; the seeds of real frames in the repository are read.
    if ! "$fuzzer" -max_total_time="${ORVANT_FUZZ_SECONDS:-45}" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$name-" "build/fuzz/corpus/$name" "fuzz/corpus/$name" \
        >"build/fuzz/$name.log" 2>&1; then
        cat "build/fuzz/$name.log"
        echo "$name found a fault"
        exit 1
    fi
    echo "$name: $(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/$name.log")" \
        "executions, $(tail -n 1 "build/fuzz/$name.log")"
done
end_stage

begin_stage "the whole build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release
end_stage

begin_stage "every file the builds read comes from a package install-deps.sh installs"
./scripts/check-deps.sh build/asan build/tsan build/fuzz build/release
end_stage

begin_stage "the whole suite"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/release --output-on-failure -j "$jobs"
end_stage

print_stage_times
