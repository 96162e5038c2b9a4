#!/usr/bin/env bash
# Runs a program of the tests that need a real X server and a window manager (tests/x11) on a private
# virtual screen of its own with openbox (or the window manager that KORVANE_WINDOW_MANAGER names:
# openbox, icewm or jwm), then stops both, so that several runs can go on at once. ctest runs every
# real-display test through it. Where a tool is missing it says which and exits 77, which ctest counts
# as skipped; where no display can be made it says so and fails.
#   scripts/with-private-display.sh build/test/bin/test_x11 --gtest_filter=...
#   KORVANE_WINDOW_MANAGER=icewm scripts/with-private-display.sh build/test/bin/test_x11
set -euo pipefail

# Listing the tests needs no display: ctest lists them through this script too.
for argument in "$@"; do
    [ "$argument" = --gtest_list_tests ] && exec "$@"
done

window_manager=${KORVANE_WINDOW_MANAGER:-openbox}
case $window_manager in
openbox | icewm | jwm) ;;
*)
    echo "unknown window manager '$window_manager' (KORVANE_WINDOW_MANAGER): openbox, icewm or jwm" >&2
    exit 2
    ;;
esac

for tool in Xvfb "$window_manager" xdotool xprop; do
    command -v "$tool" >/dev/null || {
        echo "skipped: $tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 77
    }
done

work=$(mktemp -d)
server_pid=
wm_pid=
test_pid=

# Stops a process and waits for its end; one that does not end on TERM within 5 seconds is killed.
end_process() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

stop_display() {
    end_process "$wm_pid"
    end_process "$server_pid"
    wm_pid=
    server_pid=
}

stop() {
    trap '' TERM HUP INT
    end_process "$test_pid"
    stop_display
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM HUP INT

# Waits up to half a minute for a command to succeed while the process stays alive.
wait_while_alive() {
    local pid=$1
    shift
    for _ in $(seq 300); do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# X servers agree on a display number through its lock file, always in /tmp whatever TMPDIR says.
lock_file() { echo "/tmp/.X$1-lock"; }
taken() { [ -e "$(lock_file "$1")" ] || [ -e "/tmp/.X11-unix/X$1" ]; }

# The server on the display answers and is ours: another one may have won the number in a race.
our_server_answers() {
    [ "$(tr -d ' \n' <"$(lock_file "$1")")" = "$server_pid" ] && xprop -display ":$1" -root >/dev/null
}

start_server() {
    local number=$1
    Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
    server_pid=$!
    wait_while_alive "$server_pid" our_server_answers "$number" || {
        echo "Xvfb does not start on :$number: $(tail -n 3 "$work/xvfb.log")" >>"$work/failures"
        return 1
    }
    export DISPLAY=:$number
}

# Openbox as it comes, without resistance at the edges: the magnet alone decides where a window snaps.
write_openbox_settings() {
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
}

# IceWM with its default theme, no task bar (it would take screen space), one workspace and no snapping
# or resistance at the edges. Every file it looks for is in the private folder, so that nothing of the
# system's or the user's own settings comes in.
write_icewm_settings() {
    mkdir -p "$work/icewm"
    cat >"$work/icewm/preferences" <<'EOF'
ShowTaskBar=0
WorkspaceNames=" 1 "
EdgeResistance=0
SnapMove=0
SmartPlacement=1
ManualPlacement=0
EOF
    echo 'Theme="default/default.theme"' >"$work/icewm/theme"
    for file in prefoverride winoptions keys toolbar menu programs; do
        : >"$work/icewm/$file"
    done
}

# JWM with its own frames, no tray (it would take screen space), one desktop, no snapping at the edges,
# and windows moved whole rather than as an outline, so that the program sees each step.
write_jwm_settings() {
    cat >"$work/jwmrc" <<'EOF'
<?xml version="1.0"?>
<JWM>
  <Desktops width="1" height="1"/>
  <FocusModel>click</FocusModel>
  <SnapMode>none</SnapMode>
  <MoveMode>opaque</MoveMode>
  <ResizeMode>opaque</ResizeMode>
  <Group><Option>tiled</Option></Group>
  <Mouse context="title" button="1">move</Mouse>
  <Mouse context="border" button="1">resize</Mouse>
  <Mouse context="close" button="-1">close</Mouse>
  <Mouse context="maximize" button="-1">maximize</Mouse>
  <Mouse context="minimize" button="-1">minimize</Mouse>
</JWM>
EOF
}

# Its home is the private folder, so that no theme or setting of the user's changes the frames.
start_window_manager() {
    local home=(env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$work")
    case $window_manager in
    openbox)
        write_openbox_settings
        "${home[@]}" openbox --sm-disable --config-file "$work/rc.xml" 2>"$work/wm.log" &
        ;;
    icewm)
        write_icewm_settings
        "${home[@]}" ICEWM_PRIVCFG="$work/icewm" icewm 2>"$work/wm.log" &
        ;;
    jwm)
        write_jwm_settings
        "${home[@]}" jwm -f "$work/jwmrc" 2>"$work/wm.log" &
        ;;
    esac
    wm_pid=$!
    wait_while_alive "$wm_pid" window_manager_manages || {
        echo "$window_manager does not manage $DISPLAY: $(tail -n 3 "$work/wm.log")" >>"$work/failures"
        return 1
    }
}

# The window manager has taken the screen once its check window names it.
window_manager_manages() {
    local check
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK | grep -o '0x[0-9a-f]*') &&
        xprop -id "$check" _NET_WM_NAME | grep -i "\"$window_manager" >/dev/null
}

# A free display from a number of its own in a wide range, so that concurrent runs seldom meet.
free_display() {
    local number=$1
    while taken "$number"; do
        number=$((number + 1))
    done
    echo "$number"
}

start_display() {
    local number=$((1000 + (RANDOM * 32768 + RANDOM) % 8000))
    for _ in 1 2 3 4 5; do
        number=$(free_display "$number")
        start_server "$number" && start_window_manager && return 0
        stop_display
        number=$((number + 1))
    done
    echo "no private display could be made with $window_manager; each try:" >&2
    cat "$work/failures" >&2
    return 1
}

start_display

# The tests fail rather than skip when they find no X server under this script.
export KORVANE_PRIVATE_DISPLAY=$DISPLAY
export QT_QPA_PLATFORM=xcb KORVANE_AUDIO_OUTPUT=null
repository=$(cd "$(dirname "$0")/.." && pwd)
export LSAN_OPTIONS=suppressions=$repository/tests/lsan.supp ASAN_OPTIONS=detect_leaks=1
echo "On display $DISPLAY with $window_manager: $*"
# Stopped here before ctest's limit for each test (300 s) kills this script, which could then stop nothing.
test_limit_s=240
# In the background, so that a signal stops the run at once and the trap stops everything.
timeout "$test_limit_s" "$@" &
test_pid=$!
status=0 && wait "$test_pid" || status=$?
[ "$status" -ne 124 ] || echo "stopped: the test did not end within $test_limit_s s" >&2
exit "$status"
