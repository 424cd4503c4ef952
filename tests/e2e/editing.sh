#!/usr/bin/env bash
# End to end, as a person would: the real program under its own Xvfb,
# driven with xdotool. Alt+O and a typed path load a photo; size 50 with
# Return; the right-hand direction box; Alt+S and a typed name export it as
# PNG. The "Success" box must appear and the file must be, pixel for pixel,
# what glassmere-reflect writes for the same settings.
#
#   editing.sh GLASSMERE GLASSMERE_REFLECT
set -euo pipefail
glassmere=$1
reflect=$2
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    DISPLAY=$display /usr/bin/import -window root "$work/failure.png" 2>/dev/null &&
        cp "$work/failure.png" "${TMPDIR:-/tmp}/glassmere-e2e-failure.png" &&
        echo "screenshot: ${TMPDIR:-/tmp}/glassmere-e2e-failure.png" >&2
    exit 1
}

# A display of our own: the first free number from 140 on.
display=
for n in $(seq 140 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=:$n
        break
    fi
done
[ -n "$display" ] || fail "no free X display"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    DISPLAY=$display xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
export DISPLAY=$display
unset QT_QPA_PLATFORM

# A photo of our own making, opaque like a camera's.
/usr/bin/convert -size 320x200 gradient:'#2060a0-#f0c040' -fill '#c03030' -draw 'circle 160,100 160,40' \
    "PNG24:$work/photo.png"

"$glassmere" >"$work/app.log" 2>&1 &
app_pid=$!
win=$(xdotool search --sync --onlyvisible --name '^Glassmere$' | head -n 1)
[ -n "$win" ] || fail "the window did not appear"
xdotool windowfocus --sync "$win"
read -r wx wy < <(xdotool getwindowgeometry "$win" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')

wait_for_window() { # NAME: waits until a visible window of that title exists, prints its id
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
wait_gone() { # NAME
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
click() { # X Y, relative to the main window
    xdotool mousemove --sync $((wx + $1)) $((wy + $2)) click 1
}

# Load: Alt+O, type the path into the file dialog, Return.
xdotool key --clearmodifiers alt+o
dialog=$(wait_for_window '^Load a photo$') || fail "Alt+O opened no file dialog"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 10 "$work/photo.png"
xdotool key Return
wait_gone '^Load a photo$' || fail "the file dialog stayed open"
wait_gone '^DlgLoading$' || fail "the first rendering did not finish"
xdotool windowfocus --sync "$win"

# Size 50 in its text box, with Return.
click 217 370
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 50
xdotool key Return
sleep 0.5
wait_gone '^DlgLoading$' || fail "the size rendering did not finish"

# The right-hand direction box.
click 208 320
sleep 0.5
wait_gone '^DlgLoading$' || fail "the direction rendering did not finish"

# Export: Alt+S, type a PNG name, Return; the Success box must follow.
xdotool windowfocus --sync "$win"
xdotool key --clearmodifiers alt+s
dialog=$(wait_for_window '^Export Reflection Phone$') || fail "Alt+S opened no save dialog"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 10 "$work/out.png"
xdotool key Return
box=$(wait_for_window '^Success$') || fail "no Success box after the export"
xdotool windowfocus --sync "$box"
xdotool key Return
wait_gone '^Success$' || fail "the Success box did not close"

[ -f "$work/out.png" ] || fail "nothing was written"
"$reflect" --side right --size 50 "$work/photo.png" -o "$work/expected.png"
differing=$(/usr/bin/compare -metric AE "$work/out.png" "$work/expected.png" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "the export differs from glassmere-reflect in $differing pixels"
echo "1 passed, 0 failed"
