#!/usr/bin/env bash
# Draws the README's pictures from the program's own windows, offscreen, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release
cmake --build build/release --target make_screenshots
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" TMPDIR="$home" \
    QT_QPA_PLATFORM=offscreen KORVANE_AUDIO_OUTPUT=null build/release/bin/make_screenshots docs
