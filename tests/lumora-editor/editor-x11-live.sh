#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora-editor on a real X server (Xvfb, openbox), driven by real input (xdotool), in
# what the screen shows while an entry is active and what the world around the window
# does to it. The screen is read from screenshots, pictures with ImageMagick:
#   - a tap on an effect changes the picture's pixels on screen before Confirm, and
#     Cancel brings the same pixels back;
#   - the opened JPEG cut short, then rewritten with another picture, under the open
#     window: Save does not crash, the file holds the picture on screen, and the message
#     bar says that the file had changed;
#   - Ctrl+Q with a dragged crop: the prompt's Save confirms the crop, then saves.
#
#   editor-x11-live.sh LUMORA_EDITOR SAMPLE ARTEFACTS
#
# Exit 77 (skipped) only when no X server can be started.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    [ $# -eq 3 ] || { echo "usage: $0 LUMORA_EDITOR SAMPLE ARTEFACTS" >&2; exit 2; }
    for tool in xvfb-run xauth Xvfb openbox xdotool import compare convert identify; do
        command -v "$tool" >/dev/null \
            || { echo "editor-x11-live: $tool is missing (scripts/test.sh installs it)" >&2; exit 1; }
    done
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$3"
    status=0
    xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1280x1024x24 -nolisten tcp" \
        bash "$0" --inside "$1" "$2" "$3" "$work" || status=$?
    if [ ! -e "$work/display-up" ]; then
        echo "SKIP: no X server could be started here:"
        cat "$work/xvfb.log" 2>/dev/null || true
        exit 77
    fi
    exit "$status"
fi

shift
editor=$1 sample=$2 artefacts=$3 work=$4
# xvfb-run goes on even when its server did not come up: see for ourselves.
xdotool getdisplaygeometry >/dev/null 2>&1 || exit 0
touch "$work/display-up"
# shellcheck source=xdrive.sh
source "$here/xdrive.sh"
XDRIVE_MAP=$work/map
# The window's remembered state (recent files, panels) stays in this run.
export XDG_CONFIG_HOME=$work/config

app=
wm=
trap 'xdrive_finish $? "$artefacts/editor-x11-live-failure.png" "$work"' EXIT

# The picture's place on screen: "X Y W H"; with "middle", its middle half, clear of a
# tool bar laid over its bottom.
picture_rect() {
    awk -v m="${1:-}" '$1 == "target" && $2 == "picture" {
        if (m == "middle") print $3 + int($5 / 4), $4 + int($6 / 4), int($5 / 2), int($6 / 2)
        else print $3, $4, $5, $6; f = 1 } END { exit !f }' "$XDRIVE_MAP"
}

# The screen's pixels of the picture (or its middle half) into a PNG.
shoot_picture() {
    local x y w h
    read -r x y w h < <(picture_rect "${2:-}")
    import -window root -crop "${w}x$h+$x+$y" +repage "$1"
}

# The picture (or its middle half) as shown once two screenshots in a row agree: drawn,
# not half way.
shoot_steady() {
    steady() {
        shoot_picture "$work/steady.png" "${2:-}" || return 1
        if [ -f "$1" ] && [ "$(compare -metric AE "$1" "$work/steady.png" null: 2>&1)" = 0 ]; then
            return 0
        fi
        cp "$work/steady.png" "$1"
        return 1
    }
    rm -f "$1"
    xdrive_until "steady '$1' '${2:-}'"
}

# Mean saturation of a picture, 0..1.
saturation() {
    convert "$1" -colorspace HSL -channel G -separate +channel -format '%[fx:mean]' info:
}

# Normalised root-mean-square difference of two pictures of one size, 0..1.
rmse() {
    compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p' || true
}

below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a != "" && a < b) }'; }

# The saved file at the size the screen shows it, against the screenshot SHOT: close,
# while the picture OTHER (what the file was rewritten with) is far from it.
saved_is_shown() {
    local shot=$1 other=$2 name=$3 w h near far
    read -r w h < <(identify -format '%w %h\n' "$shot")
    convert "$work/photo.jpg" -resize "${w}x$h!" "$work/saved-shown.png"
    near=$(rmse "$shot" "$work/saved-shown.png")
    echo "$name: saved against screen RMSE $near"
    if ! below "$near" 0.04; then
        cp "$shot" "$artefacts/editor-x11-live-$name-screen.png"
        cp "$work/saved-shown.png" "$artefacts/editor-x11-live-$name-saved.png"
        xdrive_fail "$name: the saved file is not the picture on screen (RMSE $near)"
        return 1
    fi
    if [ -n "$other" ]; then
        convert "$other" -auto-orient -resize "${w}x$h!" "$work/other-shown.png"
        far=$(rmse "$shot" "$work/other-shown.png")
        echo "$name: rewritten file against screen RMSE $far"
        below 0.1 "$far" || { xdrive_fail "$name: the rewritten file looks like the screen too ($far)"; return 1; }
    fi
}

openbox --startup "touch $work/wm-up" >"$work/openbox.log" 2>&1 &
wm=$!
xdrive_until "[ -e '$work/wm-up' ]"

cp "$sample" "$work/photo.jpg"
cp "$sample" "$work/original.jpg"
# What another program writes over the file: the same photo's negative.
convert "$sample" -negate "$work/other.jpg"

# Nothing remembered: Save asks whether to write a copy or replace the photo.
mkdir -p "$work/config"
XDG_CONFIG_HOME=$work/config LUMORA_EDITOR_UI_MAP=$XDRIVE_MAP QT_QPA_PLATFORM=xcb \
    "$editor" "$work/photo.jpg" \
    >"$work/editor.log" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --all --pid "$app" --class lumora-editor | head -n 1)
[ -n "$window" ] || xdrive_fail "no lumora-editor window"
xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" 1100 760
xdotool windowactivate --sync "$window"
xdrive_until "xdrive_is exposed 1 && xdrive_is orientation landscape && xdrive_target picture"

echo "== a tap on black and white shows grey before Confirm; Cancel shows the picture again"
# The picture before the entry is picked: Cancel must show it in the same place again.
shoot_steady "$work/before.png" middle
colourful=$(saturation "$work/before.png")
below 0.08 "$colourful" || xdrive_fail "the sample shows too little colour to tell ($colourful)"
xdrive_tap entry:EditVintageEffectsPlugin
xdrive_until "xdrive_is active EditVintageEffectsPlugin && xdrive_target toolbar:BlackAndWhiteButton"
xdrive_tap toolbar:BlackAndWhiteButton
grey_shown() {
    shoot_picture "$work/tapped.png" middle && below "$(saturation "$work/tapped.png")" 0.01
}
xdrive_until grey_shown
xdrive_is active EditVintageEffectsPlugin || xdrive_fail "the entry was left before Confirm"
cp "$work/tapped.png" "$artefacts/editor-x11-live-tapped.png"
echo "saturation on screen: $colourful before the tap, $(saturation "$work/tapped.png") after"
xdrive_tap cancel
xdrive_until "xdrive_is active -"
as_before() {
    shoot_picture "$work/cancelled.png" middle \
        && [ "$(compare -metric AE -fuzz 1% "$work/before.png" "$work/cancelled.png" null: 2>&1)" = 0 ]
}
xdrive_until as_before
echo "after Cancel the screen shows the picture as before"

# Ctrl+S and "Replace the Original" (Alt+R) in the question it asks.
save_replacing() {
    xdrive_key ctrl+s
    local question
    question=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$app" --name "^Save$" \
        | head -n 1)
    [ -n "$question" ] || xdrive_fail "Save asked nothing"
    xdrive_until "[ \"\$(xdotool getactivewindow)\" = $question ]"
    xdrive_key alt+r
}

echo "== rotate right, cut the file short under the window, save (Ctrl+S, Replace)"
xdrive_key ctrl+r
xdrive_until "xdrive_is steps 1"
truncate -s $(($(stat -c %s "$work/photo.jpg") / 3)) "$work/photo.jpg"
shoot_steady "$work/shown-1.png"
save_replacing
xdrive_until "xdrive_is saves 1 && xdrive_is modified 0"
kill -0 "$app" || xdrive_fail "the editor died saving over a file cut short"
xdrive_state message | grep -q "changed on disk" || xdrive_fail "no word of the changed file"
saved_is_shown "$work/shown-1.png" "" cut-short

echo "== rotate right again, rewrite the file in place with another picture, save"
xdrive_key ctrl+r
xdrive_until "xdrive_is steps 2"
cat "$work/other.jpg" >"$work/photo.jpg"
shoot_steady "$work/shown-2.png"
save_replacing
xdrive_until "xdrive_is saves 2 && xdrive_is modified 0"
xdrive_state message | grep -q "changed on disk" || xdrive_fail "no word of the changed file"
saved_is_shown "$work/shown-2.png" "$work/other.jpg" rewritten
# And the held photo, turned: what ImageMagick makes of the original.
convert "$work/original.jpg" -auto-orient -rotate 180 "$work/expected-turned.png"
turned=$(rmse "$work/photo.jpg" "$work/expected-turned.png")
below "$turned" 0.01 || xdrive_fail "saved is not the opened photo turned half round ($turned)"
echo "saved equals the opened photo turned (RMSE $turned)"

echo "== crop (C), drag a corner, quit (Ctrl+Q), Return in the prompt: a copy"
xdrive_key c
xdrive_until "xdrive_is active EditCropPlugin && xdrive_target handle:2"
before=$(xdrive_state selection)
xdrive_drag handle:2 -160 -120
xdrive_until "[ \"\$(xdrive_state selection)\" != '$before' ]"
read -r sx sy sw sh < <(xdrive_state selection)
xdrive_key ctrl+q
prompt=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$app" --name "^Unsaved changes$" | head -n 1)
[ -n "$prompt" ] || xdrive_fail "no unsaved-changes prompt"
xdrive_until "[ \"\$(xdotool getactivewindow)\" = $prompt ]"
xdrive_shot "$artefacts/editor-x11-live-prompt.png"
photo_sum=$(sha256sum <"$work/photo.jpg")
xdrive_key Return # Save as a Copy, the default
status=0
timeout 20 tail --pid="$app" -f /dev/null || xdrive_fail "the editor did not quit after Save"
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || xdrive_fail "the editor ended with status $status"
[ "$(sha256sum <"$work/photo.jpg")" = "$photo_sum" ] || xdrive_fail "the photo was replaced"
[ -f "$work/photo-edited.jpg" ] || xdrive_fail "no copy photo-edited.jpg beside the photo"
read -r w h < <(identify -format '%w %h\n' "$work/photo-edited.jpg")
[ "$w $h" = "$sw $sh" ] || xdrive_fail "saved ${w}x$h, the crop was ${sw}x$sh"
convert "$work/original.jpg" -auto-orient -rotate 180 -crop "${sw}x$sh+$sx+$sy" +repage \
    "$work/expected-crop.png"
cropped=$(rmse "$work/photo-edited.jpg" "$work/expected-crop.png")
below "$cropped" 0.02 || xdrive_fail "saved is not the crop of the picture (RMSE $cropped)"
echo "quit with a crop in progress saved the ${sw}x$sh crop at $sx,$sy as a copy (RMSE $cropped);"
echo "the photo's bytes are unchanged"
echo "screenshots in $artefacts"
