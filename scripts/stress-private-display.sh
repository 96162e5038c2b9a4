#!/usr/bin/env bash
# Starts many runs of every real-display test at once under each window manager while every core is kept
# busy, and checks that each one passes and leaves no process and no display lock behind. Too slow for
# every CI run: run it after a change to scripts/with-private-display.sh or to what the tests in
# tests/x11 drive.
#   scripts/stress-private-display.sh                 build/test, 40 runs per window manager
#   scripts/stress-private-display.sh build/sanitize 80
#   scripts/stress-private-display.sh build/test 40 icewm jwm
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/test}
launches=${2:-40}
shift 2 || shift $#
window_managers=("$@")
[ $# -gt 0 ] || window_managers=(openbox icewm jwm)
program=$build_dir/bin/test_x11
[ -x "$program" ] || { echo "$program is not built" >&2; exit 1; }

logs=$(mktemp -d)
# Each run is stopped after this long.
run_limit_s=300
burners=()

# One burner per core, each ending by itself a little after the runs' limit whatever happens to this
# script.
start_burners() {
    for _ in $(seq "$(nproc)"); do
        timeout $((run_limit_s + 60)) yes >/dev/null &
        burners+=($!)
    done
}

stop_burners() {
    for pid in "${burners[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    burners=()
}

trap 'stop_burners; rm -rf "$logs"' EXIT
trap 'exit 143' TERM HUP INT

# What a run has left behind: any process of its session, and the lock file of its display.
leftovers_of() {
    local session=$1 log=$2 display
    ps -eo sid=,args= | awk -v session="$session" '$1 == session { $1 = ""; print "  left running:" $0 }'
    display=$(grep -o '^On display :[0-9]*' "$log" | grep -o '[0-9]*$') || return 0
    [ ! -e "/tmp/.X$display-lock" ] || echo "  left behind: /tmp/.X$display-lock"
}

# Starts the runs at once, each in a session of its own, and prints how many passed and what was left.
stress() {
    local window_manager=$1 pids=() passed=0
    start_burners
    for index in $(seq "$launches"); do
        KORVANE_WINDOW_MANAGER=$window_manager setsid timeout "$run_limit_s" scripts/with-private-display.sh \
            "$program" >"$logs/$window_manager-$index" 2>&1 &
        pids+=($!)
    done
    echo "$window_manager: $launches runs started, load $(cut -d' ' -f1-3 /proc/loadavg)"
    for index in $(seq "$launches"); do
        local log=$logs/$window_manager-$index
        if wait "${pids[$index - 1]}"; then
            passed=$((passed + 1))
        else
            echo "---- run $index failed:"
            grep -E -A 8 ': Failure$' "$log" | head -n 60
            tail -n 5 "$log"
        fi
    done
    stop_burners
    for index in $(seq "$launches"); do
        leftovers_of "${pids[$index - 1]}" "$logs/$window_manager-$index"
    done >"$logs/leftovers"
    echo "$window_manager: $passed of $launches passed"
    if [ -s "$logs/leftovers" ]; then
        echo "$window_manager: left behind:" && cat "$logs/leftovers"
    fi
    [ "$passed" -eq "$launches" ] && [ ! -s "$logs/leftovers" ]
}

failed=0
for window_manager in "${window_managers[@]}"; do
    stress "$window_manager" || failed=1
done
exit "$failed"
