#!/usr/bin/env bash
# The private display: the command runs on an X server of the launcher's own, the one that holds the
# display's lock file, under the window manager asked for and already managing; nothing of it is left
# once the command ends or the launcher is stopped. A missing window manager skips, a server that cannot
# start fails plainly, and the shuffled run gives the real-display tests a display and sees them fail.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
launcher=$source_dir/scripts/with-private-display.sh
for tool in Xvfb openbox icewm jwm xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing" && exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export SCRATCH=$scratch
fail() { echo "$1" && cat "$scratch"/out* && exit 1; }

# Writes down the display's lock holder, the launcher's children and the window manager's name.
cat >"$scratch/probe" <<'EOF'
#!/bin/bash
launcher=$(ps -o ppid= -p "$PPID" | tr -d " ")
check=$(xprop -root _NET_SUPPORTING_WM_CHECK | grep -o '0x[0-9a-f]*')
# Whole or not at all: the test stops the launcher as soon as it sees the file.
{
    echo "$(tr -d ' \n' <"/tmp/.X${DISPLAY#:}-lock") $(pgrep -d, -P "$launcher")"
    xprop -id "$check" _NET_WM_NAME
} >"$SCRATCH/found.part"
mv "$SCRATCH/found.part" "$SCRATCH/found"
sleep "${HOLD:-0}"
EOF
chmod +x "$scratch/probe"

# Checks the probe's findings for a launcher that has ended.
check_run() {
    local window_manager=$1 lock_holder children
    read -r lock_holder children <"$scratch/found"
    [[ ",$children," == *",$lock_holder,"* ]] || fail "the display is not held by the launcher's server"
    grep -qi "\"$window_manager" "$scratch/found" || fail "$window_manager does not manage the display"
    for pid in ${children//,/ }; do
        ! kill -0 "$pid" 2>/dev/null || fail "$(ps -o args= -p "$pid") is left running"
    done
}

for window_manager in openbox icewm jwm; do
    KORVANE_WINDOW_MANAGER=$window_manager "$launcher" "$scratch/probe" >"$scratch/out" 2>&1 ||
        fail "the launcher fails under $window_manager"
    check_run "$window_manager"
done

rm "$scratch/found"
HOLD=60 "$launcher" "$scratch/probe" >"$scratch/out" 2>&1 &
launcher_pid=$!
until [ -s "$scratch/found" ] || ! kill -0 "$launcher_pid" 2>/dev/null; do sleep 0.1; done
kill -TERM "$launcher_pid"
status=0 && wait "$launcher_pid" || status=$?
[ "$status" -eq 143 ] || fail "a stopped launcher ends with $status"
check_run openbox

mkdir "$scratch/bin"
ln -s "$(command -v xprop)" "$(command -v xdotool)" "$(command -v Xvfb)" "$scratch/bin/"
status=0 && KORVANE_WINDOW_MANAGER=icewm PATH=$scratch/bin /bin/bash "$launcher" true >"$scratch/out" 2>&1 || status=$?
[ "$status" -eq 77 ] && grep -q "icewm is missing" "$scratch/out" || fail "a missing icewm is not a skip"

rm "$scratch/bin/Xvfb"
printf '#!/bin/sh\necho "no screen here" >&2\nexit 1\n' >"$scratch/bin/Xvfb"
chmod +x "$scratch/bin/Xvfb"
status=0 && PATH=$scratch/bin:$PATH "$launcher" true >"$scratch/out" 2>&1 || status=$?
[ "$status" -eq 1 ] && grep -q "no private display could be made" "$scratch/out" &&
    grep -q "no screen here" "$scratch/out" || fail "a server that cannot start is not reported"

# A real-display test that fails on a display and skips without one.
mkdir -p "$scratch/build/bin"
printf '#!/bin/sh\n[ -z "$KORVANE_PRIVATE_DISPLAY" ] || { touch "$SCRATCH/ran"; exit 1; }\n' \
    >"$scratch/build/bin/test_x11"
chmod +x "$scratch/build/bin/test_x11"
! "$source_dir/scripts/run-shuffled.sh" "$scratch/build" >"$scratch/out" 2>&1 && [ -e "$scratch/ran" ] ||
    fail "the shuffled run does not see a real-display test fail"
echo "Each display is the launcher's own, managed, and gone at the end."
