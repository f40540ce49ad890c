#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora-editor on a real X server (Xvfb, openbox) with a large photo (6000 x 4000 JPEG
# made by ImageMagick), driven by real input (xdotool); the screen read from screenshots:
#   - thirty edits, then thirty undos (Ctrl+Z): the screen shows the original again;
#   - Edit, Revert to Original from the keyboard: the screen shows the original, and
#     the revert is one step that Ctrl+Z takes back;
#   - backslash held (keydown, then keyup): the original shown while held, the edited
#     picture after;
#   - Ctrl+S: the full picture is rendered in the background and written whole.
#
#   editor-x11-large.sh LUMORA_EDITOR ARTEFACTS
#
# Exit 77 (skipped) only when no X server can be started.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    [ $# -eq 2 ] || { echo "usage: $0 LUMORA_EDITOR ARTEFACTS" >&2; exit 2; }
    for tool in xvfb-run xauth Xvfb openbox xdotool import convert-im6.q16 compare-im6.q16 \
        identify; do
        command -v "$tool" >/dev/null \
            || { echo "editor-x11-large: $tool is missing (scripts/test.sh installs it)" >&2; exit 1; }
    done
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$2"
    status=0
    xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1280x1024x24 -nolisten tcp" \
        bash "$0" --inside "$1" "$2" "$work" || status=$?
    if [ ! -e "$work/display-up" ]; then
        echo "SKIP: no X server could be started here:"
        cat "$work/xvfb.log" 2>/dev/null || true
        exit 77
    fi
    exit "$status"
fi

shift
editor=$1 artefacts=$2 work=$3
xdotool getdisplaygeometry >/dev/null 2>&1 || exit 0
touch "$work/display-up"
# shellcheck source=xdrive.sh
source "$here/xdrive.sh"
XDRIVE_MAP=$work/map
# The window's remembered state (recent files, panels) stays in this run.
export XDG_CONFIG_HOME=$work/config
XDRIVE_TIMEOUT=60

app=
wm=
trap 'xdrive_finish $? "$artefacts/editor-x11-large-failure.png" "$work"' EXIT

# The screen's pixels of the picture into a PNG.
shoot_picture() {
    local x y w h
    read -r x y w h < <(awk '$1 == "target" && $2 == "picture" { print $3, $4, $5, $6; f = 1 }
                             END { exit !f }' "$XDRIVE_MAP")
    import -window root -crop "${w}x$h+$x+$y" +repage "$1"
}

# Pixels that differ between two screenshots, as ImageMagick counts them; "size" when
# their sizes differ.
differing() {
    [ "$(identify -format '%wx%h' "$1")" = "$(identify -format '%wx%h' "$2")" ] || { echo size; return; }
    compare-im6.q16 -metric AE -fuzz 2% "$1" "$2" null: 2>&1 || true
}

# Waits until the picture on screen is the same as (`same`) or unlike (`unlike`) SHOT;
# the last screenshot stays as WORK/now.png.
screen_is() {
    local how=$1 shot=$2
    check() {
        shoot_picture "$work/now.png" || return 1
        local d
        d=$(differing "$shot" "$work/now.png")
        if [ "$how" = same ]; then [ "$d" = 0 ]; else [ "$d" != 0 ]; fi
    }
    xdrive_until check || { cp "$work/now.png" "$artefacts/editor-x11-large-$how-failed.png"; return 1; }
}

openbox --startup "touch $work/wm-up" >"$work/openbox.log" 2>&1 &
wm=$!
xdrive_until "[ -e '$work/wm-up' ]"

# A photo no turn or flip leaves as it was: a gradient with a white block in one corner.
convert-im6.q16 -size 6000x4000 gradient:'#c85028-#2878c8' -fill white \
    -draw 'rectangle 0,0 1499,999' -quality 85 "$work/large.jpg"
cp "$work/large.jpg" "$work/opened.jpg"

# Save writes over the opened file here, as for a person who chose "Replace the
# Original" for good (the choice itself is editor-x11-live's and tst_editorsave's).
mkdir -p "$work/config/lumora"
printf '[save]\nchoice=2\n' >"$work/config/lumora/lumora-editor.conf"
XDG_CONFIG_HOME=$work/config LUMORA_EDITOR_UI_MAP=$XDRIVE_MAP QT_QPA_PLATFORM=xcb \
    "$editor" "$work/large.jpg" \
    >"$work/editor.log" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --all --pid "$app" --class lumora-editor | head -n 1)
[ -n "$window" ] || xdrive_fail "no lumora-editor window"
xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" 1100 760
xdotool windowactivate --sync "$window"
# The full picture held; shown, a copy smaller than it that still covers the screen
# (1280 x 1024).
covers() {
    local w h
    read -r w h < <(xdrive_state shown)
    [ -n "$h" ] && [ "$w" -ge 1280 ] && [ "$h" -ge 1024 ] && [ "$w" -lt 6000 ]
}
xdrive_until "xdrive_is exposed 1 && xdrive_is picture '6000 4000' && covers \
    && xdrive_target picture"

# The picture on screen into SHOT once two screenshots in a row agree: drawn, not half way.
steady_shot() {
    agree() {
        shoot_picture "$work/again.png" || return 1
        [ -f "$1" ] && [ "$(differing "$1" "$work/again.png")" = 0 ] && return 0
        cp "$work/again.png" "$1"
        return 1
    }
    rm -f "$1"
    xdrive_until "agree '$1'"
}
steady_shot "$work/original.png"
cp "$work/original.png" "$artefacts/editor-x11-large-original.png"

echo "== thirty edits on a 6000 x 4000 photo, then thirty undos"
edit() {
    case $(($1 % 4)) in
        0) xdrive_key ctrl+r ;;
        1) xdrive_tap entry:EditFlipHorizontalPlugin ;;
        2) xdrive_key ctrl+l ;;
        3) xdrive_tap entry:EditAutoFixPlugin ;;
    esac
}
for step in $(seq 1 30); do
    edit "$step"
    xdrive_until "xdrive_is steps $step"
    # The first edit (a flip) must show: the check below could not fail otherwise.
    [ "$step" -ne 1 ] || screen_is unlike "$work/original.png"
done
shoot_picture "$artefacts/editor-x11-large-edited.png"
for step in $(seq 29 -1 0); do
    xdrive_key ctrl+z
    xdrive_until "xdrive_is steps $step"
done
screen_is same "$work/original.png"
xdrive_is modified 0 || xdrive_fail "thirty undos leave the picture modified"
echo "after thirty undos the screen shows the original"

echo "== rotate right, flip, then Edit, Revert to Original"
xdrive_key ctrl+r
xdrive_until "xdrive_is steps 1"
xdrive_tap entry:EditFlipHorizontalPlugin
xdrive_until "xdrive_is steps 2"
screen_is unlike "$work/original.png"
steady_shot "$work/edited.png"
xdrive_key alt+e
sleep 0.3 # the menu is a window of its own: keys go to it once it is mapped
xdrive_key v
xdrive_until "xdrive_is steps 3"
screen_is same "$work/original.png"
cp "$work/now.png" "$artefacts/editor-x11-large-reverted.png"
echo "revert shows the original"
xdrive_key ctrl+z
xdrive_until "xdrive_is steps 2"
screen_is same "$work/edited.png"
echo "undo of the revert shows the edits again"

echo "== backslash held shows the original, released the edited picture"
xdotool keydown backslash
xdrive_until "xdrive_is comparing 1"
screen_is same "$work/original.png"
cp "$work/now.png" "$artefacts/editor-x11-large-compare.png"
# Held a while: the key repeats, and the original stays.
sleep 0.8
screen_is same "$work/original.png"
xdrive_is comparing 1 || xdrive_fail "the key's repeat ended the compare"
xdotool keyup backslash
xdrive_until "xdrive_is comparing 0"
screen_is same "$work/edited.png"
xdrive_is steps 2 || xdrive_fail "compare changed the history"
echo "held: the original; released: the edited picture"

echo "== save the full picture in the background (Ctrl+S)"
xdrive_key ctrl+s
xdrive_until "xdrive_is saves 1 && xdrive_is saving 0 && xdrive_is modified 0"
read -r w h < <(identify -format '%w %h\n' "$work/large.jpg")
[ "$w $h" = "4000 6000" ] || xdrive_fail "saved ${w}x$h, not the turned 4000x6000"
# The opened photo turned and flipped, as ImageMagick does it.
convert-im6.q16 "$work/opened.jpg" -rotate 90 -flop "$work/expected.png"
saved=$(compare-im6.q16 -metric RMSE "$work/large.jpg" "$work/expected.png" null: 2>&1 \
    | sed -n 's/.*(\(.*\)).*/\1/p' || true)
awk -v a="$saved" 'BEGIN { exit !(a != "" && a < 0.01) }' \
    || xdrive_fail "saved is not the photo turned and flipped (RMSE $saved)"
echo "saved the full 4000x6000 picture (RMSE $saved against ImageMagick's)"
xdrive_key ctrl+q
timeout 20 tail --pid="$app" -f /dev/null || xdrive_fail "the editor did not quit"
status=0
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || xdrive_fail "the editor ended with status $status"
echo "screenshots in $artefacts"
