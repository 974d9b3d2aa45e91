#!/usr/bin/env bash
# Installs everything Zento needs to build, run and test on Debian 12.
# Safe to run again: packages already present are skipped, npm ci only where a lock file exists.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
    build-essential cmake pkg-config clang libclang-rt-14-dev clang-format
    libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev libsdl2-mixer-dev
    libgl-dev libgl1-mesa-dri libegl1-mesa libegl-dev
    libpng-dev libjpeg-dev libcurl4-openssl-dev libwebsockets-dev rapidjson-dev zlib1g-dev libminizip-dev libpugixml-dev libssl-dev libicu-dev libnotify-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-wqy-microhei librsvg2-bin
    xvfb xauth xdotool zip unzip gzip
    libx11-dev xfonts-base
    desktop-file-utils appstream file dpkg-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
# Node.js 20 may come from outside Debian; only install Debian's when there is none at all.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ "${#missing[@]}" -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "setup: all Debian packages present"
fi

# npm ci wherever a lock file is committed (never inside node_modules).
while IFS= read -r lock; do
    dir="$(dirname "$lock")"
    if [ -d "$dir/node_modules" ] && [ "$dir/node_modules/.package-lock.json" -nt "$lock" ]; then
        echo "setup: $dir node modules up to date"
    else
        echo "setup: npm ci in $dir"
        (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
    fi
done < <(find "$here" -name package-lock.json -not -path '*/node_modules/*' | sort)
