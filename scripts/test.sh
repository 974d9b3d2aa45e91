#!/usr/bin/env bash
# Sets up the machine, builds and runs every test.
#   scripts/test.sh          the dev build (warnings are errors, container assertions)
#   scripts/test.sh asan     the same tests under AddressSanitizer + UndefinedBehaviorSanitizer
#   scripts/test.sh tsan     the threaded tests under ThreadSanitizer
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-dev}"
cd "$here"
bash scripts/setup.sh
jobs="$(nproc)"
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"
filter=()
if [ "$preset" = "tsan" ]; then filter=(-L threads); fi
ctest --preset "$preset" -j "$jobs" --timeout 600 "${filter[@]}"
