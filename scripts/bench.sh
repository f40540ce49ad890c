#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: plug-in load, crop drag feedback,
# the host's filters against a copy (one thread and all) and ImageMagick, lumora-edit end
# to end against ImageMagick, against libvips's command line and jpegtran (single edits,
# the lossless turn, the chain, the JPEG decoder alone, cost per megapixel up to 200 MP),
# and peak memory. Prints one Markdown table of medians and ratios, each
# ratio measured side by side in the same run. Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh imagemagick libvips-tools libjpeg-turbo-progs

build=${LUMORA_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target lumora-bench >/dev/null

bin="$build/bench"
convert=convert-im6.q16
data="$build/bench/data"
mkdir -p "$data"
picture="$data/picture-4000x3000.jpg"
sample="$build/lumora-edit/sample.jpg"
if [ ! -s "$picture" ] || [ "$sample" -nt "$picture" ]; then
    "$bin/lumora-bench-picture" "$sample" "$picture"
fi
# ImageMagick's own memory-mapped pixel cache: reading it costs next to nothing.
if [ ! -s "$data/picture.mpc" ] || [ "$picture" -nt "$data/picture.mpc" ]; then
    "$convert" "$picture" "$data/picture.mpc"
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT

# CPU time of the whole machine (busy, idle; steal counts as busy) and of this script's
# finished children, in clock ticks, to tell how much other work shared the machine.
machine_ticks() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9, $5 + $6 }' /proc/stat; }
own_ticks() { awk '{ print $16 + $17 }' "/proc/$$/stat"; }
read -r busy_before idle_before < <(machine_ticks)
own_before=$(own_ticks)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

run() {
    local name=$1
    shift
    echo "== $name" >&2
    "$@" >>"$results" || echo "note: $name ended with status $? (see above)" >>"$results"
}
run "plug-in load" "$bin/lumora-bench-pluginload"
run "drag feedback" "$bin/lumora-bench-drag"
run "filters" "$bin/lumora-bench-filters" "$picture" "$data/picture.mpc" "$convert"
run "end to end" "$bin/lumora-bench-endtoend" "$build/lumora-edit/lumora-edit" "$convert" \
    "$picture" "$data"
LUMORA_BENCH_VIPS_VERSION=$(vips --version) run "libvips" "$bin/lumora-bench-vips" \
    "$build/lumora-edit/lumora-edit" "$picture" "$data"
rm -f /dev/shm/lumora-bench-?.v
run "batch" bash bench/batch.sh "$build/lumora-edit/lumora-edit" "$picture" "$data"

read -r busy_after idle_after < <(machine_ticks)
own_after=$(own_ticks)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
cores=$(nproc)
others=$(awk -v b=$((busy_after - busy_before)) -v i=$((idle_after - idle_before)) \
    -v o=$((own_after - own_before)) -v n="$cores" \
    'BEGIN { t = (b + i) / n; printf "%.2f", (t > 0 && b > o) ? (b - o) / t : 0 }')
busy=$(awk -v x="$others" 'BEGIN { print (x >= 0.25) ? "yes" : "no" }')

echo
echo "Machine: nproc $cores, $(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Other work used $others of the $cores cores on average while the benchmarks ran" \
    "(busy: $busy); load average $load_before before, $load_after after"
echo
echo "| What | Ours (median) | Baseline (median) | Ratio | Goal | Met |"
echo "|---|---|---|---|---|---|"
grep '^|' "$results" || true
echo
grep '^note: ' "$results" | sed 's/^note: /- /' || true
