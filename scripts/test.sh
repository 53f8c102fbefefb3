#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, the frame receiver under the fuzzer for a bounded time, then the
# whole suite (core and window) from the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

echo "== core with sanitizers"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANT_WITH_UI=OFF \
    -DORVANT_WITH_BENCH=OFF -DORVANT_SANITIZE=ON >/dev/null
cmake --build build/asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzzing the receivers"
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANT_WITH_UI=OFF -DORVANT_WITH_TESTS=OFF -DORVANT_WITH_BENCH=OFF \
    -DORVANT_SANITIZE=ON -DORVANT_FUZZ=ON >/dev/null
cmake --build build/fuzz
for fuzzer in build/fuzz/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    mkdir -p "build/fuzz/corpus/$name"
    if ! "$fuzzer" -max_total_time="${ORVANT_FUZZ_SECONDS:-45}" "build/fuzz/corpus/$name" \
        >"build/fuzz/$name.log" 2>&1; then
        cat "build/fuzz/$name.log"
        echo "$name found a fault"
        exit 1
    fi
    echo "$name: $(grep -c . "build/fuzz/$name.log") log lines, $(tail -n 1 "build/fuzz/$name.log")"
done

echo "== the whole build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release

echo "== every file the builds read comes from a package install-deps.sh installs"
./scripts/check-deps.sh build/asan build/fuzz build/release

echo "== the whole suite"
QT_QPA_PLATFORM=offscreen ctest --test-dir build/release --output-on-failure -j "$jobs"
