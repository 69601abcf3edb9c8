#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Korvex needs, when missing.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    libicu-dev libgtest-dev googletest
    qt6-base-dev qt6-pdf-dev
    qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools qt6-translations-l10n
    clang-14 libclang-rt-14-dev
    desktop-file-utils appstream dpkg-dev file groff-base shared-mime-info libglib2.0-bin
    xdg-utils libfile-mimeinfo-perl
    xvfb xauth fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
