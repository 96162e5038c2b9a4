#!/usr/bin/env bash
# Runs a program of the tests that need a real X server and a window manager (tests/x11) on a private
# virtual screen of its own with openbox, then stops both, so that several runs can go on at once.
# ctest runs every real-display test through it. Where a tool is missing it says which and exits 77,
# which ctest counts as skipped.
#   scripts/with-private-display.sh build/test/bin/test_x11 --gtest_filter=...
set -euo pipefail

# Listing the tests needs no display: ctest lists them through this script too.
for argument in "$@"; do
    [ "$argument" = --gtest_list_tests ] && exec "$@"
done

for tool in Xvfb openbox xdotool xprop; do
    command -v "$tool" >/dev/null || {
        echo "skipped: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 77
    }
done

work=$(mktemp -d)
server_pid=
wm_pid=
test_pid=
stop() {
    for pid in $test_pid $wm_pid $server_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM HUP INT

# Waits up to half a minute for a command to succeed.
wait_for() {
    for _ in $(seq 300); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "timed out waiting for: $*" >&2
    cat "$work"/*.log >&2
    return 1
}

# The server picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server_pid=$!
wait_for test -s "$work/display"
export DISPLAY=:$(head -n 1 "$work/display")

# Openbox as it comes, without resistance at the edges: the magnet alone decides where a window snaps.
# Its home is the private folder, so that no theme or setting of the user's changes the frames.
cat >"$work/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <resistance><strength>0</strength><screen_edge_strength>0</screen_edge_strength></resistance>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <mouse>
    <dragThreshold>1</dragThreshold>
    <context name="Titlebar">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Left" action="Drag"><action name="Move"/></mousebind>
    </context>
  </mouse>
</openbox_config>
EOF
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$work" \
    openbox --sm-disable --config-file "$work/rc.xml" 2>"$work/openbox.log" &
wm_pid=$!
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# The tests fail rather than skip when they find no X server under this script.
export KORVANE_PRIVATE_DISPLAY=$DISPLAY
export QT_QPA_PLATFORM=xcb KORVANE_AUDIO_OUTPUT=null
repository=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS=suppressions=$repository/tests/lsan.supp ASAN_OPTIONS=detect_leaks=1
echo "On display $DISPLAY with openbox: $*"
# In the background, so that a signal stops the run at once and the trap stops everything.
timeout 600 "$@" &
test_pid=$!
wait "$test_pid"
