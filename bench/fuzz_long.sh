#!/usr/bin/env bash
# Runs every fuzz target for as long as one likes and reports what each did: inputs run, inputs a
# second, the coverage reached (edges of the code, "cov", and libFuzzer's finer features, "ft")
# and the corpus kept. One target at a time, one job each.
#
#   bench/fuzz_long.sh [--without-asan] [SECONDS_PER_TARGET] [TARGET...]
#
# SECONDS_PER_TARGET defaults to 600; the targets default to all of them. The targets run one
# after the other, each with its corpus in build/fuzz/corpus/<target> (grown from the seeds in
# fuzz/corpus/<target>), so a long run leaves a richer corpus behind for the next one and for the
# bounded runs of scripts/test.sh. A fault stops the run with the fuzzer's report and the input
# that caused it (build/fuzz/<target>-crash-*, build/fuzz-ubsan/ without AddressSanitizer).
#
# The targets are built as scripts/test.sh builds them, with AddressSanitizer and
# UndefinedBehaviorSanitizer. With --without-asan they are built in build/fuzz-ubsan with
# UndefinedBehaviorSanitizer alone: two to three times as many inputs in the same time, for a long
# run that is after inputs rather than after every stray read (the corpus is the same one).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz
sanitize=(-DORVANT_SANITIZE=ON -DCMAKE_CXX_FLAGS= -DCMAKE_EXE_LINKER_FLAGS=)
if [ "${1:-}" = --without-asan ]; then
    build=build/fuzz-ubsan
    sanitize=(-DORVANT_SANITIZE=OFF
        "-DCMAKE_CXX_FLAGS=-fsanitize=undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
        -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=undefined)
    shift
fi
seconds=${1:-600}
shift || true

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVANT_WITH_UI=OFF -DORVANT_WITH_TESTS=OFF -DORVANT_WITH_BENCH=OFF \
    "${sanitize[@]}" -DORVANT_FUZZ=ON >/dev/null
cmake --build "$build" -j2 >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for fuzzer in "$build"/fuzz/*_fuzz; do
        [ -x "$fuzzer" ] && targets+=("$(basename "$fuzzer")")
    done
fi

printf '%-24s %8s %14s %12s %8s %8s %8s\n' target seconds executions "per second" cov ft corpus
total=0
for name in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    log=$build/$name.long.log
    if ! "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/$name-" "$corpus" "fuzz/corpus/$name" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "$name found a fault; its log: $log"
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    printf '%-24s %8s %14s %12s %8s %8s %8s\n' "$name" "$took" "$runs" \
        "$((runs / (took > 0 ? took : 1)))" "$cov" "$ft" "$(find "$corpus" -type f | wc -l)"
    total=$((total + runs))
done
echo "inputs run over all targets: $total"
