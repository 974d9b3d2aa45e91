#!/usr/bin/env bash
# The installed Zento: every file where the menu entry and the launchers expect it, the programs run
# from the installed tree, the validators accept the desktop and AppStream files; then the .deb files:
# their contents, an install into a scratch root with dpkg, the program run from there, and a removal
# that leaves nothing behind.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/zento-install.XXXXXX")"
feed_pid=""
cleanup() {
    if [ -n "$feed_pid" ]; then kill "$feed_pid" 2>/dev/null || true; wait "$feed_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "install test: $*" >&2
    exit 1
}
expect_in() { # TEXT PART WHAT
    case "$1" in *"$2"*) ;; *) fail "$3: no \"$2\" in: $1" ;; esac
}
export ZENTO_HOME="$work/home"
mkdir -p "$ZENTO_HOME"
unset SDL_VIDEO_X11_WMCLASS SDL_VIDEO_WAYLAND_WMCLASS

# A tree below a prefix: the layout, the entry's references, the programs.
check_tree() { # PREFIX
    local prefix="$1" file
    for file in lib/zento/Zento lib/zento/Brevanix lib/zento/res/database/config.xc \
        lib/zento/res/database/language.xc lib/zento/res/plist/image.plist lib/zento/res/fonts/MiYaHei.ttf \
        lib/zento/res/icon/zento.png lib/zento/feed/server.js lib/zento/feed/defaults.json \
        lib/zento/feed/node_modules/socket.io/package.json bin/zento bin/zento-feed \
        share/applications/zento.desktop share/icons/hicolor/scalable/apps/zento.svg \
        share/doc/zento/LICENSES.md share/doc/zento/README.md; do
        [ -e "$prefix/$file" ] || fail "$prefix: missing $file"
    done
    local size
    for size in 48 128 256; do
        expect_in "$(file -L "$prefix/share/icons/hicolor/${size}x$size/apps/zento.png")" \
            "PNG image data, $size x $size" "the ${size} px icon"
    done
    local desktop="$prefix/share/applications/zento.desktop" key
    desktop_key() { sed -n "s/^$1=//p" "$desktop"; }
    [ -x "$prefix/bin/$(desktop_key Exec | cut -d' ' -f1)" ] || fail "Exec names no program in bin/"
    [ -e "$prefix/share/icons/hicolor/scalable/apps/$(desktop_key Icon).svg" ] || fail "Icon names no icon"
    # The window announces the class and app id the entry expects (see AppDelegate).
    grep -q "WINDOW_CLASS = \"$(desktop_key StartupWMClass)\"" "$source/app/AppDelegate.h" ||
        fail "StartupWMClass $(desktop_key StartupWMClass) is not the window's class"
    grep -q "DESKTOP_ID = \"$(basename "$desktop" .desktop)\"" "$source/app/AppDelegate.h" ||
        fail "the window's app id is not the desktop entry's name"
    for key in Name GenericName Comment 'Comment\[zh_CN\]' Categories; do
        [ -n "$(desktop_key "$key")" ] || fail "no $key in the desktop entry"
    done
    [ "$(desktop_key Categories)" = "Office;Finance;" ] || fail "Categories: $(desktop_key Categories)"

    local version
    version="$("$prefix/bin/zento" --version)" || fail "zento --version failed"
    [[ "$version" =~ ^Zento\ [0-9]+$ ]] || fail "zento --version printed: $version"
}

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(tail -5 "$work/install.log")"
check_tree "$prefix"
desktop-file-validate "$prefix/share/applications/zento.desktop" || fail "desktop-file-validate refused the entry"
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[ -e "${metainfo[0]}" ] || fail "no AppStream file in share/metainfo"
grep -q "<caption>" "${metainfo[0]}" && grep -q "<release " "${metainfo[0]}" ||
    fail "the AppStream file has no screenshot caption or release"
appstreamcli validate --no-net "${metainfo[0]}" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli refused the AppStream file: $(cat "$work/appstream.log")"

# The table comes from the installed res/; servers.json and the options go over it, highest last.
config="$("$prefix/bin/zento" --print-config 2>"$work/err")"
expect_in "$config" "stockList = http://127.0.0.1:8090/stocklist [shipped table]" "--print-config"
[ ! -s "$work/err" ] || fail "--print-config complained: $(cat "$work/err")"
printf '{"sendLogUrl": "http://10.1.2.3:81/down", "stockList": "http://localhost/list"}\n' \
    >"$ZENTO_HOME/servers.json"
config="$("$prefix/bin/zento" --print-config --feed 10.9.8.7:9001 2>"$work/err")"
expect_in "$config" "stockList = http://10.9.8.7:9001/stocklist [command line]" "--feed"
expect_in "$config" "KWeekDataUrl = http://10.9.8.7:9001/aweek/ [command line]" "--feed"
expect_in "$(cat "$work/err")" "refused stockList \"http://localhost/list\"" "a refused entry"
config="$("$prefix/bin/zento" --print-config 2>/dev/null)"
expect_in "$config" "sendLogUrl = http://10.1.2.3:81/down [servers.json]" "servers.json"
expect_in "$config" "stockList = http://127.0.0.1:8090/stocklist [shipped table]" "a refused entry"
rm "$ZENTO_HOME/servers.json"

# The installed feed starts with its own modules (on free ports; it prints its address once it listens).
if command -v node >/dev/null 2>&1; then
    "$prefix/bin/zento-feed" --port 0 --news-port 0 --quiet --data "$work/feed" >"$work/feed.out" 2>&1 &
    feed_pid=$!
    for _ in $(seq 300); do
        grep -q '^feed: listening ' "$work/feed.out" && break
        kill -0 "$feed_pid" 2>/dev/null || fail "zento-feed ended: $(cat "$work/feed.out")"
        sleep 0.1
    done
    grep -q '^feed: listening ' "$work/feed.out" || fail "zento-feed did not listen: $(cat "$work/feed.out")"
    kill "$feed_pid"
    wait "$feed_pid" 2>/dev/null || true
    feed_pid=""
fi

# The packages, from the tree as built.
cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(tail -20 "$work/cpack.log")"
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
arch="$(dpkg --print-architecture)"
terminal_deb="$work/packages/zento_${version}_$arch.deb"
feed_deb="$work/packages/zento-feed_${version}_all.deb"
[ -f "$terminal_deb" ] && [ -f "$feed_deb" ] || fail "no $terminal_deb and $feed_deb: $(ls "$work/packages")"
contents="$(dpkg-deb --contents "$terminal_deb")"
for path in ./usr/bin/zento ./usr/lib/zento/Zento ./usr/lib/zento/Brevanix ./usr/lib/zento/res/database/config.xc \
    ./usr/share/applications/zento.desktop ./usr/share/icons/hicolor/256x256/apps/zento.png ./usr/share/metainfo/ \
    ./usr/share/doc/zento/LICENSES.md; do
    expect_in "$contents" " $path" "the terminal package"
done
expect_in "$(dpkg-deb --contents "$feed_deb")" " ./usr/lib/zento/feed/node_modules/socket.io/" "the feed package"
expect_in "$(dpkg-deb --field "$terminal_deb" Depends)" "libsdl2-2.0-0" "the computed library dependencies"
expect_in "$(dpkg-deb --field "$feed_deb" Depends)" "nodejs" "the feed's dependencies"

if [ "$(id -u)" -ne 0 ]; then
    echo "install test: not root, the scratch-root dpkg install is left to CI"
    exit 0
fi
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
touch "$root/var/lib/dpkg/status"
# The scratch root has none of the libraries: the host's serve the program.
dpkg --root="$root" --force-depends -i "$terminal_deb" "$feed_deb" >"$work/dpkg.log" 2>&1 ||
    fail "dpkg -i failed: $(cat "$work/dpkg.log")"
check_tree "$root/usr"
dpkg --root="$root" -r zento zento-feed >>"$work/dpkg.log" 2>&1 || fail "dpkg -r failed: $(cat "$work/dpkg.log")"
left="$(find "$root/usr" -mindepth 1 -not -type d 2>/dev/null || true)"
[ -z "$left" ] || fail "dpkg -r left files behind: $left"
echo "install test: passed"
