#!/usr/bin/env bash
# Installs what Tevarro needs to build, run and test on Debian 12, and skips
# the package manager when everything is already there.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-svg-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
    fp-utils fonts-dejavu-core fonts-dejavu-extra
    libgtest-dev clang ffmpeg
    xdg-utils
)
if [ "${1:-}" = "--run" ]; then
    packages+=(xchm)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
