#!/usr/bin/env bash
# Installs, when missing, every Debian package that building, running and testing Korvane needs, and
# the extra packages named as arguments.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-multimedia-dev libqt6svg6 qt6-translations-l10n libxcb1-dev
    libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
    libtwolame-dev
    libgtest-dev libgmock-dev
    ffmpeg sox mjpegtools
    xvfb openbox xdotool x11-utils
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
