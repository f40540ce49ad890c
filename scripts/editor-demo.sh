#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# The editor window as a person uses it, on an X server of its own (Xvfb and openbox),
# driven with real key and mouse input (xdotool): picks crop, drags a corner, picks a
# ratio, confirms, taps two effects (one activation each), undoes one, then goes to the
# folder's next picture and back, shows 100 %, the picture information panel, the
# original while compare is held, full screen, saves, and shows the window at a phone's
# size (720x1280), in English and in Arabic, landscape and portrait. Screenshots go to
# OUT.
#
#   scripts/editor-demo.sh [BUILD [OUT]]     defaults: build, out/demo/editor
#
# Where no X server can be started it says so and exits 0, leaving OUT empty.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-${LUMORA_BUILD_DIR:-build}}
out=${2:-out/demo/editor}

if [ "${EDITOR_DEMO_INSIDE:-}" != 1 ]; then
    source scripts/deps.sh xvfb xauth xdotool openbox x11-apps breeze-icon-theme \
        adwaita-icon-theme imagemagick \
        libqt6svg6
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$(nproc)" --target lumora-editor lumora-sample-picture
    rm -rf "$out"
    mkdir -p "$out"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    status=0
    EDITOR_DEMO_INSIDE=1 EDITOR_DEMO_WORK=$work \
        xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1400x1344x24 -nolisten tcp" \
        bash "$0" "$build" "$out" || status=$?
    if [ ! -e "$work/display-up" ]; then
        echo "== Editor window: no X server could be started, no screenshots"
        cat "$work/xvfb.log" 2>/dev/null || true
        exit 0
    fi
    exit "$status"
fi

work=$EDITOR_DEMO_WORK
# xvfb-run goes on even when its server did not come up: see for ourselves.
xdotool getdisplaygeometry >/dev/null 2>&1 || exit 0
touch "$work/display-up"
source tests/lumora-editor/xdrive.sh
# The window's remembered state (recent files, panels) stays in this run.
export XDG_CONFIG_HOME=$work/config
editor=$root/$build/lumora-editor/lumora-editor
sample=$root/$build/lumora-edit/sample.jpg

openbox --startup "touch $work/wm-up" >"$work/openbox.log" 2>&1 &
wm=$!
app=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; kill "$wm" 2>/dev/null' EXIT
xdrive_until "[ -e '$work/wm-up' ]"

window=
shot() {
    import -window "$window" "$out/$1.png"
    echo "   $out/$1.png"
}

# Starts the editor in LANGUAGE on its own copy of the sample, in a landscape window;
# the copy has a turned neighbour in its folder to browse to.
start() {
    mkdir -p "$work/$1"
    cp "$sample" "$work/$1/photo1.jpg"
    convert "$sample" -rotate 90 "$work/$1/photo2.jpg"
    XDRIVE_MAP=$work/map-$1
    LUMORA_EDITOR_UI_MAP=$XDRIVE_MAP QT_QPA_PLATFORM=xcb "$editor" --locale "$1" \
        "$work/$1/photo1.jpg" >"$work/editor-$1.log" 2>&1 &
    app=$!
    window=$(timeout 20 xdotool search --sync --all --pid "$app" --class lumora-editor | head -n 1)
    [ -n "$window" ] || xdrive_fail "no lumora-editor window"
    xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" 1100 760
    xdotool windowactivate --sync "$window"
    xdrive_until "xdrive_is exposed 1 && xdrive_is orientation landscape && xdrive_target picture"
}

quit() {
    xdrive_key ctrl+q
    wait "$app"
    app=
}

# One activation of the colour effects: tap BUTTON, confirm.
effect() {
    local steps
    steps=$(xdrive_state steps)
    xdrive_tap entry:EditVintageEffectsPlugin
    xdrive_tap "toolbar:$1"
    xdrive_tap confirm
    xdrive_until "xdrive_is active - && xdrive_is steps $((steps + 1))"
}

# The viewer's steps after the edits, each a step_NAME function, in this order; a name
# with no function (a feature this editor does not have) is left out.
viewer_steps=(browse actual metadata compare fullscreen copy browse_saved phone)

# The arrow keys run the way the language reads.
next_key() { [ "$language" = ar ] && echo Left || echo Right; }
previous_key() { [ "$language" = ar ] && echo Right || echo Left; }

step_browse() {
    echo "   next picture ($(next_key)): the unsaved edits are asked about first"
    local step
    step=$(xdrive_state steps)
    # Escape answers the prompt with Cancel: the picture and its edits stay.
    xdrive_key "$(next_key)"
    xdrive_until "[ \"\$(xdotool getactivewindow)\" != $window ]"
    xdrive_key Escape
    xdrive_until "xdrive_is file photo1.jpg && xdrive_is steps $step"
}

step_actual() {
    echo "   100 % (1), then fitted again (F)"
    xdrive_key 1
    xdrive_until "xdrive_is zoom 100"
    shot "editor-$language-100"
    xdrive_key f
    xdrive_until "! xdrive_is zoom 100"
}

step_metadata() {
    echo "   picture information (F9)"
    xdrive_key F9
    xdrive_until "xdrive_is metadata 1"
    shot "editor-$language-metadata"
    xdrive_key F9
    xdrive_until "xdrive_is metadata 0"
}

step_compare() {
    echo "   compare: the original while \\ is held"
    xdotool keydown backslash
    xdrive_until "xdrive_is comparing 1"
    shot "editor-$language-compare"
    xdotool keyup backslash
    xdrive_until "xdrive_is comparing 0"
}

step_fullscreen() {
    echo "   full screen (F11), left with Escape"
    xdrive_key F11
    xdrive_until "xdrive_is fullscreen 1"
    import -window root "$out/editor-$language-fullscreen.png"
    echo "   $out/editor-$language-fullscreen.png"
    xdrive_key Escape
    xdrive_until "xdrive_is fullscreen 0"
}

step_copy() {
    echo "   save (Ctrl+S): Return takes the default, a copy beside the original"
    local before
    before=$(sha256sum <"$work/$language/photo1.jpg")
    xdrive_key ctrl+s
    xdrive_until "[ \"\$(xdotool getactivewindow)\" != $window ]"
    import -window root "$out/editor-$language-save-choice.png"
    echo "   $out/editor-$language-save-choice.png"
    xdrive_key Return
    xdrive_until "xdrive_is saves 1 && xdrive_is modified 0"
    [ "$(sha256sum <"$work/$language/photo1.jpg")" = "$before" ] \
        || { echo "editor demo: the original photo1.jpg changed"; exit 1; }
    cp "$work/$language/photo1-edited.jpg" "$out/editor-$language-saved.jpg"
}

step_browse_saved() {
    echo "   the next picture and back"
    xdrive_key "$(next_key)"
    xdrive_until "xdrive_is file photo2.jpg"
    shot "editor-$language-browse"
    xdrive_key "$(previous_key)"
    xdrive_until "xdrive_is file photo1.jpg"
}

step_phone() {
    echo "   a phone's window (720x1280)"
    xdotool windowsize --sync "$window" 720 1280
    xdrive_until "xdrive_is orientation portrait"
    shot "editor-$language-phone"
    xdrive_tap entry:EditVintageEffectsPlugin
    xdrive_until "xdrive_target toolbar:SepiaButton"
    shot "editor-$language-phone-effects"
    xdrive_key Escape
    xdrive_until "xdrive_is active -"
}

for language in en ar; do
    echo "== Editor window ($language)"
    start "$language"
    shot "editor-$language-landscape"

    echo "   crop: drag a corner, pick 4:3, confirm"
    xdrive_tap entry:EditCropPlugin
    xdrive_until "xdrive_is active EditCropPlugin"
    xdrive_drag handle:2 -180 -120
    xdrive_tap toolbar:CropPluginButton
    xdrive_until "xdrive_target popup:3"
    shot "editor-$language-ratio-list"
    xdrive_tap popup:3
    xdrive_until "! xdrive_target popup:3"
    xdrive_drag handle:0 90 60
    shot "editor-$language-crop"
    xdrive_tap confirm
    xdrive_until "xdrive_is active - && xdrive_is steps 1"

    echo "   effects: sepia, then black and white; undo the second"
    effect SepiaButton
    effect BlackAndWhiteButton
    xdrive_key ctrl+z
    xdrive_until "xdrive_is steps 2"
    shot "editor-$language-undone"

    for step in "${viewer_steps[@]}"; do
        if declare -F "step_$step" >/dev/null; then
            "step_$step"
        fi
    done

    echo "   portrait"
    xdotool windowsize --sync "$window" 640 1000
    xdrive_until "xdrive_is orientation portrait"
    xdrive_tap entry:EditVintageEffectsPlugin
    xdrive_until "xdrive_target toolbar:SepiaButton"
    shot "editor-$language-portrait-effects"
    xdrive_key Escape
    xdrive_until "xdrive_is active -"
    quit
done
echo "== Editor screenshots in $out/"
