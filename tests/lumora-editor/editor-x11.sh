#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora-editor end to end on a real X server (Xvfb, with openbox as window manager),
# driven by real key and mouse input (xdotool): opens a picture through the file
# dialog, rotates it, crops it
# by dragging a corner, applies an effect, undoes the effect and saves. The saved file
# must equal what lumora-edit makes of the same picture with the same edits. Screenshots
# of the screen go to ARTEFACTS.
#
#   editor-x11.sh LUMORA_EDITOR LUMORA_EDIT SAMPLE ARTEFACTS
#
# Exit 77 (skipped) only when no X server can be started.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    [ $# -eq 4 ] || { echo "usage: $0 LUMORA_EDITOR LUMORA_EDIT SAMPLE ARTEFACTS" >&2; exit 2; }
    for tool in xvfb-run xauth Xvfb openbox xdotool import compare convert; do
        command -v "$tool" >/dev/null \
            || { echo "editor-x11: $tool is missing (scripts/test.sh installs it)" >&2; exit 1; }
    done
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$4"
    status=0
    xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1280x1024x24 -nolisten tcp" \
        bash "$0" --inside "$1" "$2" "$3" "$4" "$work" || status=$?
    if [ ! -e "$work/display-up" ]; then
        echo "SKIP: no X server could be started here:"
        cat "$work/xvfb.log" 2>/dev/null || true
        exit 77
    fi
    exit "$status"
fi

shift
editor=$1 edit=$2 sample=$3 artefacts=$4 work=$5
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
trap 'xdrive_finish $? "$artefacts/editor-x11-failure.png" "$work"' EXIT

openbox --startup "touch $work/wm-up" >"$work/openbox.log" 2>&1 &
wm=$!
xdrive_until "[ -e '$work/wm-up' ]"

# PNG in and out, so that the comparison is of pixels, not of two encoders.
convert "$sample" -depth 8 "$work/original.png"
cp "$work/original.png" "$work/picture.png"

# Save writes over the opened file here, as for a person who chose "Replace the
# Original" for good (the choice itself is editor-x11-live's and tst_editorsave's).
mkdir -p "$work/config/lumora"
printf '[save]\nchoice=2\n' >"$work/config/lumora/lumora-editor.conf"
XDG_CONFIG_HOME=$work/config LUMORA_EDITOR_UI_MAP=$XDRIVE_MAP QT_QPA_PLATFORM=xcb "$editor" \
    >"$work/editor.log" 2>&1 &
app=$!
window=$(timeout 20 xdotool search --sync --all --pid "$app" --class lumora-editor | head -n 1)
[ -n "$window" ] || xdrive_fail "no lumora-editor window"
xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" 1100 760
xdotool windowactivate --sync "$window"
xdrive_until "xdrive_is exposed 1 && xdrive_is orientation landscape"

echo "== open (Ctrl+O, the file dialog, the path typed, Return)"
xdrive_key ctrl+o
dialog=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "$app" --name "^Open picture$" | head -n 1)
[ -n "$dialog" ] || xdrive_fail "no file dialog"
# The window manager gives the new dialog the focus.
xdrive_until "[ \"\$(xdotool getactivewindow)\" = $dialog ]"
# A loaded machine may lose keys to the file name completer's popup: the name is typed
# again, into a cleared field, until the picture is open.
opened=
for round in 1 2 3; do
    # Keys typed into the main window would be its shortcuts: only into the dialog.
    xdotool search --onlyvisible --pid "$app" --name "^Open picture$" >/dev/null || break
    xdotool windowactivate --sync "$dialog" 2>/dev/null || true
    xdrive_key ctrl+a
    xdrive_key BackSpace
    xdotool type --delay 10 "$work/picture.png"
    # The first Return may only take the completer's suggestion.
    for attempt in 1 2 3; do
        xdrive_key Return
        XDRIVE_TIMEOUT=5 xdrive_until "xdrive_target picture" 2>/dev/null && opened=1 && break
    done
    [ -n "$opened" ] && break
done
xdrive_until "xdrive_target picture"
read -r width height < <(xdrive_state picture)

echo "== rotate right (Ctrl+R)"
xdrive_key ctrl+r
xdrive_until "xdrive_is steps 1 && xdrive_is picture '$height $width'"

echo "== crop (C), square, drag the bottom right corner"
xdrive_key c
xdrive_until "xdrive_is active EditCropPlugin"
xdrive_tap toolbar:CropPluginButton
xdrive_tap popup:2
square() {
    local x y w h
    read -r x y w h < <(xdrive_state selection) && [ "$w" = "$h" ] && ! xdrive_target popup:2
}
xdrive_until square
before=$(xdrive_state selection)
xdrive_drag handle:2 -160 -120
xdrive_until "[ \"\$(xdrive_state selection)\" != '$before' ]"
read -r sx sy sw sh < <(xdrive_state selection)
[ "$sw" -eq "$sh" ] || xdrive_fail "square crop is ${sw}x$sh"
xdrive_shot "$artefacts/editor-x11-crop.png"
xdrive_key Return
xdrive_until "xdrive_is active - && xdrive_is steps 2 && xdrive_is picture '$sw $sh'"

echo "== colour effects: sepia, confirm, then undo it (Ctrl+Z)"
xdrive_tap entry:EditVintageEffectsPlugin
xdrive_until "xdrive_is active EditVintageEffectsPlugin"
xdrive_tap toolbar:SepiaButton
xdrive_shot "$artefacts/editor-x11-effects.png"
xdrive_tap confirm
xdrive_until "xdrive_is active - && xdrive_is steps 3"
xdrive_key ctrl+z
xdrive_until "xdrive_is steps 2"

echo "== save (Ctrl+S)"
xdrive_key ctrl+s
xdrive_until "xdrive_is saves 1 && xdrive_is modified 0"

echo "== portrait"
xdotool windowsize --sync "$window" 640 1000
xdrive_until "xdrive_is orientation portrait"
xdrive_tap entry:EditVintageEffectsPlugin
xdrive_until "xdrive_target toolbar:SepiaButton"
xdrive_shot "$artefacts/editor-x11-portrait.png"
xdrive_key Escape
xdrive_until "xdrive_is active -"

echo "== quit (Ctrl+Q)"
xdrive_key ctrl+q
wait "$app"
app=

"$edit" -o "$work/expected.png" "$work/original.png" rotate-right "crop=free@$sx,$sy,${sw}x$sh"
if ! compare -metric AE "$work/picture.png" "$work/expected.png" null: 2>"$work/compare.txt"; then
    cp "$work/picture.png" "$artefacts/editor-x11-saved.png"
    cp "$work/expected.png" "$artefacts/editor-x11-expected.png"
    xdrive_fail "saved picture differs from lumora-edit's in $(cat "$work/compare.txt") pixels:" \
        "$artefacts/editor-x11-saved.png against $artefacts/editor-x11-expected.png"
fi
echo "saved picture equals lumora-edit rotate-right crop=free@$sx,$sy,${sw}x$sh"
echo "screenshots in $artefacts"
