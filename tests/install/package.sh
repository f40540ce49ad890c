#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# The Debian packages: `cpack -G DEB` makes lumora and lumora-dev with their
# dependencies computed; their file lists hold what each should; the unpacked runtime
# package runs on its own; lintian finds no error.
#
# package.sh BUILD_DIR SANITIZE
set -euo pipefail
build=$(cd "$1" && pwd)
sanitize=${2:-OFF}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v dpkg-shlibdeps >/dev/null || { echo "dpkg-dev not installed: skipped"; exit 77; }

if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" \
    >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    fail "cpack failed"
fi
echo "packages made in ${SECONDS} s"
runtime=$(ls "$work"/out/lumora_*.deb)
dev=$(ls "$work"/out/lumora-dev_*.deb)

dpkg-deb -c "$runtime" | awk '{ print $6 }' >"$work/runtime.txt"
dpkg-deb -c "$dev" | awk '{ print $6 }' >"$work/dev.txt"
has() { grep -qxF "./$2" "$work/$1.txt" || fail "$1 lacks /$2"; }
lacks() { ! grep -q "$2" "$work/$1.txt" || fail "$1 holds $2"; }
for file in usr/bin/lumora-edit usr/bin/lumora-editor usr/lib/liblumoracore.so.1 \
    usr/lib/liblumoracore.so.1.0.0 usr/lib/libvelmotouchcore.so.1 \
    usr/share/applications/lumora-editor.desktop usr/share/metainfo/lumora-editor.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/lumora-editor.svg usr/share/man/man1/lumora-edit.1.gz \
    usr/share/man/man1/lumora-editor.1.gz usr/share/doc/lumora/copyright; do
    has runtime "$file"
done
for plugin in nivora laeval dextral kadrel mensura patinex spekel tornel; do
    has runtime "usr/lib/lumora/editplugins/lib$plugin.so"
done
[ "$(grep -c '^./usr/lib/lumora/editplugins/.*\.so$' "$work/runtime.txt")" = 8 ] \
    || fail "the runtime package does not hold exactly eight plug-ins"
lacks runtime '/include/'
lacks runtime 'liblumoracore\.so$'
for file in usr/include/lumora/lumoraeditplugin.h usr/include/lumora/lumorapluginframe.h \
    usr/lib/liblumoracore.so usr/lib/libvelmotouchcore.so \
    usr/lib/cmake/LumoraEditSDK/LumoraEditSDKConfig.cmake \
    usr/lib/cmake/LumoraEditSDK/LumoraEditSDKConfigVersion.cmake \
    usr/lib/pkgconfig/lumoracore.pc usr/lib/pkgconfig/velmotouchcore.pc \
    usr/share/doc/lumora-dev/copyright; do
    has dev "$file"
done
lacks dev 'usr/bin'
depends=$(dpkg-deb -f "$runtime" Depends)
echo "lumora depends on: $depends"
for library in libc6 libqt6core6 libqt6widgets6; do
    grep -q "$library" <<<"$depends" || fail "lumora does not depend on $library"
done
# Qt's image-format plug-ins are loaded at run time: dpkg-shlibdeps cannot find them.
grep -q 'qt6-image-formats-plugins' <<<"$depends" \
    || fail "lumora does not depend on qt6-image-formats-plugins (TIFF and WebP)"
grep -q 'lumora (= ' <<<"$(dpkg-deb -f "$dev" Depends)" || fail "lumora-dev does not depend on lumora"

dpkg-deb -x "$runtime" "$work/root"
unset LUMORA_PLUGIN_PATH LD_LIBRARY_PATH
menu=$(QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/lumora-edit" --list)
printf '%s\n' "$menu"
[ "$(printf '%s\n' "$menu" | wc -l)" = 8 ] || fail "the unpacked menu does not have eight entries"
printf '%s\n' "$menu" | cut -f5 | while read -r file; do
    [ "$(dirname "$file")" = "$work/root/usr/lib/lumora/editplugins" ] || fail "$file is not the package's"
done

# The unpacked program writes and reads back TIFF and WebP through those plug-ins, as
# ImageMagick reads them.
convert-im6.q16 -size 41x30 gradient:red-blue -depth 8 "$work/in.png"
for suffix in tif webp; do
    QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/lumora-edit" -o "$work/out.$suffix" \
        "$work/in.png" flip-horizontal || fail "the unpacked lumora-edit cannot write $suffix"
    QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/lumora-edit" -o "$work/back-$suffix.png" \
        "$work/out.$suffix" flip-horizontal || fail "the unpacked lumora-edit cannot read $suffix"
    differing=$(compare-im6.q16 -metric AE "$work/in.png" "$work/back-$suffix.png" null: 2>&1 || true)
    [ "$differing" = 0 ] || fail "$suffix flipped twice differs from its input in $differing pixels"
done
echo "TIFF and WebP written and read back"

if [ "$sanitize" = ON ]; then
    echo "sanitizer build: lintian skipped (the plain build runs it)"
elif command -v lintian >/dev/null; then
    lintian --fail-on error --tag-display-limit 0 "$runtime" "$dev"
    echo "lintian: no error"
else
    echo "lintian not installed: packages not checked"
fi
