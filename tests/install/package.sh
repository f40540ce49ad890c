#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# The Debian packages as Debian builds them: `dpkg-buildpackage -us -uc -b` on a copy of
# the tracked tree; each package holds what it should, the libraries' packages are named
# after their SONAMEs, the programs carry the hardening flags, the unpacked programs run
# and load their plug-ins, and lintian finds no error and no warning (overrides are
# justified in debian/*.lintian-overrides). A whole build of its own, far over the CI's
# budget: runs only with LUMORA_PACKAGE_TEST=1. LUMORA_PACKAGE_DIR names a folder to build
# in (emptied first) instead of a temporary one: with a compiler cache
# (CMAKE_CXX_COMPILER_LAUNCHER=ccache), a second run in the same folder is quick.
#
# package.sh SOURCE_DIR
set -euo pipefail
if [ "${LUMORA_PACKAGE_TEST:-0}" != 1 ]; then
    echo "skipped: dpkg-buildpackage rebuilds everything; set LUMORA_PACKAGE_TEST=1 to run it"
    exit 77
fi
source=$(cd "$1" && pwd)
if [ -n "${LUMORA_PACKAGE_DIR:-}" ]; then
    work=$LUMORA_PACKAGE_DIR
    rm -rf "$work"
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The tracked files as they are now, uncommitted changes included.
mkdir "$work/src"
(cd "$source" && git ls-files -z | xargs -0 cp -P --parents -t "$work/src")
if ! (cd "$work/src" && dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1); then
    tail -n 60 "$work/build.log" >&2
    fail "dpkg-buildpackage failed"
fi
echo "packages built in ${SECONDS} s"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
deb() { ls "$work"/"$1"_*.deb; }
for package in lumora lumora-dev liblumoracore1 libvelmotouchcore1; do
    dpkg-deb -c "$(deb "$package")" | awk '{ print $6 }' >"$work/$package.txt"
done
has() { grep -qxF "./$2" "$work/$1.txt" || fail "$1 lacks /$2"; }
lacks() { ! grep -q "$2" "$work/$1.txt" || fail "$1 holds $2"; }

for file in usr/bin/lumora-edit usr/bin/lumora-editor \
    usr/share/applications/lumora-editor.desktop usr/share/metainfo/lumora-editor.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/lumora-editor.svg usr/share/man/man1/lumora-edit.1.gz \
    usr/share/man/man1/lumora-editor.1.gz usr/share/doc/lumora/copyright \
    usr/share/bash-completion/completions/lumora-edit; do
    has lumora "$file"
done
for plugin in nivora laeval dextral kadrel mensura patinex spekel tornel; do
    has lumora "usr/lib/$multiarch/lumora/editplugins/lib$plugin.so"
done
[ "$(grep -c "^./usr/lib/$multiarch/lumora/editplugins/.*\.so$" "$work/lumora.txt")" = 8 ] \
    || fail "lumora does not hold exactly eight plug-ins"
lacks lumora '/include/'
lacks lumora 'liblumoracore'
lacks lumora 'libvelmotouchcore'

# Each library package is named after the SONAME of the library it holds.
for library in lumoracore velmotouchcore; do
    package=lib${library}1
    has "$package" "usr/lib/$multiarch/lib$library.so.1"
    lacks "$package" "lib$library\.so$"
    dpkg-deb -x "$(deb "$package")" "$work/root-$package"
    soname=$(objdump -p "$work/root-$package/usr/lib/$multiarch/lib$library.so.1" \
        | awk '/SONAME/ { print $2 }')
    [ "$soname" = "lib$library.so.1" ] || fail "lib$library's SONAME is $soname"
    shlibs=$(dpkg-deb -I "$(deb "$package")" shlibs)
    grep -q "^lib$library 1 $package (>= " <<<"$shlibs" || fail "$package's shlibs: $shlibs"
    echo "$package: SONAME $soname, shlibs $shlibs"
done

for file in usr/include/lumora/lumoraeditplugin.h usr/include/lumora/lumorapluginframe.h \
    "usr/lib/$multiarch/liblumoracore.so" "usr/lib/$multiarch/libvelmotouchcore.so" \
    "usr/lib/$multiarch/cmake/LumoraEditSDK/LumoraEditSDKConfig.cmake" \
    "usr/lib/$multiarch/pkgconfig/lumoracore.pc" \
    usr/share/doc/lumora-dev/examples/rotatehalfturn/rotatehalfturnplugin.cpp \
    usr/share/doc/lumora-dev/copyright; do
    has lumora-dev "$file"
done
# dh_compress leaves files of under 4 kB as they are.
for guide in writing-plugins filters; do
    grep -qE "^\./usr/share/doc/lumora-dev/$guide\.md(\.gz)?$" "$work/lumora-dev.txt" \
        || fail "lumora-dev lacks the guide $guide.md"
done
lacks lumora-dev 'usr/bin'

depends=$(dpkg-deb -f "$(deb lumora)" Depends)
echo "lumora depends on: $depends"
for library in liblumoracore1 libvelmotouchcore1 libqt6widgets6 qt6-image-formats-plugins; do
    grep -q "$library" <<<"$depends" || fail "lumora does not depend on $library"
done
grep -q 'liblumoracore1 (= ' <<<"$(dpkg-deb -f "$(deb lumora-dev)" Depends)" \
    || fail "lumora-dev does not depend on its library's exact version"

# The unpacked programs, with the unpacked libraries: hardened, no run path, eight
# plug-ins from their own folder.
root=$work/root
for package in lumora liblumoracore1 libvelmotouchcore1; do
    dpkg-deb -x "$(deb "$package")" "$root"
done
# Debian 12's dpkg-buildflags has no control-flow protection to give. Fortify can only be
# judged where a libc call's size is known: the programs have such calls, the libraries
# and plug-ins may not (lintian counts that as information, not a warning).
programs=("$root/usr/bin/lumora-edit" "$root/usr/bin/lumora-editor")
libraries=("$root/usr/lib/$multiarch"/lib*.so.1 "$root/usr/lib/$multiarch/lumora/editplugins"/*.so)
hardening-check -q --nocfprotection "${programs[@]}" || fail "a program lacks a hardening flag"
hardening-check -q --nocfprotection --nofortify "${libraries[@]}" \
    || fail "a library or plug-in lacks a hardening flag"
for binary in "${programs[@]}" "${libraries[@]}"; do
    ! objdump -p "$binary" | grep -E 'R(UN)?PATH' || fail "$binary has a run path"
done
echo "hardened, no run path: ${#programs[@]} programs, ${#libraries[@]} libraries and plug-ins"
menu=$(QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$work/none" LD_LIBRARY_PATH="$root/usr/lib/$multiarch" \
    "$root/usr/bin/lumora-edit" --list)
printf '%s\n' "$menu"
[ "$(printf '%s\n' "$menu" | wc -l)" = 8 ] || fail "the unpacked menu does not have eight entries"
printf '%s\n' "$menu" | cut -f5 | while read -r file; do
    [ "$(dirname "$file")" = "$root/usr/lib/$multiarch/lumora/editplugins" ] \
        || fail "$file is not the package's"
done

# lintian over all four packages: nothing above info.
(cd "$work" && lintian --fail-on error,warning --tag-display-limit 0 lumora_*.changes) \
    || fail "lintian found errors or warnings"
echo "lintian: no error, no warning"
