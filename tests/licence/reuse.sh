#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# The checkout is REUSE-compliant as `reuse lint` sees it (files git ignores, such as
# build trees, are no part of it), and scripts/spdx-headers.sh has nothing left to add:
# a tracked file without its header fails here, named.
#
# reuse.sh SOURCE_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
command -v reuse >/dev/null || { echo "skipped: reuse not installed"; exit 77; }
[ -e "$source/.git" ] || { echo "skipped: not a git checkout"; exit 77; }
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cd "$source"
lint=$(reuse lint) || { printf '%s\n' "$lint" >&2; fail "reuse lint"; }
printf '%s\n' "$lint" | tail -n 4
bash scripts/spdx-headers.sh --check || fail "files without their licence header"
echo "every tracked file has its header or .reuse/dep5 entry"
