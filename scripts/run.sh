#!/usr/bin/env bash
# Sets up the machine, builds Zento, starts the local market-data feed and runs the terminal against it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"

feed_pid=""
cleanup() { [ -n "$feed_pid" ] && kill "$feed_pid" 2>/dev/null || true; }
trap cleanup EXIT INT TERM

if [ -f feed/server.js ]; then
    node feed/server.js &
    feed_pid=$!
    sleep 1
fi

if [ -x build/Zento ]; then
    build/Zento "$@"
else
    echo "run: the terminal program is not built yet; what exists has been built and tested by scripts/test.sh."
    if [ -n "$feed_pid" ]; then
        echo "run: the local feed is running (pid $feed_pid); press Ctrl+C to stop it."
        wait "$feed_pid"
    fi
fi
