#!/usr/bin/env bash
# Runs the tests that need a real X server and a window manager (window placement, the magnet) in one
# process on one private display, for a manual run with a filter; ctest runs each on a display of its own.
#   scripts/run-x11-tests.sh                          build/test
#   scripts/run-x11-tests.sh build/sanitize --gtest_filter=...
#   KORVANE_WINDOW_MANAGER=icewm scripts/run-x11-tests.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/test}
shift || true
program=$build_dir/bin/test_x11
[ -x "$program" ] || { echo "$program is not built" >&2; exit 1; }
exec scripts/with-private-display.sh "$program" "$@"
