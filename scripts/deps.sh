# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Sourced by the other scripts: installs the Debian 12 packages the build, the tests
# and the demo need, when any is missing. Needs root (or sudo) only when installing.
lumora_packages=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
    qt6-image-formats-plugins libexiv2-dev libturbojpeg0-dev libjpeg62-turbo-dev libheif-dev
    liblcms2-dev libxcb1-dev libgs-common
    fonts-dejavu-core qt6-translations-l10n
    "$@"
)

lumora_install_missing() {
    local missing=()
    local package
    for package in "${lumora_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

lumora_install_missing
