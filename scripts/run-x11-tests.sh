#!/usr/bin/env bash
# Runs the tests that need a real X server and a window manager (window placement, the magnet) on a
# private virtual screen with openbox, then stops both. Elsewhere those tests skip themselves.
#   scripts/run-x11-tests.sh                          build/test
#   scripts/run-x11-tests.sh build/sanitize --gtest_filter=...
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/test}
shift || true
program=$build_dir/bin/test_x11
[ -x "$program" ] || { echo "$program is not built" >&2; exit 1; }
for tool in Xvfb openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/install-deps.sh installs it" >&2; exit 1; }
done

work=$(mktemp -d)
server_pid=
wm_pid=
stop() {
    for pid in $wm_pid $server_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT

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
openbox --sm-disable --config-file "$work/rc.xml" 2>"$work/openbox.log" &
wm_pid=$!
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

export QT_QPA_PLATFORM=xcb KORVANE_AUDIO_OUTPUT=null
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp ASAN_OPTIONS=detect_leaks=1
echo "X11 tests on display $DISPLAY with openbox"
timeout 300 "$program" "$@"
