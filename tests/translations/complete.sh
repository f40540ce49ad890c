#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later
#
# Every text the code marks for translation has its translation, and no translation is
# kept for a text the code no longer has: lupdate is run over the sources into a copy of
# each catalogue, which must then hold nothing unfinished or vanished.
#
#   complete.sh LUPDATE SOURCE_DIR CATALOGUE=FOLDER[,FOLDER...]...
set -euo pipefail
lupdate=$1
source=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for entry in "$@"; do
    catalogue=${entry%%=*}
    IFS=, read -r -a folders <<<"${entry#*=}"
    copy=$work/$(basename "$catalogue")
    cp "$source/$catalogue" "$copy"
    (cd "$source" && "$lupdate" -silent -locations none "${folders[@]}" -ts "$copy")
    missing=$(grep -c 'type="unfinished"' "$copy" || true)
    gone=$(grep -c 'type="vanished"\|type="obsolete"' "$copy" || true)
    if [ "$missing" != 0 ] || [ "$gone" != 0 ]; then
        echo "$catalogue: $missing texts without a translation, $gone translations of texts" \
            "no longer in ${folders[*]}:"
        grep -B2 'type="unfinished"\|type="vanished"\|type="obsolete"' "$copy" \
            | grep '<source>' | sed 's/^ */  /'
        status=1
    else
        echo "$catalogue: complete"
    fi
done
exit "$status"
