#!/usr/bin/env bash
# Builds the project with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

build=${LUMORA_BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
