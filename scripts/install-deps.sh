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
    xvfb openbox icewm jwm xdotool x11-utils
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
lock_wait_minutes=10

# Another package manager at work holds its lock: apt-get waits for the lock it installs under, and this
# tries again while another update holds the package lists, each for up to ten minutes.
apt_get() {
    local deadline=$((SECONDS + lock_wait_minutes * 60))
    until "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get -o DPkg::Lock::Timeout=$((lock_wait_minutes * 60)) "$@" 2>&1 | tee "$log"; do
        grep -q 'Could not get lock' "$log" || return 1
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "another package manager has kept its lock for $lock_wait_minutes minutes: run this again once it is done" >&2
            return 1
        fi
        sleep 3
    done
}

apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"
