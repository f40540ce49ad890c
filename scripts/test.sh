#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Builds the project with warnings as errors and runs the whole test suite.
#
# In continuous integration (CI=true), or with LUMORA_SANITIZE_TOO=1, the suite first
# runs once more in a second build made with clang-14 under AddressSanitizer and
# UndefinedBehaviorSanitizer (LUMORA_ASAN_BUILD_DIR, default build-asan). That tree is
# instrumented for libFuzzer too, so the fuzz targets come with it: fuzz/run.sh then runs
# each for LUMORA_FUZZ_SECONDS (default 30), one summary line per target, and a crash
# fails with the crashing input's path (LUMORA_FUZZ_TOO=1 runs them outside CI as well).
# Leak detection is left to the valgrind test of the plain build. Every run must pass; the
# plain run's summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
# Oracles (exiftool, ImageMagick, jpegtran, heif-enc and heif-convert, test colour
# profiles), the X server the window runs on, the icon themes, the install and package
# checks, extended attributes and ACLs, the sanitizer tree's compiler and libFuzzer, reuse
# for the licence check, and debhelper and devscripts (hardening-check) for the package test.
source scripts/deps.sh valgrind clang-format \
    libimage-exiftool-perl imagemagick libjpeg-turbo-progs libheif-examples libgs-common \
    xvfb xauth xdotool openbox x11-apps breeze-icon-theme adwaita-icon-theme libqt6svg6 \
    desktop-file-utils appstream lintian dpkg-dev attr acl \
    clang-14 libfuzzer-14-dev reuse debhelper devscripts

jobs=$(nproc)
ci=false
[ "${CI:-}" = true ] && ci=true

# Line tables are all a failure's stack trace needs; full debug information would cost
# the two builds a sixth of their time.
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
    -DLUMORA_WERROR=ON)

asan=${LUMORA_ASAN_BUILD_DIR:-build-asan}
if [ "$ci" = true ] || [ "${LUMORA_SANITIZE_TOO:-0}" = 1 ]; then
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$asan" "${flags[@]}" \
        -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON >/dev/null
    cmake --build "$asan" -j"$jobs"
    (
        cd "$asan"
        # The window's code runs under the sanitizers offscreen (tst_editorwindow); the
        # runs on a real X server, one at a time, come in the plain tree only, as do the
        # checks of the tree itself (format, licences, layers, install, packages).
        ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" -LE "x11|tree"
    )
fi

# The fuzzers run one process each, on one core: while they run, the plain tree builds
# beside them, and their summary follows the build.
fuzzing=""
if [ "$ci" = true ] || [ "${LUMORA_FUZZ_TOO:-0}" = 1 ]; then
    fuzzLog=$asan/fuzz-run.log
    LUMORA_FUZZ_BUILD_DIR=$asan bash fuzz/run.sh "${LUMORA_FUZZ_SECONDS:-20}" >"$fuzzLog" 2>&1 &
    fuzzing=$!
fi

build=${LUMORA_BUILD_DIR:-build-test}
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$jobs"
if [ -n "$fuzzing" ]; then
    fuzzStatus=0
    wait "$fuzzing" || fuzzStatus=$?
    cat "$fuzzLog"
    [ "$fuzzStatus" -eq 0 ] || exit "$fuzzStatus"
fi
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs"
