# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Sourced: drives a running lumora-editor on an X display with real input (xdotool),
# finding what to press through the map of touch targets and state the editor keeps
# when LUMORA_EDITOR_UI_MAP names a file. Set XDRIVE_MAP to that file first.
#
#   target NAME X Y W H      a touch target, in screen pixels
#   state KEY VALUE...       active, busy, modified, steps, saves, saving, comparing,
#                            picture (full size), shown (the copy on screen), selection, ...

XDRIVE_TIMEOUT=${XDRIVE_TIMEOUT:-20}

# For a script on a display of its own, run on exit with the script's status: stops the
# editor ($app) and the window manager ($wm) it started; after a failure, saves a
# screenshot as SHOT and prints the editor's output (WORK/editor.log).
xdrive_finish() {
    local status=$1 shot=$2 work=$3
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    if [ "$status" -ne 0 ]; then
        xdrive_shot "$shot" 2>/dev/null || true
        echo "--- editor output:" >&2
        cat "$work/editor.log" >&2 || true
    fi
    return 0
}

xdrive_fail() {
    echo "xdrive: $*" >&2
    if [ -n "${XDRIVE_MAP:-}" ] && [ -f "$XDRIVE_MAP" ]; then
        echo "--- editor map:" >&2
        cat "$XDRIVE_MAP" >&2
    fi
    return 1
}

# The centre of target NAME: "X Y".
xdrive_target() {
    [ -f "$XDRIVE_MAP" ] || return 1
    awk -v n="$1" '$1 == "target" && $2 == n { print $3 + int($5 / 2), $4 + int($6 / 2); f = 1 }
                   END { exit !f }' "$XDRIVE_MAP"
}

# The value of state KEY.
xdrive_state() {
    [ -f "$XDRIVE_MAP" ] || return 1
    awk -v k="$1" '$1 == "state" && $2 == k { $1 = ""; $2 = ""; sub(/^ +/, ""); print; f = 1 }
                   END { exit !f }' "$XDRIVE_MAP"
}

# Waits until the shell condition holds, polling the map; fails after the timeout.
xdrive_until() {
    local deadline=$((SECONDS + XDRIVE_TIMEOUT))
    until eval "$1" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || { xdrive_fail "timed out waiting for: $1"; return 1; }
        sleep 0.05
    done
}

xdrive_is() { [ "$(xdrive_state "$1")" = "$2" ]; }

# A press and release on target NAME, once it is shown.
xdrive_tap() {
    xdrive_until "xdrive_target '$1'" || return 1
    local x y
    read -r x y < <(xdrive_target "$1")
    xdotool mousemove --sync "$x" "$y" click 1
}

# A drag from target NAME's centre by DX DY, in steps as a finger moves.
xdrive_drag() {
    xdrive_until "xdrive_target '$1'" || return 1
    local x y step
    read -r x y < <(xdrive_target "$1")
    xdotool mousemove --sync "$x" "$y" mousedown 1
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --sync $((x + $2 * step / 8)) $((y + $3 * step / 8))
    done
    xdotool mouseup 1
}

# Keys to the focused window, as typed.
xdrive_key() {
    xdotool key --clearmodifiers "$@"
}

# The whole screen, as a person sees it.
xdrive_shot() {
    import -window root "$1"
}
