#!/usr/bin/env bash
# Takes the README's pictures of the window on two desktops: under openbox on
# Xvfb (docs/images/window-openbox.png), and as a native Wayland client of
# weston, whose X11 back end draws its output into a window on Xvfb
# (docs/images/window-wayland.png). The photo is our own, drawn by
# tools/make-demo-photo.sh. Every wait is for a condition.
#
#   tools/desktop-screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
glassmere=$PWD/$build/glassmere
[ -x "$glassmere" ] || { echo "no $glassmere: build first" >&2; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
limit=600 # tenths of a second

# Starts an Xvfb numbered by itself (the first number no other server
# holds) and sets `display` to it once it accepts connections.
start_xvfb() {
    local number=$work/display-${#pids[@]}
    Xvfb -displayfd 3 -screen 0 1400x1000x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq $limit); do
        [ -s "$number" ] && { display=:$(cat "$number"); return 0; }
        sleep 0.1
    done
    return 1
}
screen_hash() { import -display "$1" -window root rgb:- 2>/dev/null | md5sum; }
wait_still() { # DISPLAY BEFORE: the screen differs from BEFORE and holds over three grabs
    local now
    for _ in $(seq $limit); do
        now=$(screen_hash "$1")
        [ "$now" != "$2" ] && [ "$now" = "$(screen_hash "$1")" ] && [ "$now" = "$(screen_hash "$1")" ] && return 0
        sleep 0.2
    done
    return 1
}

tools/make-demo-photo.sh "$work/photo.jpg"
export XDG_CONFIG_HOME=$work/config # nothing remembered from the user's runs

# openbox on Xvfb
start_xvfb
DISPLAY=$display openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq $limit); do
    DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
before=$(screen_hash "$display")
DISPLAY=$display QT_QPA_PLATFORM=xcb "$glassmere" "$work/photo.jpg" >/dev/null 2>&1 &
pids+=($!)
DISPLAY=$display xdotool search --sync --onlyvisible --name '^Glassmere$' >/dev/null
wait_still "$display" "$before"
import -display "$display" -window root -trim +repage docs/images/window-openbox.png
echo "docs/images/window-openbox.png"

# weston's X11 back end on a second Xvfb, the window on Wayland inside it
start_xvfb
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
DISPLAY=$display weston --backend=x11-backend.so --use-pixman --width=1360 --height=960 \
    --socket=glassmere-shots --idle-time=0 --no-config >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq $limit); do
    [ -S "$XDG_RUNTIME_DIR/glassmere-shots" ] && break
    sleep 0.1
done
wait_still "$display" "none"
before=$(screen_hash "$display")
env -u DISPLAY WAYLAND_DISPLAY=glassmere-shots QT_QPA_PLATFORM=wayland "$glassmere" "$work/photo.jpg" \
    >/dev/null 2>&1 &
pids+=($!)
wait_still "$display" "$before"
import -display "$display" -window root -trim +repage docs/images/window-wayland.png
echo "docs/images/window-wayland.png"
