#!/usr/bin/env bash
# Installs what is missing, builds Korvane with its tests and runs every test; ctest gives those that need
# a real X server a private one each (scripts/with-private-display.sh).
#   ./test.sh              warnings as errors
#   ./test.sh --sanitize   the same tests under the address and undefined-behaviour sanitizers
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh

build_dir=build/test
options=(-DCMAKE_BUILD_TYPE=Debug -DKORVANE_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build/sanitize
    options+=(-DKORVANE_SANITIZE=ON)
fi

jobs=$(nproc)
cmake -S . -B "$build_dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs"
