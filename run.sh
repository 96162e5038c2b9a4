#!/usr/bin/env bash
# Installs what is missing, builds Korvane (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release
exec build/release/bin/korvane "$@"
