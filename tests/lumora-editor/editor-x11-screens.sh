#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora-editor as a viewer on two screens, a phone's (720x1280, portrait) and a
# desktop's (1280x800), each on an X server of its own (Xvfb, openbox), driven by real
# keys (xdotool): the first window, the next and previous picture of the folder, 100 %
# and full screen. The screenshots are checked for what a person must see: the whole
# window on the screen, the picture taking most of it, the photo's pixels where the
# window says the picture is. Screenshots go to ARTEFACTS.
#
#   editor-x11-screens.sh LUMORA_EDITOR SAMPLE ARTEFACTS
#
# Exit 77 (skipped) only when no X server can be started.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    [ $# -eq 3 ] || { echo "usage: $0 LUMORA_EDITOR SAMPLE ARTEFACTS" >&2; exit 2; }
    for tool in xvfb-run xauth Xvfb openbox xdotool import convert; do
        command -v "$tool" >/dev/null \
            || { echo "editor-x11-screens: $tool is missing (scripts/test.sh installs it)" >&2
                 exit 1; }
    done
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$3"
    for screen in 720x1280 1280x800; do
        mkdir -p "$work/$screen"
        status=0
        xvfb-run -a -e "$work/$screen/xvfb.log" -s "-screen 0 ${screen}x24 -nolisten tcp" \
            bash "$0" --inside "$1" "$2" "$3" "$work/$screen" "$screen" || status=$?
        if [ ! -e "$work/$screen/display-up" ]; then
            echo "SKIP: no X server could be started here:"
            cat "$work/$screen/xvfb.log" 2>/dev/null || true
            exit 77
        fi
        [ "$status" -eq 0 ] || exit "$status"
    done
    exit 0
fi

shift
editor=$1 sample=$2 artefacts=$3 work=$4 screen=$5
xdotool getdisplaygeometry >/dev/null 2>&1 || exit 0
touch "$work/display-up"
# shellcheck source=xdrive.sh
source "$here/xdrive.sh"
XDRIVE_MAP=$work/map
# The window's remembered state (recent files, panels) stays in this run.
export XDG_CONFIG_HOME=$work/config
read -r screen_w screen_h < <(xdotool getdisplaygeometry)

app=
wm=
trap 'xdrive_finish $? "$artefacts/screens-$screen-failure.png" "$work"' EXIT
openbox --startup "touch $work/wm-up" >"$work/openbox.log" 2>&1 &
wm=$!
xdrive_until "[ -e '$work/wm-up' ]"

# Three pictures in the file manager's order 2, 9, 10: the numbers count, not the digits.
mkdir "$work/folder"
convert "$sample" -auto-orient -resize 1600x1200 "$work/folder/photo9.png"
convert "$work/folder/photo9.png" -flop "$work/folder/photo2.png"
convert "$work/folder/photo9.png" -flip "$work/folder/photo10.png"

# "x y w h" of state KEY.
rect() { xdrive_state "$1"; }

# The rectangle "x y w h" lies within the screen.
on_screen() {
    local x y w h
    read -r x y w h <<<"$1"
    [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$screen_w" ] \
        && [ $((y + h)) -le "$screen_h" ]
}

# The screenshot SHOT shows a photo, not a flat colour, within the picture's target
# where it lies on the view.
shows_photo() {
    local x y w h vx vy vw vh deviation
    read -r x y w h < <(xdotool_target picture)
    read -r vx vy vw vh < <(rect view)
    # The part of the picture on the view.
    local left=$((x > vx ? x : vx)) top=$((y > vy ? y : vy))
    local right=$((x + w < vx + vw ? x + w : vx + vw)) bottom=$((y + h < vy + vh ? y + h : vy + vh))
    deviation=$(convert "$1" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
        -colorspace Gray -format '%[fx:int(1000*standard_deviation)]' info:)
    [ "$deviation" -gt 30 ] \
        || xdrive_fail "$1: the picture's place ($left,$top to $right,$bottom) is flat" \
            "($deviation)"
}

xdotool_target() {
    awk -v n="$1" '$1 == "target" && $2 == n { print $3, $4, $5, $6; f = 1 } END { exit !f }' \
        "$XDRIVE_MAP"
}

# The view (where the picture is shown) takes at least PERCENT of the window's area.
view_share() {
    local wx wy ww wh vx vy vw vh
    read -r wx wy ww wh < <(rect window)
    read -r vx vy vw vh < <(rect view)
    echo $((100 * vw * vh / (ww * wh)))
}

echo "== $screen: the first window, as it opens"
LUMORA_EDITOR_UI_MAP=$XDRIVE_MAP QT_QPA_PLATFORM=xcb "$editor" "$work/folder/photo9.png" \
    >"$work/editor.log" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --all --pid "$app" --class lumora-editor | head -n 1)
[ -n "$window" ] || xdrive_fail "no lumora-editor window"
xdotool windowactivate --sync "$window"
xdrive_until "xdrive_is exposed 1 && xdrive_is file photo9.png && xdrive_target picture"
if [ "$screen_h" -gt "$screen_w" ]; then
    xdrive_until "xdrive_is orientation portrait"
fi
# The window manager's frame lands a moment after the window: wait for the frame.
xdrive_until "on_screen \"\$(rect window)\""
xdrive_shot "$artefacts/screens-$screen-first.png"
# Every touch target of the editor menu is on the screen, undo and redo included.
for target in open undo redo entry:EditCropPlugin; do
    read -r x y w h < <(xdotool_target "$target") || xdrive_fail "$target is not shown"
    on_screen "$x $y $w $h" || xdrive_fail "$target at $x $y $w $h is off the screen"
done
share=$(view_share)
[ "$share" -ge 50 ] || xdrive_fail "the picture's view is $share % of the window"
shows_photo "$artefacts/screens-$screen-first.png"
echo "   window $(rect window) on ${screen_w}x$screen_h, the view $share % of it"

echo "== $screen: next and previous (Right, Left, Page Up)"
xdrive_key Right
xdrive_until "xdrive_is file photo10.png"
xdrive_key Left
xdrive_until "xdrive_is file photo9.png"
xdrive_key Prior
xdrive_until "xdrive_is file photo2.png"
xdrive_key Next
xdrive_until "xdrive_is file photo9.png"

echo "== $screen: 100 % (1)"
xdrive_key 1
xdrive_until "xdrive_is zoom 100"
xdrive_shot "$artefacts/screens-$screen-100.png"
# A 1600-pixel-wide picture at 100 % covers the view from side to side.
read -r x y w h < <(xdotool_target picture)
read -r vx vy vw vh < <(rect view)
[ "$w" -ge "$vw" ] || xdrive_fail "at 100 % the picture is $w wide in a view of $vw"
shows_photo "$artefacts/screens-$screen-100.png"

echo "== $screen: full screen (F11), then Escape"
xdrive_key F11
xdrive_until "xdrive_is fullscreen 1 && [ \"\$(rect window)\" = '0 0 $screen_w $screen_h' ]"
xdrive_key f
xdrive_until "! xdrive_is zoom 100"
xdrive_shot "$artefacts/screens-$screen-fullscreen.png"
share=$(view_share)
[ "$share" -ge 70 ] || xdrive_fail "in full screen the view is $share % of the screen"
shows_photo "$artefacts/screens-$screen-fullscreen.png"
xdrive_key Escape
xdrive_until "xdrive_is fullscreen 0"
xdrive_until "on_screen \"\$(rect window)\""

xdrive_key ctrl+q
wait "$app"
app=
echo "   screenshots in $artefacts/screens-$screen-*.png"
