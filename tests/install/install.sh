#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# The installed tree on its own: stages `cmake --install` into a temporary prefix, moves
# the prefix, and checks that the programs there find their libraries and the eight
# plug-ins in the prefix; then builds the example plug-in against the moved SDK in a
# fresh tree, loads it through LUMORA_PLUGIN_PATH and applies it; installs it under a
# prefix of its own with `cmake --install --prefix`, and into the user's plug-in folder,
# where the programs find it unasked.
#
# install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
artefacts=$build/tests/install/artefacts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

DESTDIR=$work/stage cmake --install "$build" --prefix /opt/lumora >/dev/null
prefix=$work/moved/lumora
mkdir -p "$work/moved"
mv "$work/stage/opt/lumora" "$prefix"
rm -rf "$work/stage"
echo "installed and moved to $prefix"

for file in bin/lumora-edit bin/lumora-editor lib/liblumoracore.so.1 lib/libvelmotouchcore.so.1 \
    include/lumora/lumoraeditplugin.h include/lumora/lumorapluginframe.h include/lumora/mbutton.h \
    lib/cmake/LumoraEditSDK/LumoraEditSDKConfig.cmake lib/pkgconfig/lumoracore.pc \
    lib/pkgconfig/velmotouchcore.pc share/applications/lumora-editor.desktop \
    share/metainfo/lumora-editor.metainfo.xml share/icons/hicolor/scalable/apps/lumora-editor.svg \
    share/man/man1/lumora-edit.1.gz share/man/man1/lumora-editor.1.gz; do
    [ -e "$prefix/$file" ] || fail "$file is not installed"
done
[ "$(objdump -p "$prefix/lib/liblumoracore.so.1" | awk '/SONAME/ { print $2 }')" = liblumoracore.so.1 ] \
    || fail "liblumoracore has no SONAME liblumoracore.so.1"
# Nothing installed may point into the build tree.
for program in "$prefix"/bin/* "$prefix"/lib/lumora/editplugins/*.so; do
    if objdump -p "$program" | grep -E 'R(UN)?PATH' | grep -F "$build" >/dev/null; then
        fail "$program searches the build tree for libraries"
    fi
done
# Read whole first: with pipefail, grep -q leaving early would fail ldd by SIGPIPE.
libraries=$(ldd "$prefix/bin/lumora-edit")
grep -qF "$prefix/bin/../lib/liblumoracore.so.1" <<<"$libraries" \
    || fail "lumora-edit does not take liblumoracore from the prefix: $libraries"

unset LUMORA_PLUGIN_PATH LD_LIBRARY_PATH
# No user's plug-ins but those this test installs.
export XDG_DATA_HOME=$work/no-user-plugins
export QT_QPA_PLATFORM=offscreen
menu=$("$prefix/bin/lumora-edit" --list)
printf '%s\n' "$menu"
[ "$(printf '%s\n' "$menu" | wc -l)" = 8 ] || fail "the installed menu does not have eight entries"
printf '%s\n' "$menu" | cut -f5 | while read -r file; do
    [ "$(dirname "$file")" = "$prefix/lib/lumora/editplugins" ] || fail "$file is not the prefix's"
done
"$prefix/bin/lumora-editor" --version >/dev/null || fail "the installed lumora-editor does not start"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/lumora-editor.desktop"
else
    echo "desktop-file-validate not installed: desktop file not validated"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/lumora-editor.metainfo.xml"
else
    echo "appstreamcli not installed: metainfo not validated"
fi
includedir=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --variable=includedir lumoracore)
[ -f "$includedir/lumoraeditplugin.h" ] || fail "lumoracore.pc names $includedir"
# Every installed header stands on its own with the flags pkg-config gives.
for header in "$prefix"/include/lumora/*.h; do
    echo "#include <$(basename "$header")>"
done >"$work/headers.cpp"
# shellcheck disable=SC2046
g++ -std=c++17 -fPIC -fsyntax-only -Wall -Wextra -Werror "$work/headers.cpp" \
    $(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags lumoracore velmotouchcore) \
    || fail "the installed headers do not compile on their own"

# A third party's plug-in, against the moved SDK only.
cmake -S "$source/examples/rotatehalfturn" -B "$work/example" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-Wall -Wextra -Wpedantic -Werror" >/dev/null
cmake --build "$work/example" >/dev/null
plugin=$work/example/librotatehalfturn.so
[ -f "$plugin" ] || fail "the example built no librotatehalfturn.so"

menu=$(LUMORA_PLUGIN_PATH=$work/nowhere:$work/example "$prefix/bin/lumora-edit" --list)
printf '%s\n' "$menu"
[ "$(printf '%s\n' "$menu" | wc -l)" = 9 ] || fail "the menu with the example does not have nine entries"
[ "$(printf '%s\n' "$menu" | sed -n 4p)" = "$(printf '4\tRotate half turn\ticon-m-image-edit-rotate-half-turn\tRotateHalfTurnPlugin\t%s' "$plugin")" ] \
    || fail "the fourth entry is not the example's"

# Its edit: the picture turned half round, as ImageMagick turns it.
convert -size 37x23 xc:'#204060' -fill '#e03010' -draw 'rectangle 0,0 11,4' \
    -fill '#30c050' -draw 'rectangle 29,14 36,22' "$work/in.png"
convert "$work/in.png" -rotate 180 "$work/expected.png"
LUMORA_PLUGIN_PATH=$work/example "$prefix/bin/lumora-edit" -o "$work/out.png" "$work/in.png" \
    plugin=RotateHalfTurnPlugin
differing=$(compare -metric AE "$work/out.png" "$work/expected.png" null: 2>&1 || true)
if [ "$differing" != 0 ]; then
    mkdir -p "$artefacts"
    cp "$work/in.png" "$work/out.png" "$work/expected.png" "$artefacts/"
    fail "$differing pixels differ: $artefacts/out.png against $artefacts/expected.png"
fi
echo "the example plug-in turned the picture half round"

# Under the third party's own prefix, nothing in the SDK's.
cmake --install "$work/example" --prefix "$work/thirdparty" >/dev/null
installed=$(cd "$work/thirdparty" && find . -type f)
[ "$installed" = "./lib/lumora/editplugins/librotatehalfturn.so" ] \
    || fail "the example installed under --prefix as: $installed"
[ ! -e "$prefix/lib/lumora/editplugins/librotatehalfturn.so" ] \
    || fail "the example installed into the SDK's prefix"
echo "the example installed under its own prefix"

# Into the user's folder (LUMORA_PLUGIN_INSTALL_DIR), then found there with no
# LUMORA_PLUGIN_PATH. Each row: what XDG_DATA_HOME is, and the folder the programs must
# take: the base-directory rules fall back to ~/.local/share when it is unset, empty or
# relative.
home=$work/home
while IFS='|' read -r row data_home folder; do
    rm -rf "$home" "$work/xdg"
    cmake "$work/example" -DLUMORA_PLUGIN_INSTALL_DIR="$folder" >/dev/null
    cmake --install "$work/example" >/dev/null
    [ -f "$folder/librotatehalfturn.so" ] || fail "$row: not installed in $folder"
    if [ "$data_home" = unset ]; then
        menu=$(env -u XDG_DATA_HOME HOME="$home" "$prefix/bin/lumora-edit" --list)
    else
        menu=$(cd "$work" && HOME="$home" XDG_DATA_HOME="$data_home" "$prefix/bin/lumora-edit" --list)
    fi
    [ "$(printf '%s\n' "$menu" | sed -n 4p | cut -f4,5)" = "$(printf 'RotateHalfTurnPlugin\t%s' "$folder/librotatehalfturn.so")" ] \
        || fail "$row: the fourth entry is not the example in $folder: $menu"
    [ "$(printf '%s\n' "$menu" | wc -l)" = 9 ] || fail "$row: the menu does not have nine entries"
    echo "$row: found in $folder"
done <<ROWS
XDG_DATA_HOME set|$work/xdg|$work/xdg/lumora/plugins
XDG_DATA_HOME unset|unset|$home/.local/share/lumora/plugins
XDG_DATA_HOME empty||$home/.local/share/lumora/plugins
XDG_DATA_HOME relative is ignored|xdg|$home/.local/share/lumora/plugins
ROWS
# An absolute XDG_DATA_HOME replaces ~/.local/share: the plug-in left there is not loaded.
menu=$(HOME="$home" XDG_DATA_HOME="$work/xdg" "$prefix/bin/lumora-edit" --list)
[ "$(printf '%s\n' "$menu" | wc -l)" = 8 ] \
    || fail "~/.local/share searched though XDG_DATA_HOME is set: $menu"
