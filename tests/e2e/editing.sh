#!/usr/bin/env bash
# End to end, as a person would: the real program under its own Xvfb,
# driven with xdotool. Alt+O and a typed path load a photo; size 50 with
# Return; the right-hand direction box; Alt+S and a typed name export it as
# PNG. The "Success" box must appear and the file must be, pixel for pixel,
# what glassmere-reflect writes for the same settings. Then the window is
# resized from its bottom-right corner, and, since xdotool cannot drag
# files, DESKTOP_TEST (tst_desktop) drops a photo on a window of its own
# through the X11 platform, with the events a drop delivers, and checks
# the rendering shown.
#
#   editing.sh GLASSMERE GLASSMERE_REFLECT DESKTOP_TEST
set -euo pipefail
glassmere=$1
reflect=$2
desktop_test=$3
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
# Nothing remembered from the user's own runs: the window opens at the
# form's size, where the click positions below hold.
export XDG_CONFIG_HOME=$work/config

# A photo of our own making, opaque like a camera's.
/usr/bin/convert -size 320x200 gradient:'#2060a0-#f0c040' -fill '#c03030' -draw 'circle 160,100 160,40' \
    "PNG24:$work/photo.png"

"$glassmere" >"$work/app.log" 2>&1 &
app_pid=$!
win=$(xdotool search --sync --onlyvisible --name '^Glassmere$' | head -n 1)
[ -n "$win" ] || fail "the window did not appear"
read -r wx wy < <(xdotool getwindowgeometry "$win" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')

# Every wait is for a condition, with a generous limit for a loaded machine.
limit=${limit:-600} # tenths of a second
wait_for_window() { # NAME: waits until a visible window of that title exists, prints its id
    local id
    for _ in $(seq $limit); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
wait_gone() { # NAME
    for _ in $(seq $limit); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
focus() { # ID: gives the window the keyboard focus and waits until it has it
    for _ in $(seq $limit); do
        xdotool windowfocus "$1" 2>/dev/null || true
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
preview() { # a fingerprint of what the main window shows
    /usr/bin/import -window "$win" rgb:- 2>/dev/null | md5sum
}
wait_for_new_picture() { # BEFORE: the preview shows something else, no rendering is pending, and it holds
    local now
    for _ in $(seq $limit); do
        if ! xdotool search --onlyvisible --name '^DlgLoading$' >/dev/null 2>&1; then
            now=$(preview)
            [ "$now" != "$1" ] && [ "$now" = "$(preview)" ] && return 0
        fi
        sleep 0.1
    done
    return 1
}
click() { # X Y, relative to the main window
    xdotool mousemove --sync $((wx + $1)) $((wy + $2)) click 1
}
answer_file_dialog() { # TITLE PATH: types PATH into the dialog's name box and accepts it
    local dialog
    dialog=$(wait_for_window "$1") || fail "no dialog \"$1\""
    for _ in 1 2 3; do
        focus "$dialog" || fail "the dialog \"$1\" never got the focus"
        xdotool key --clearmodifiers ctrl+a
        xdotool type --delay 10 "$2"
        xdotool key Return
        wait_gone "$1" && return 0
    done
    fail "the dialog \"$1\" stayed open"
}

# Load: Alt+O, type the path into the file dialog, Return.
focus "$win" || fail "the main window never got the focus"
before=$(preview)
xdotool key --clearmodifiers alt+o
answer_file_dialog '^Load a photo$' "$work/photo.png"
wait_for_new_picture "$before" || fail "the first rendering was not shown"
focus "$win" || fail "the main window never got the focus back"

# A batch of another folder on the "all-at-once" tab: it must leave the
# loaded photo, its rendering and the export alone.
mkdir -p "$work/batch-in" "$work/batch-out"
/usr/bin/convert -size 90x60 xc:'#30a050' "PNG24:$work/batch-in/other.png"
click 198 140
click 141 176
answer_file_dialog '^Select a photo where the folder$' "$work/batch-in"
focus "$win" || fail "the main window never got the focus back"
click 141 229
answer_file_dialog '^Select a folder to save processing results.$' "$work/batch-out"
# A click that lands while the chooser's modal loop is still unwinding is
# lost; a person would click again, and so does this (a running batch
# ignores a second start).
focus "$win" || fail "the main window never got the focus back"
box=
for _ in 1 2 3; do
    click 62 255
    box=$(limit=150 wait_for_window '^Success$') && break
done
[ -n "$box" ] || fail "no summary after the batch"
focus "$box" || fail "the summary never got the focus"
xdotool key Return
wait_gone '^Success$' || fail "the summary did not close"
[ -f "$work/batch-out/other.png" ] || fail "the batch wrote nothing"
focus "$win" || fail "the main window never got the focus back"
click 89 140

# The right-hand direction box.
before=$(preview)
click 208 320
wait_for_new_picture "$before" || fail "the direction rendering was not shown"

# Size 50 in its text box, with Return.
before=$(preview)
click 217 370
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 50
xdotool key Return
wait_for_new_picture "$before" || fail "the size rendering was not shown"

# Export: Alt+S right after the Return in the number box, a PNG name,
# Return; the Success box must follow.
xdotool key --clearmodifiers alt+s
answer_file_dialog '^Export Reflection Phone$' "$work/out.png"
box=$(wait_for_window '^Success$') || fail "no Success box after the export"
focus "$box" || fail "the Success box never got the focus"
xdotool key Return
wait_gone '^Success$' || fail "the Success box did not close"

[ -f "$work/out.png" ] || fail "nothing was written"
"$reflect" --side right --size 50 "$work/photo.png" -o "$work/expected.png"
differing=$(/usr/bin/compare -metric AE "$work/out.png" "$work/expected.png" null: 2>&1 || true)
[ "$differing" = "0" ] || fail "the export differs from glassmere-reflect in $differing pixels"

# Resize: press 2 px inside the bottom-right corner of the visible part
# (the mask cuts 11 px off every side), move, release. No window manager
# runs here, so the window follows the pointer itself.
geometry() { xdotool getwindowgeometry "$win" | awk '/Position/ { p = $2 } /Geometry/ { print p, $2 }'; }
read -r _ size < <(geometry)
ww=${size%x*}
wh=${size#*x}
xdotool mousemove --sync $((wx + ww - 13)) $((wy + wh - 13)) mousedown 1
xdotool mousemove --sync $((wx + ww + 87)) $((wy + wh + 107)) mouseup 1
wanted="$wx,$wy $((ww + 100))x$((wh + 120))"
for _ in $(seq $limit); do
    [ "$(geometry)" = "$wanted" ] && break
    sleep 0.1
done
[ "$(geometry)" = "$wanted" ] || fail "resized to $(geometry), not $wanted"

QT_QPA_PLATFORM=xcb "$desktop_test" 'drops:a photo' >"$work/drop.log" 2>&1 || {
    cat "$work/drop.log" >&2
    fail "the dropped photo was not shown"
}
echo "1 passed, 0 failed"
