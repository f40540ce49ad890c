#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# BUILD_TESTING=OFF needs no QtTest and makes no test tool: the tree configures with
# QtTest made unfindable, and no test, fuzz replay or benchmark target exists. With
# LUMORA_PACKAGE_TEST=1 it is also built (a whole build of its own) and the programs and
# the eight plug-ins come out.
#
# notesting.sh SOURCE_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake -S "$source" -B "$work/build" -DBUILD_TESTING=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=ON \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "the configure failed"; }
targets=$(cmake --build "$work/build" --target help)
for wanted in lumora-edit lumora-editor lumoracore velmotouchcore kadrel; do
    grep -qw "$wanted" <<<"$targets" || fail "no target $wanted"
done
unwanted=$(grep -E 'tst_|_replay|lumora-bench|lumoratestsupport' <<<"$targets" || true)
[ -z "$unwanted" ] || fail "test targets made: $unwanted"
linked=$(grep -rl 'libQt6Test' "$work/build" --include=link.txt || true)
[ -z "$linked" ] || fail "QtTest is linked by $linked"
echo "configured without QtTest, no test target"

if [ "${LUMORA_PACKAGE_TEST:-0}" != 1 ]; then
    echo "not built: set LUMORA_PACKAGE_TEST=1 to build it too"
    exit 0
fi
cmake --build "$work/build" -j"$(nproc)" >"$work/build.log" 2>&1 \
    || { tail -n 40 "$work/build.log" >&2; fail "the build failed"; }
[ "$(QT_QPA_PLATFORM=offscreen XDG_DATA_HOME=$work/none "$work/build/lumora-edit/lumora-edit" --list \
    | wc -l)" = 8 ] || fail "the programs built without tests do not load eight plug-ins"
echo "built without tests: lumora-edit loads the eight plug-ins"
