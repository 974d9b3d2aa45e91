#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (clang, the "fuzz" preset) and runs each on a fresh
# corpus for a while. A target that finds a crash, a leak or a hang fails the run.
#   scripts/fuzz.sh [SECONDS]     seconds per target, default 30
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
seconds="${1:-30}"
targets=()
for source in tests/fuzz/*Fuzzer.cpp; do targets+=("$(basename "$source" .cpp)"); done
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}"

work="$(mktemp -d "${TMPDIR:-/tmp}/zento-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
for target in "${targets[@]}"; do
    mkdir -p "$work/$target/corpus"
    # Crash files land in the target's folder; a failing run prints its own report.
    if (cd "$work/$target" && "$here/build-fuzz/$target" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 corpus >"$work/$target/log" 2>&1); then
        echo "fuzz: $target ran $seconds s: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$work/$target/log" | grep -o '[0-9]*$') inputs, no failure"
        passed=$((passed + 1))
    else
        echo "fuzz: $target FAILED"
        tail -40 "$work/$target/log"
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
