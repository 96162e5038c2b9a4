#!/usr/bin/env bash
# Times Korvane's MPEG chain, and its encoder alone, against ffmpeg on the same 3-minute and 3-hour
# sources, with the processor time, the peak memory and the output size of each, and prints the ratios.
#   bench/run-bench.sh [runs] [long-runs]   median of 3 runs for the 3-minute source, 1 for the 3-hour one
#                                           (0 leaves the 3-hour source out)
#   bench/run-bench.sh --smoke              builds the bench program and runs it once on a 3-second source
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."

# cmake's output shows only when something fails.
build() { # folder, configure options...
    local folder=$1 log
    shift
    log=$(mktemp)
    if ! { cmake -S . -B "$folder" -G Ninja "$@" && cmake --build "$folder" --target engine_bench; } >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        echo "run-bench.sh: the bench program does not build" >&2
        return 1
    fi
    rm -f "$log"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The bench records its runs beside the settings: none of the user's.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$work/src" "$work/out" "$work/tmp"
ff=(ffmpeg -nostdin -hide_banner -loglevel error -y)

# Two tones, a slow sweep and some noise on each side, so the encoders have real work to do.
left='0.25*sin(2*PI*440*t)+0.2*sin(2*PI*(300*t+20*t*t))+0.05*(random(0)-0.5)'
right='0.25*sin(2*PI*660*t)+0.2*sin(2*PI*(5000*t-12*t*t))+0.05*(random(1)-0.5)'
make_source() { # seconds, output
    "${ff[@]}" -f lavfi -i "aevalsrc=${left}|${right}:s=44100:d=$1" -c:a libmp3lame -b:a 192k "$2"
}

engine() { # chain, source
    TMPDIR="$work/tmp" "$bench" "$1" "$2" --out "$work/out" >/dev/null 2>"$work/engine.log" || {
        cat "$work/engine.log" >&2
        return 1
    }
}

# A copy of the bench in FOLDER whose TOOL ("toolame" or "mplex") never ends, started in the background
# (its process id in pid) on the short source with --policy overwrite over an older output; returns once
# the tool runs, its process id in FOLDER/tool.pid. The runs it records live in FOLDER/config.
start_with_endless_tool() { # folder, tool
    local folder=$1 tool_folder i
    tool_folder=$([ "$2" = toolame ] && echo TooLame || echo Mplex)
    mkdir -p "$folder/out" "$folder/tmp" "$folder/config" "$folder/$tool_folder"
    cp "$bench" "$folder/"
    for linked in TooLame Mplex; do
        [ "$linked" = "$tool_folder" ] || ln -s "$(dirname "$bench")/$linked" "$folder/$linked"
    done
    printf '#!/bin/sh\necho $$ > "%s/tool.pid.new" && mv "%s/tool.pid.new" "%s/tool.pid"\nexec sleep 600\n' \
        "$folder" "$folder" "$folder" >"$folder/$tool_folder/$2"
    chmod +x "$folder/$tool_folder/$2"
    echo "older output" >"$folder/out/short.vcd.mpg"
    XDG_CONFIG_HOME="$folder/config" TMPDIR="$folder/tmp" "$folder/engine_bench" mpeg "$work/src/short.mp3" \
        --out "$folder/out" --policy overwrite >/dev/null 2>&1 &
    pid=$!
    for ((i = 0; i < 1800; i++)); do
        [ -s "$folder/tool.pid" ] && return 0
        sleep 0.1
    done
    kill -KILL "$pid"
    echo "run-bench.sh: the bench never started $2" >&2
    return 1
}

# Whether the process runs: a process that ended but that nobody reaped yet (its parent gone, under an init
# that does not reap) has ended all the same.
running() { # pid
    local state
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# Stopped by SIGNAL while TOOL runs, the bench must end as a cancel does, with 128 + the signal, the tool
# stopped, no temporary file left and the older output untouched, alone in its folder.
ended_by_signal() { # tool, signal
    local folder="$work/signal-$1-$2" code=0 pid
    start_with_endless_tool "$folder" "$1"
    kill -"$2" "$pid"
    wait "$pid" || code=$?
    local left
    left=$(cd "$folder/out" && ls -A)$(cd "$folder/tmp" && ls -A)
    if [ "$code" != $((128 + $(kill -l "$2"))) ] || running "$(cat "$folder/tool.pid")" ||
        [ "$left" != short.vcd.mpg ] || [ "$(cat "$folder/out/short.vcd.mpg")" != "older output" ]; then
        echo "run-bench.sh: SIG$2 during $1: exit code $code, left: $left" >&2
        kill -KILL "$(cat "$folder/tool.pid")" 2>/dev/null || true
        return 1
    fi
}

# Two sources of one batch with one output name, under "overwrite": the later one is refused before its
# work, naming the earlier one, whose output alone is written.
one_name_twice() {
    local folder="$work/twice" code=0
    mkdir -p "$folder"
    cp "$work/src/short.mp3" "$folder/short.mp3"
    "${ff[@]}" -i "$folder/short.mp3" "$folder/short.wav"
    TMPDIR="$work/tmp" "$bench" mpeg "$folder/short.mp3" "$folder/short.wav" --policy overwrite \
        >"$folder/written" 2>"$folder/errors" || code=$?
    if [ "$code" != 1 ] || [ "$(cat "$folder/written")" != "$folder/short.vcd.mpg" ] ||
        ! grep -qF "already the output of \"$folder/short.mp3\" in this batch" "$folder/errors"; then
        cat "$folder/errors" >&2
        echo "run-bench.sh: two sources with one output name: exit code $code" >&2
        return 1
    fi
}

# Killed outright (SIGKILL) while the multiplexer runs, the bench cleans up nothing, but the tool ends with
# it and the older output was never touched: its next start deletes the files the killed run left, says
# so, and leaves the user's own file in the temporary folder alone.
killed_then_started_again() {
    local folder="$work/killed" pid left i
    mkdir -p "$folder/tmp"
    echo "the user's" >"$folder/tmp/TmpQ1R23.tmp"
    start_with_endless_tool "$folder" mplex
    kill -KILL "$pid"
    # Without bash's own word on the job it killed.
    { wait "$pid"; } 2>/dev/null || true
    for ((i = 0; i < 600; i++)); do
        running "$(cat "$folder/tool.pid")" || break
        sleep 0.1
    done
    if running "$(cat "$folder/tool.pid")"; then
        kill -KILL "$(cat "$folder/tool.pid")"
        echo "run-bench.sh: the multiplexer outlived the killed bench" >&2
        return 1
    fi
    left=$(ls -A "$folder/out" "$folder/tmp")
    if ! grep -q '^\.short\.vcd\.mpg\.' <<<"$left" || [ "$(grep -c '^Tmp' <<<"$left")" -lt 2 ]; then
        echo "run-bench.sh: the killed bench left nothing to put right: $left" >&2
        return 1
    fi
    # A source that does not exist: the bench stops after its start.
    XDG_CONFIG_HOME="$folder/config" TMPDIR="$folder/tmp" "$folder/engine_bench" mpeg "$folder/none.mp3" \
        --out "$folder/out" >/dev/null 2>"$folder/start.log" || true
    left=$(cd "$folder/out" && ls -A)/$(cd "$folder/tmp" && ls -A)
    if [ "$left" != short.vcd.mpg/TmpQ1R23.tmp ] || [ "$(cat "$folder/out/short.vcd.mpg")" != "older output" ] ||
        [ "$(cat "$folder/tmp/TmpQ1R23.tmp")" != "the user's" ] ||
        ! grep -q "Deleted the temporary file \"$folder/out/\.short\.vcd\.mpg\." "$folder/start.log"; then
        echo "run-bench.sh: the start after a SIGKILL left: $left" >&2
        cat "$folder/start.log" >&2
        return 1
    fi
}

if [ "${1:-}" = "--smoke" ]; then
    build build/test -DCMAKE_BUILD_TYPE=Debug -DKORVANE_WERROR=ON
    bench="$PWD/build/test/bin/engine_bench"
    make_source 3 "$work/src/short.mp3"
    engine mpeg "$work/src/short.mp3"
    engine wav "$work/src/short.mp3"
    if ! [ -s "$work/out/short.vcd.mpg" ] || ! [ -s "$work/out/short.wav" ]; then
        echo "run-bench.sh: the bench program did not keep its outputs" >&2
        exit 1
    fi
    echo "engine_bench: both chains ran"
    one_name_twice
    echo "engine_bench: a later source never overwrites an earlier one's output"
    ended_by_signal toolame TERM
    ended_by_signal mplex HUP
    ended_by_signal mplex INT
    echo "engine_bench: a signal ends it as a cancel does"
    killed_then_started_again
    echo "engine_bench: its tool ends with it, and its next start deletes what a SIGKILL left"
    exit 0
fi

runs=${1:-3}
long_runs=${2:-1}
command -v /usr/bin/time >/dev/null || {
    echo "run-bench.sh: GNU time (/usr/bin/time) measures the peak memory: install the time package" >&2
    exit 1
}
build build/release -DCMAKE_BUILD_TYPE=Release
bench="$PWD/build/release/bin/engine_bench"
toolame="$PWD/build/release/bin/TooLame/toolame"

make_source 180 "$work/src/song.mp3"
lengths=(3min)
sizes=()
if ((long_runs > 0)); then
    lengths+=(3h)
    # Sixty copies of the 3-minute source, put end to end without encoding again.
    "${ff[@]}" -stream_loop 59 -i "$work/src/song.mp3" -c copy "$work/src/long.mp3"
fi

vcd=(-b:a 224k -ar 44100 -ac 2 -f vcd -packetsize 2324 -muxrate 1411200 -muxpreload 0.44)
mp2=(-b:a 224k -f mp2)
# The encoder's options as the program passes them (CRC on), and the same for libtwolame.
twolame=(-c:a libtwolame -psymodel 1 -mode stereo -error_protection 1)

# The command of each job; every job runs as one program, so that its peak memory can be read.
command_of() { # job -> cmd
    case $1 in
    chain) cmd=(env TMPDIR="$work/tmp" "$bench" mpeg "$source" --out "$work/out") ;;
    ffmpeg_twolame_vcd) cmd=("${ff[@]}" -i "$source" "${twolame[@]}" "${vcd[@]}" "$work/out/f.mpg") ;;
    ffmpeg_mp2_vcd) cmd=("${ff[@]}" -i "$source" -c:a mp2 "${vcd[@]}" "$work/out/f.mpg") ;;
    encoder) cmd=("$toolame" -e -r -p 1 -m s -t 2 -b 224 -s 44.1 "$wav" "$work/out/t.mp2") ;;
    ffmpeg_twolame_mp2) cmd=("${ff[@]}" -i "$wav" "${twolame[@]}" "${mp2[@]}" "$work/out/f.mp2") ;;
    ffmpeg_mp2_mp2) cmd=("${ff[@]}" -i "$wav" -c:a mp2 "${mp2[@]}" "$work/out/f.mp2") ;;
    adpcm) cmd=(env TMPDIR="$work/tmp" "$bench" wav "$source" --out "$work/out") ;;
    ffmpeg_adpcm) cmd=("${ff[@]}" -i "$source" -c:a adpcm_ima_wav -ar 44100 -ac 2 "$work/out/f.wav") ;;
    esac
}

declare -A seconds cpu memory bytes
now() { date +%s%N; }
# Wall time, processor time (user and system, the job's child programs included), the peak memory of
# the largest process (a chain's steps are separate programs) and the size of what it wrote.
measure() { # job
    local start kb used cmd
    command_of "$1"
    rm -f "$work"/out/*
    start=$(now)
    /usr/bin/time -f '%M %U %S' -o "$work/rss" "${cmd[@]}" >/dev/null 2>"$work/job.log" || {
        cat "$work/job.log" >&2
        return 1
    }
    seconds[$1]+="$(($(now) - start)) "
    read -r kb used <<<"$(tail -n 1 "$work/rss" | awk '{ printf "%d %.0f", $1, ($2 + $3) * 1e9 }')"
    cpu[$1]+="$used "
    memory[$1]=$((kb > ${memory[$1]:-0} ? kb : ${memory[$1]:-0}))
    bytes[$1]=$(cat "$work"/out/* | wc -c)
}
median() { # nanoseconds... -> seconds
    printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { printf "%.2f", t[int((NR + 1) / 2)] / 1e9 }'
}
# Each job once per round, the rounds one after another: medians of alternating runs.
compare() { # rounds, jobs...
    local rounds=$1 job
    shift
    for job in "$@"; do
        seconds[$job]=""
        cpu[$job]=""
        memory[$job]=0
    done
    for ((round = 0; round < rounds; round++)); do
        for job in "$@"; do
            measure "$job"
        done
    done
}
# shellcheck disable=SC2086 # the runs are a blank-separated list
time_of() { median ${seconds[$1]}; }
# shellcheck disable=SC2086
cpu_of() { median ${cpu[$1]}; }
mb() { echo $((memory[$1] / 1024)); }
divide() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
ratio() { divide "$(time_of "$1")" "$(time_of "$2")"; }
cpu_ratio() { divide "$(cpu_of "$1")" "$(cpu_of "$2")"; }

row() { printf '| %-6s | %-15s | %7s | %5s | %4s | %10s | %5s | %4s | %5s | %5s | %6s | %5s | %4s | %5s | %5s |\n' "$@"; }
# Korvane's job against ffmpeg's libtwolame and mp2 encoders: wall time, processor time, memory, and
# the ratios of both times.
report() { # source label, what, job, libtwolame job, mp2 job
    row "$1" "$2" "$(time_of "$3")" "$(cpu_of "$3")" "$(mb "$3")" \
        "$(time_of "$4")" "$(cpu_of "$4")" "$(mb "$4")" "$(ratio "$3" "$4")" "$(cpu_ratio "$3" "$4")" \
        "$(time_of "$5")" "$(cpu_of "$5")" "$(mb "$5")" "$(ratio "$3" "$5")" "$(cpu_ratio "$3" "$5")"
}

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Median of $runs runs (3 minutes) and $long_runs (3 hours), alternating; wall (s) and processor (cpu,"
echo "user + system, child programs included) time in seconds, peak memory of the largest process in MB;"
echo "ratio = Korvane / ffmpeg; load average before: $(cut -d' ' -f1-3 /proc/loadavg)."
echo
row source job Korvane cpu MB libtwolame cpu MB ratio "cpu r" mp2 cpu MB ratio "cpu r"
row ------ --------------- ------: ----: ---: ---------: ----: ---: ----: ----: -----: ----: ---: ----: ----:
for length in "${lengths[@]}"; do
    source="$work/src/song.mp3" rounds=$runs
    [ "$length" = 3h ] && source="$work/src/long.mp3" rounds=$long_runs
    wav="$work/src/$length.wav"
    "${ff[@]}" -i "$source" -c:a pcm_s16le "$wav"
    compare "$rounds" chain ffmpeg_twolame_vcd ffmpeg_mp2_vcd encoder ffmpeg_twolame_mp2 ffmpeg_mp2_mp2
    report "$length" "MP3 -> .vcd.mpg" chain ffmpeg_twolame_vcd ffmpeg_mp2_vcd
    report "" "WAV -> .mp2" encoder ffmpeg_twolame_mp2 ffmpeg_mp2_mp2
    sizes+=("$length: Korvane $(divide "${bytes[chain]}" 1e6) MB, ffmpeg $(divide "${bytes[ffmpeg_twolame_vcd]}" 1e6) MB ($(divide "${bytes[ffmpeg_twolame_vcd]}" "${bytes[chain]}") times)")
    rm -f "$wav"
done
echo
echo "The .vcd.mpg files differ in kind: ffmpeg's vcd muxer pads audio alone to a constant 75 sectors a"
echo "second, Korvane's multiplexer writes a variable-rate stream without padding sectors:"
printf '  %s\n' "${sizes[@]}"
source="$work/src/song.mp3"
compare "$runs" adpcm ffmpeg_adpcm
printf '\nIMA ADPCM WAV from the 3-minute MP3: Korvane %s s (cpu %s s, %s MB), ffmpeg adpcm_ima_wav %s s (cpu %s s, %s MB), ratio %s (cpu %s)\n' \
    "$(time_of adpcm)" "$(cpu_of adpcm)" "$(mb adpcm)" "$(time_of ffmpeg_adpcm)" "$(cpu_of ffmpeg_adpcm)" \
    "$(mb ffmpeg_adpcm)" "$(ratio adpcm ffmpeg_adpcm)" "$(cpu_ratio adpcm ffmpeg_adpcm)"
