#!/usr/bin/env bash
# Sets up the machine, builds the terminal and its updater, starts the local market-data feed and runs
# the terminal against it. Arguments go to the terminal (Zento --help lists them).
# FEED_WAIT_SECONDS: how long to wait for the feed to listen (default 30).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake --preset default
# Only the programs that run here (their generated resources come with them); tests and benchmarks
# are scripts/test.sh's business.
cmake --build --preset default -j "$(nproc)" --target Zento Brevanix

feed_pid=""
feed_out="$(mktemp "${TMPDIR:-/tmp}/zento-feed.XXXXXX")"
cleanup() {
    if [ -n "$feed_pid" ]; then kill "$feed_pid" 2>/dev/null || true; wait "$feed_pid" 2>/dev/null || true; fi
    rm -f "$feed_out"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

node feed/server.js >"$feed_out" &
feed_pid=$!
# The feed prints its listening line once both ports take connections.
wait_seconds="${FEED_WAIT_SECONDS:-30}"
tries=$((wait_seconds * 10))
until grep -q '^feed: listening ' "$feed_out"; do
    if ! kill -0 "$feed_pid" 2>/dev/null; then
        echo "run: the feed ended before it listened (is another feed already using its ports?)" >&2
        exit 1
    fi
    tries=$((tries - 1))
    if [ "$tries" -lt 0 ]; then
        echo "run: the feed did not report listening within ${wait_seconds} s; giving up" >&2
        exit 1
    fi
    sleep 0.1
done
grep '^feed: listening ' "$feed_out"

build/Zento "$@"
