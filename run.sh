#!/usr/bin/env bash
# Installs what is missing, builds Korvane (Release, without its tests) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build build/release
exec build/release/bin/korvane "$@"
