#!/usr/bin/env bash
# Builds the project with warnings as errors and runs the whole test suite.
#
# In continuous integration (CI=true), or with LUMORA_SANITIZE_TOO=1, the suite first
# runs once more in a second build with AddressSanitizer and UndefinedBehaviorSanitizer
# (LUMORA_ASAN_BUILD_DIR, default build-asan). Leak detection is left to the valgrind
# test of the plain build. Then (in CI, or with LUMORA_FUZZ_TOO=1) fuzz/run.sh builds the
# libFuzzer targets in a third, minimal tree with clang-14 (LUMORA_FUZZ_BUILD_DIR, default
# build-fuzz) and runs each for LUMORA_FUZZ_SECONDS (default 40): one summary line per
# target, and a crash fails with the crashing input's path. Every run must pass; the plain
# run's summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
# Oracles (exiftool, ImageMagick, jpegtran, test colour profiles), the X server the
# window runs on, the icon themes, the install and package checks, and the fuzzers'
# compiler and libFuzzer, and setfattr/setfacl for extended attributes and ACLs.
source scripts/deps.sh valgrind clang-format \
    libimage-exiftool-perl imagemagick libjpeg-turbo-progs libgs-common \
    xvfb xauth xdotool openbox x11-apps breeze-icon-theme adwaita-icon-theme libqt6svg6 \
    desktop-file-utils appstream lintian dpkg-dev \
    clang-14 libfuzzer-14-dev attr acl

jobs=$(nproc)

if [ "${CI:-}" = true ] || [ "${LUMORA_SANITIZE_TOO:-0}" = 1 ]; then
    asan=${LUMORA_ASAN_BUILD_DIR:-build-asan}
    cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_WERROR=ON \
        -DLUMORA_SANITIZE=ON >/dev/null
    cmake --build "$asan" -j"$jobs"
    (
        cd "$asan"
        ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs"
    )
fi

if [ "${CI:-}" = true ] || [ "${LUMORA_FUZZ_TOO:-0}" = 1 ]; then
    bash fuzz/run.sh "${LUMORA_FUZZ_SECONDS:-40}"
fi

build=${LUMORA_BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_WERROR=ON >/dev/null
cmake --build "$build" -j"$jobs"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs"
