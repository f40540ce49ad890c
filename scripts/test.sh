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
# Oracles (exiftool, ImageMagick, jpegtran, test colour profiles), the X server the
# window runs on, the icon themes, the install and package checks, extended attributes
# and ACLs, the sanitizer tree's compiler and libFuzzer, reuse for the licence check, and
# debhelper and devscripts (hardening-check) for the package test.
source scripts/deps.sh valgrind clang-format \
    libimage-exiftool-perl imagemagick libjpeg-turbo-progs libgs-common \
    xvfb xauth xdotool openbox x11-apps breeze-icon-theme adwaita-icon-theme libqt6svg6 \
    desktop-file-utils appstream lintian dpkg-dev attr acl \
    clang-14 libfuzzer-14-dev reuse debhelper devscripts

jobs=$(nproc)
ci=false
[ "${CI:-}" = true ] && ci=true

asan=${LUMORA_ASAN_BUILD_DIR:-build-asan}
if [ "$ci" = true ] || [ "${LUMORA_SANITIZE_TOO:-0}" = 1 ]; then
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLUMORA_WERROR=ON -DLUMORA_SANITIZE=ON -DLUMORA_FUZZ=ON >/dev/null
    cmake --build "$asan" -j"$jobs"
    (
        cd "$asan"
        # The window's code runs under the sanitizers offscreen (tst_editorwindow); the
        # runs on a real X server, one at a time, come in the plain tree only.
        ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" -LE x11
    )
fi

if [ "$ci" = true ] || [ "${LUMORA_FUZZ_TOO:-0}" = 1 ]; then
    LUMORA_FUZZ_BUILD_DIR=$asan bash fuzz/run.sh "${LUMORA_FUZZ_SECONDS:-20}"
fi

build=${LUMORA_BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_WERROR=ON >/dev/null
cmake --build "$build" -j"$jobs"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs"
