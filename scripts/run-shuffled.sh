#!/usr/bin/env bash
# Runs every test program of a build as one process, its tests in a shuffled order, so that a test
# that leaves something behind for the next one shows up. ctest runs each test in a process of its
# own and cannot see that.
#   scripts/run-shuffled.sh                    build/test, a random seed
#   scripts/run-shuffled.sh build/test 1234    the order of an earlier run again
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/test}
seed=${2:-$((RANDOM % 99999 + 1))}
echo "Shuffled test run, seed $seed (again: $0 $build_dir $seed)"

export QT_QPA_PLATFORM=offscreen KORVANE_AUDIO_OUTPUT=null
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp ASAN_OPTIONS=detect_leaks=1

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
programs=("$build_dir"/bin/test_*)
[ -x "${programs[0]}" ] || { echo "no test program in $build_dir/bin" >&2; exit 1; }

pids=()
for program in "${programs[@]}"; do
    command=("$program" --gtest_shuffle --gtest_random_seed="$seed")
    # The real-display tests skip without a display: they get a private one, a missing tool fails the run.
    [ "$(basename "$program")" = test_x11 ] && command=(scripts/with-private-display.sh "${command[@]}")
    timeout 900 "${command[@]}" >"$logs/$(basename "$program")" 2>&1 &
    pids+=($!)
done

failed=0
for index in "${!programs[@]}"; do
    name=$(basename "${programs[$index]}")
    wait "${pids[$index]}" && continue
    failed=$((failed + 1))
    echo "---- $name failed with seed $seed:"
    grep -E '^\[  FAILED  \]|Failure|exception' "$logs/$name" || tail -n 30 "$logs/$name"
done
echo "Shuffled run with seed $seed: $failed of ${#programs[@]} test programs failed"
[ "$failed" -eq 0 ]
