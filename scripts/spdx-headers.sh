#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Gives every tracked file its licence and copyright in the REUSE form: a two-line header
# in the file's own comment syntax where the file can hold a comment, otherwise an entry
# in .reuse/dep5 (pictures, fuzz inputs, JSON, files of no known syntax). Idempotent: a
# file that already names its licence is left as it is, and .reuse/dep5 is written anew
# from the tracked files on every run. `reuse lint` checks the result.
#
# spdx-headers.sh [--check] [SOURCE_DIR]   (default: the tree this script is in)
# --check changes nothing: it names each file it would change and fails if there is one.
set -euo pipefail
check=false
if [ "${1:-}" = --check ]; then
    check=true
    shift
fi
cd "${1:-$(dirname "$0")/..}"

holder="2026 The Lumora developers"
# Spelled in two pieces so that reuse does not read this script's code as its own tags.
copyright_tag="SPDX-FileCopyright""Text"
licence_tag="SPDX-License""-Identifier"

# Which licence a path is under. Everything is LGPL-2.1-or-later, the programs included:
# a plug-in of any licence may then be loaded by them. The example plug-in is a template
# for third parties to copy, and AppStream wants a permissive metadata licence: CC0.
licence_for() {
    case "$1" in
    examples/* | data/*.metainfo.xml) echo CC0-1.0 ;;
    *) echo LGPL-2.1-or-later ;;
    esac
}

# The comment syntax of a file, from its name or its first line: hash, slash, xml, man,
# or none (described in .reuse/dep5 instead).
style_for() {
    local path=$1 name
    name=$(basename "$path")
    case "$name" in
    *.json | *.jpg | *.jpeg | *.png | *.gif | *.bmp | *.tif | *.tiff | *.webp | *.heic | \
        *.heif | *.avif | *.icc | *.icm | *.xbm | *.gz) echo none; return ;;
    esac
    case "$path" in
    fuzz/seeds/* | fuzz/regressions/* | debian/source/* | debian/changelog | debian/copyright | \
        data/changelog | data/copyright) echo none; return ;;
    esac
    case "$name" in
    CMakeLists.txt | *.cmake | *.cmake.in | *.pc.in | *.sh | *.bash | *.py | *.dict | \
        *.desktop | *.yml | *.yaml | *.toml | .gitignore | .clang-format | triggers | control | \
        rules | *.install | *.links | *.docs | *.examples | *.manpages | *.dirs | \
        *.lintian-overrides | *.bash-completion | *.shlibs | *.triggers) echo hash ;;
    *.cpp | *.h | *.hpp | *.c | *.cpp.in | *.h.in) echo slash ;;
    *.md | *.svg | *.xml | *.ts | *.ui | *.qrc | *.html) echo xml ;;
    *.[1-8]) echo man ;;
    *)
        if [ "$(head -c 2 "$path")" = '#!' ]; then
            echo hash
        else
            echo none
        fi
        ;;
    esac
}

# Writes the header into `path` in `style`: after a #! line or an XML declaration, else at
# the top, followed by an empty line where the syntax allows one.
add_header() {
    local path=$1 style=$2 licence=$3 header first tmp
    case "$style" in
    hash) header="# $copyright_tag: $holder"$'\n'"# $licence_tag: $licence"$'\n' ;;
    slash) header="// $copyright_tag: $holder"$'\n'"// $licence_tag: $licence"$'\n' ;;
    xml) header="<!-- $copyright_tag: $holder -->"$'\n'"<!-- $licence_tag: $licence -->" ;;
    man) header=".\\\" $copyright_tag: $holder"$'\n'".\\\" $licence_tag: $licence" ;;
    esac
    first=$(head -n 1 "$path")
    tmp=$(mktemp "$path.XXXXXX")
    if [[ "$first" == '#!'* || "$first" == '<?xml'* ]]; then
        { printf '%s\n' "$first"; printf '%s\n' "$header"; tail -n +2 "$path"; } >"$tmp"
    else
        { printf '%s\n' "$header"; cat "$path"; } >"$tmp"
    fi
    chmod --reference="$path" "$tmp"
    mv "$tmp" "$path"
}

declare -A uncommented=()
added=0
while IFS= read -r -d '' path; do
    [ -f "$path" ] && [ ! -L "$path" ] || continue
    case "$path" in
    LICENSES/* | .reuse/*) continue ;;
    esac
    licence=$(licence_for "$path")
    style=$(style_for "$path")
    if [ "$style" = none ]; then
        uncommented[$licence]+="$path"$'\n'
    elif ! grep -q "$licence_tag:" "$path"; then
        [ "$check" = true ] || add_header "$path" "$style" "$licence"
        echo "$path: $licence"
        added=$((added + 1))
    fi
done < <(git ls-files -z)

dep5() {
    echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
    echo "Upstream-Name: Lumora"
    echo "Upstream-Contact: Lumora developers <dev@lumora.invalid>"
    echo "Comment: Written by scripts/spdx-headers.sh: the tracked files that cannot hold"
    echo " a comment. Edit the script, not this file."
    for licence in $(printf '%s\n' "${!uncommented[@]}" | sort); do
        echo
        echo "Files:"
        printf '%s' "${uncommented[$licence]}" | sort | sed 's/^/ /'
        echo "Copyright: $holder"
        echo "License: $licence"
    done
}
if [ "$check" = true ]; then
    if ! dep5 | cmp -s - .reuse/dep5; then
        echo ".reuse/dep5: not as the tracked files need it"
        added=$((added + 1))
    fi
    [ "$added" = 0 ] || { echo "$added files to change: run scripts/spdx-headers.sh"; exit 1; }
    exit 0
fi
mkdir -p .reuse
dep5 >.reuse/dep5
echo "$added headers added; .reuse/dep5 lists $(printf '%s' "${uncommented[@]}" | grep -c .) files"
