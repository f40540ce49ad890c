#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Many photos at once: 48 photos of 12 MP through `lumora-edit --output-dir` against
# libvips's command line run per file under xargs -P on every core (and, with
# LUMORA_BENCH_ALL=1, ImageMagick's mogrify -path), the same edit (sepia) at the input's
# own JPEG quality. Prints photos per second as Markdown table rows and notes, as
# scripts/bench.sh collects them. One run each: the batch is long enough to need no median.
#
#   bench/batch.sh [LUMORA_EDIT [PICTURE [DATA [LABEL]]]]
#
# PICTURE is a 12 MP JPEG (made with ImageMagick when missing), LABEL names it in the rows
# ("4:2:0"); the photos and outputs (and each tool's messages, OUT.log) go to
# DATA/batch-LABEL. LUMORA_BATCH_COUNT=N runs N photos in place of 48.
set -euo pipefail

lumora=${1:-build-bench/lumora-edit/lumora-edit}
picture=${2:-build-bench/bench/data/picture-4000x3000.jpg}
data=${3:-build-bench/bench/data}
label=${4:-}
count=${LUMORA_BATCH_COUNT:-48}
cores=$(nproc)
convert=convert-im6.q16
identify=identify-im6.q16
for tool in vips mogrify "$convert" "$identify"; do
    command -v "$tool" >/dev/null || { echo "note: batch: $tool is missing, no rows"; exit 0; }
done

work="$data/batch${label:+-${label//:/}}"
photos="$work/photos"
mkdir -p "$photos"
if [ ! -s "$picture" ]; then
    picture="$work/picture-4000x3000.jpg"
    [ -s "$picture" ] || "$convert" -size 4000x3000 plasma:fractal -quality 90 "$picture"
fi
# The photos once, as copies: every run reads the same bytes from the page cache.
for i in $(seq -w 1 "$count"); do
    [ "$photos/photo-$i.jpg" -nt "$picture" ] || cp "$picture" "$photos/photo-$i.jpg"
done
inputs=("$photos"/photo-*.jpg)
inputs=("${inputs[@]:0:$count}")
quality=$("$identify" -format '%Q' "$picture")
size=$("$identify" -format '%wx%h' "$picture")
# vips writes the input's chroma sampling too (by itself it writes 4:4:4 from Q=90 up).
subsample=on
case $("$identify" -format '%[jpeg:sampling-factor]' "$picture") in 1x1,1x1,1x1*) subsample=off ;; esac
matrix="$work/sepia.mat"
printf '3 3\n0.393 0.769 0.189\n0.349 0.686 0.168\n0.272 0.534 0.131\n' >"$matrix"

now() { date +%s.%N; }
fresh() { rm -rf "$1" && mkdir -p "$1"; }
# Seconds of one command, which must write $count outputs into $2.
timed() {
    local name=$1 out=$2
    shift 2
    fresh "$out"
    echo "== batch: $name, $count photos" >&2
    local start end
    start=$(now)
    "$@" >/dev/null 2>"$out.log"
    end=$(now)
    local written
    written=$(find "$out" -maxdepth 1 -name '*.jpg' | wc -l)
    [ "$written" -eq "$count" ] || echo "note: batch: $name wrote $written of $count photos" >&3
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

vipsRun() {
    for input in "${inputs[@]}"; do
        printf '%s\0%s\0%s\0' "$input" "$work/vips/$(basename "$input")[Q=$quality,subsample-mode=$subsample]" "$matrix"
    done | xargs -0 -n 3 -P "$cores" vips recomb
}
magickRun() {
    printf '%s\0' "${inputs[@]}" \
        | xargs -0 -n $(((count + cores - 1) / cores)) -P "$cores" \
            mogrify -path "$work/magick" -sepia-tone 80% -quality "$quality"
}

exec 3>&1
vips=$(timed "vips recomb per file" "$work/vips" vipsRun)
ours=$(timed "lumora-edit --output-dir" "$work/ours" \
    "$lumora" --output-dir "$work/ours" "${inputs[@]}" -- effect=sepia)
magick=0
[ "${LUMORA_BENCH_ALL:-0}" = 1 ] && magick=$(timed "mogrify -path" "$work/magick" magickRun)

rate() { awk -v n="$count" -v s="$1" 'BEGIN { printf "%.2f", (s > 0) ? n / s : 0 }'; }
ratio() {
    awk -v a="$1" -v b="$2" \
        'BEGIN { r = (a > 0) ? b / a : 0; printf (r < 10 ? "%.2f×" : "%.1f×"), r }'
}
row() {
    local what=$1 theirs=$2 goal=$3 met=$4
    echo "| $what | $(rate "$ours") photos/s | $(rate "$theirs") photos/s |" \
        "$(ratio "$ours" "$theirs") | $goal | $met |"
}
met=$(awk -v a="$ours" -v b="$vips" 'BEGIN { print (a > 0 && b / a >= 2.5) ? "yes" : "no" }')
row "Batch: $count × $size ${label:+$label }JPEG, effect=sepia, $cores cores: lumora-edit\
 --output-dir vs vips recomb per file (xargs -P $cores); ratio of photos/s (1 run)" "$vips" \
    "≥ 2.5×" "$met"
[ "$magick" = 0 ] || row "Batch: the same vs ImageMagick mogrify -path -sepia-tone 80%\
 (xargs -P $cores)" "$magick" "—" "—"
echo "note: batch${label:+ $label}: ${ours}s ours, ${vips}s vips; JPEG quality $quality (the" \
    "input's own, which lumora-edit keeps); $count copies of one photo read from the page" \
    "cache; outputs in $work"
