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
# DESKTOP says what runs around the window:
#   bare      Xvfb alone: the window moves, resizes and maximises itself
#   openbox   Xvfb with openbox: the same run, the manager moves and
#             resizes, and then maximise, minimise, restore and Alt+F4 go
#             through it; no title bar of its own may appear
#   wayland   weston's headless compositor: no xdotool there, so the window
#             is driven from inside by the Qt Test programs on the Wayland
#             platform (load, settings, export, batch, drop), checked
#             through the files they write, and nothing may be said about
#             Wayland on standard error
#
#   editing.sh DESKTOP GLASSMERE GLASSMERE_REFLECT DESKTOP_TEST EDITING_TEST BATCH_TEST
set -euo pipefail
desktop=$1
glassmere=$2
reflect=$3
desktop_test=$4
editing_test=$5
batch_test=$6
work=$(mktemp -d)
xvfb_pid=
wm_pid=
app_pid=
cleanup() {
    # Each one gone before the next run starts its own.
    local pid
    for pid in $app_pid $wm_pid $xvfb_pid; do
        if kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; fi
    done
    rm -rf "$work"
}
trap cleanup EXIT
# Every wait is for a condition, with a generous limit for a loaded machine.
limit=${limit:-600} # tenths of a second
wait_until() { # COMMAND...: until it succeeds
    for _ in $(seq $limit); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
not() { ! "$@"; }

fail() {
    echo "FAIL: $*" >&2
    DISPLAY=${display:-} /usr/bin/import -window root "$work/failure.png" 2>/dev/null &&
        cp "$work/failure.png" "${TMPDIR:-/tmp}/glassmere-e2e-failure.png" &&
        echo "screenshot: ${TMPDIR:-/tmp}/glassmere-e2e-failure.png" >&2
    exit 1
}

if [ "$desktop" = wayland ]; then
    # A compositor of our own, on a socket in a fresh runtime folder.
    export XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    socket=glassmere-e2e
    weston --backend=headless-backend.so --socket=$socket --idle-time=0 --no-config \
        --log="$work/weston.log" >/dev/null 2>&1 &
    wm_pid=$!
    wait_until test -S "$XDG_RUNTIME_DIR/$socket" || fail "weston did not start: $(tail -n 3 "$work/weston.log")"
    export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland XDG_CONFIG_HOME=$work/config
    # The headless compositor has no seat, and Qt 6.4's Wayland input method
    # then fails on the first key a test sends; the compose one needs none.
    export QT_IM_MODULE=compose
    # Without a GPU, Qt asks Mesa's software EGL driver whether it may draw
    # the dialogs' title bars, and unloads the driver at exit, which puts the
    # driver's own allocations out of the leak checker's reach. The window
    # is frameless; the dialogs go without title bars here.
    export QT_WAYLAND_DISABLE_WINDOWDECORATION=1
    unset DISPLAY # no way back to X11
    # The runs that load, change settings, export (each compared with what
    # the settings must give), convert a folder, and take a drop. Without a
    # seat nothing can be activated, so the one that moves the keyboard
    # focus between boxes of an active window is left to the X11 runs.
    editing=$("$editing_test" -functions 2>/dev/null | sed -n 's/()$//p' | grep -vx returnRendersOnceFocusOutNever |
        tr '\n' ' ')
    [ -n "$editing" ] || fail "$editing_test lists no tests"
    run_inside() { # PROGRAM [TEST...]
        local name
        name=$(basename "$1")
        "$@" -o "$work/$name.txt,txt" >/dev/null 2>"$work/$name.err" ||
            fail "$name failed on Wayland: $(cat "$work/$name.txt" "$work/$name.err")"
        # What a compositor refuses (a position, an activation) is handled
        # quietly.
        not grep -i 'wayland' "$work/$name.txt" "$work/$name.err" >&2 || fail "$name talked about Wayland"
    }
    # shellcheck disable=SC2086 # one test function per word
    run_inside "$editing_test" $editing
    run_inside "$batch_test" convertsAndLeavesTheEditorAlone
    run_inside "$desktop_test" drops edgesSeen
    echo "1 passed, 0 failed"
    exit 0
fi

# A display of our own, numbered by Xvfb itself: it takes the first number
# no other server holds (a lock file or a socket, abstract ones included,
# left by a server still on its way out) and writes it once it accepts
# connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_until test -s "$work/display" || fail "Xvfb did not start"
display=:$(cat "$work/display")
export DISPLAY=$display
unset QT_QPA_PLATFORM
if [ "$desktop" = openbox ]; then
    openbox >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    announced() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_until announced || fail "openbox did not start"
fi
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
preview() { # a fingerprint of what the preview shows (not the boxes typed into)
    /usr/bin/import -window "$win" -crop 700x560+290+130 rgb:- 2>/dev/null | md5sum
}
wait_for_new_picture() { # BEFORE: the preview shows something else, no rendering is pending, and it holds
    # The loading indicator over the preview turns every 50 ms: a picture
    # that holds over three grabs is not being rendered any more.
    local now
    for _ in $(seq $limit); do
        now=$(preview)
        [ "$now" != "$1" ] && [ "$now" = "$(preview)" ] && [ "$now" = "$(preview)" ] && return 0
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
click 141 161
answer_file_dialog '^Select a photo where the folder$' "$work/batch-in"
focus "$win" || fail "the main window never got the focus back"
click 141 203
answer_file_dialog '^Select a folder to save processing results.$' "$work/batch-out"
# A click that lands while the chooser's modal loop is still unwinding is
# lost; a person would click again, and so does this (a running batch
# ignores a second start).
focus "$win" || fail "the main window never got the focus back"
box=
for _ in 1 2 3; do
    click 62 231
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

if [ "$desktop" = openbox ]; then
    # No frame of the manager's around the skinned one.
    extents=$(xprop -id "$win" _NET_FRAME_EXTENTS 2>&1)
    [[ $extents == *"= 0, 0, 0, 0" ]] || fail "openbox framed the window: $extents"
    has_state() { xprop -id "$win" _NET_WM_STATE 2>/dev/null | grep -q "$1"; }
    title_double_click() {
        read -r pos _ < <(geometry)
        xdotool mousemove --sync $((${pos%,*} + 300)) $((${pos#*,} + 20)) click --repeat 2 --delay 60 1
    }
    # Maximised through the manager, whose state says so, over the whole
    # screen (openbox keeps no panel); a second double click restores.
    normal=$(geometry)
    title_double_click
    wait_until has_state _NET_WM_STATE_MAXIMIZED_VERT || fail "the manager does not see it maximised"
    wait_until test "$(geometry)" = "0,0 1280x1024" || fail "maximised to $(geometry)"
    title_double_click
    wait_until not has_state _NET_WM_STATE_MAXIMIZED_VERT || fail "still maximised"
    wait_until test "$(geometry)" = "$normal" || fail "restored to $(geometry), not $normal"
    # Minimised by the title band's own button, back through the manager.
    read -r _ size < <(geometry)
    click $((${size%x*} - 73)) 23
    wait_until has_state _NET_WM_STATE_HIDDEN || fail "not minimised"
    xdotool windowactivate "$win"
    wait_until not has_state _NET_WM_STATE_HIDDEN || fail "did not come back from minimise"
    viewable() { xwininfo -id "$win" | grep -q 'IsViewable'; }
    wait_until viewable || fail "not shown again"
fi

QT_QPA_PLATFORM=xcb "$desktop_test" 'drops:a photo' >"$work/drop.log" 2>&1 || {
    cat "$work/drop.log" >&2
    fail "the dropped photo was not shown"
}

if [ "$desktop" = openbox ]; then
    # Alt+F4 closes it as it closes the manager's own windows.
    focus "$win" || fail "the main window never got the focus back"
    xdotool key --clearmodifiers alt+F4
    wait_until not kill -0 "$app_pid" 2>/dev/null || fail "Alt+F4 left the program running"
    wait "$app_pid" || fail "the program ended with status $? after Alt+F4"
    app_pid=
fi
echo "1 passed, 0 failed"
