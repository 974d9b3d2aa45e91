#!/usr/bin/env bash
# Builds the Debian packages: zento_<version>_<arch>.deb (the terminal, its updater, the menu entry)
# and zento-feed_<version>_all.deb (the local feed, which needs nodejs), in build-package/packages/.
# An optimised build of its own, without tests or benchmarks; arguments go to cpack.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
build=build-package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZENTO_TESTS=OFF -DZENTO_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB "$@")
ls -l "$build"/packages/*.deb
