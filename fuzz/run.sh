#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Builds the libFuzzer targets (fuzz/CMakeLists.txt) in a tree of their own with clang-14,
# ASan and UBSan, and runs each for a bounded time, one process on one core.
#
#   bash fuzz/run.sh [SECONDS] [TARGET...]   SECONDS per target (default 30), all targets
#                                            when none is named
#
# The tree is LUMORA_FUZZ_BUILD_DIR (default build-fuzz); only the fuzzers and what they
# link are built. Per target, under TREE/fuzz-work/NAME/: corpus/ (the inputs found so
# far, kept for the next run; the committed seeds and regressions are read, never
# written), log, and artifacts/ (inputs that crashed). One summary line per target; a
# crash prints the end of its report and the crashing input's path, and the script then
# fails. Exit status: 0 no crash, 1 a target crashed, 2 the build failed.
#
# Memory: a few bytes can declare a picture of gigabytes, which the program allocates when
# the machine has the memory. ASan's allocator is made to refuse any single allocation
# over 1 GiB (max_allocation_size_mb with allocator_may_return_null), as a smaller machine
# would, so such an input fails the way it fails there (a null picture, an error) instead
# of the fuzzer waiting on gigabytes; -malloc_limit_mb=1024 reports what still gets past
# (C++ new, which cannot return null), and -rss_limit_mb=2048 what adds up to too much.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
build=${LUMORA_FUZZ_BUILD_DIR:-build-fuzz}

mkdir -p "$build"
if ! CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMORA_FUZZ=ON >"$build/configure.log" 2>&1 \
    || ! cmake --build "$build" -j"$(nproc)" --target lumora-fuzzers >"$build/build.log" 2>&1; then
    tail -n 40 "$build/configure.log" "$build/build.log" 2>/dev/null
    echo "fuzz: the build failed (logs: $build/configure.log, $build/build.log)"
    exit 2
fi

export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1024:detect_leaks=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
while IFS=$'\t' read -r name fuzzer replay seeds regressions dictionary; do
    if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then
        continue
    fi
    work=$build/fuzz-work/$name
    mkdir -p "$work/corpus" "$work/artifacts"
    IFS=';' read -r -a seedFolders <<<"$seeds"
    [ -d "$regressions" ] && seedFolders+=("$regressions")
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=1024
        -print_final_stats=1 -artifact_prefix="$work/artifacts/")
    [ -n "$dictionary" ] && options+=(-dict="$dictionary")
    touch "$work/started"
    if "$fuzzer" "${options[@]}" "$work/corpus" "${seedFolders[@]}" >"$work/log" 2>&1; then
        result=ok
    else
        result=CRASH
        status=1
    fi
    # The last status line libFuzzer printed: runs, coverage (edges), features, corpus.
    last=$(grep -E '^#[0-9]+' "$work/log" | tail -n 1 || true)
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$work/log" | grep -oE '[0-9]+$' || echo "${last%% *}")
    cov=$(grep -oE 'cov: [0-9]+' <<<"$last" | cut -d' ' -f2 || true)
    ft=$(grep -oE 'ft: [0-9]+' <<<"$last" | cut -d' ' -f2 || true)
    corp=$(grep -oE 'corp: [0-9]+/[0-9]+[a-zA-Z]*' <<<"$last" | cut -d' ' -f2 || true)
    echo "fuzz $name: $result, ${runs:-?} runs in ${seconds}s, coverage ${cov:-?} edges," \
        "${ft:-?} features, corpus ${corp:-?} (log: $work/log)"
    if [ "$result" != ok ]; then
        grep -E -A 30 '^==[0-9]+==ERROR|runtime error|deadly signal|out-of-memory|timeout after' \
            "$work/log" | head -n 40
        find "$work/artifacts" -type f -newer "$work/started" | while read -r input; do
            echo "fuzz $name: crashing input $input"
            echo "  replay: $fuzzer $input   (or $replay $input)"
        done
    fi
done <"$build/fuzz/fuzzers.tsv"
exit "$status"
