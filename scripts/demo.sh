#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Builds lumora-edit and its plug-ins, then applies every edit to the sample photo
# through the plug-ins: prints the editor menu, what the photo holds before and after
# one edit, and each edit's trace, writes each result, the tool bars and a contact
# sheet of them all to out/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

build=${LUMORA_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target lumora-edit lumora-contact-sheet lumora-sample-picture

edit="$build/lumora-edit/lumora-edit"
sample="$build/lumora-edit/sample.jpg"
out=out/demo
rm -rf "$out"
mkdir -p "$out"

echo "== Editor menu"
"$edit" --list

echo "== The sample photo, as a camera wrote it"
"$edit" --info "$sample"
echo "== The same after flip-horizontal (turned without re-encoding; metadata brought up to date)"
"$edit" -o "$out/flip-horizontal.jpg" "$sample" flip-horizontal
"$edit" --info "$out/flip-horizontal.jpg"

edits=(
    auto-fix rotate-left rotate-right "crop=16:9" "crop=square" "crop=free@200,150,900x700"
    resize=50 effect=greyscale effect=sepia effect=old-color-photo effect=cross-processing
    flip-horizontal flip-vertical
)
sheet=("original=$sample")
for e in "${edits[@]}"; do
    name=$(echo "$e" | tr ':=@,' '._+-')
    echo "== $e"
    "$edit" --trace -o "$out/$name.png" "$sample" "$e"
    sheet+=("$e=$out/$name.png")
done

echo "== Tool bars"
"$edit" --toolbars "$out/toolbars" "$sample" >/dev/null
for bar in "$out"/toolbars/*.png; do
    sheet+=("$(basename "$bar" .png)=$bar")
done

bash scripts/editor-demo.sh "$build" "$out/editor"
for shot in "$out"/editor/*.png; do [ -e "$shot" ] && sheet+=("$(basename "$shot" .png)=$shot"); done

"$build/lumora-edit/lumora-contact-sheet" "$out/contact-sheet.png" "${sheet[@]}"
echo "== Results in $out/, all side by side in $out/contact-sheet.png"
