#!/usr/bin/env bash
# Times Korvane's engine against ffmpeg on the same 3-minute stereo sources and prints the ratios.
# Run on demand (never by CI):   bench/run-bench.sh [runs]      (median of 3 runs by default)
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
runs=${1:-3}

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target engine_bench >/dev/null
bench="$PWD/$build/bin/engine_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/out" "$work/tmp"
ff=(ffmpeg -nostdin -hide_banner -loglevel error -y)

# Two tones, a slow sweep and some noise on each side, so the encoders have real work to do.
left='0.25*sin(2*PI*440*t)+0.2*sin(2*PI*(300*t+20*t*t))+0.05*(random(0)-0.5)'
right='0.25*sin(2*PI*660*t)+0.2*sin(2*PI*(5000*t-12*t*t))+0.05*(random(1)-0.5)'
make_source() { # rate, output, encoder options
    local rate=$1 output=$2
    shift 2
    "${ff[@]}" -f lavfi -i "aevalsrc=${left}|${right}:s=${rate}:d=180" "$@" "$output"
}
make_source 44100 "$work/src/song44.mp3" -c:a libmp3lame -b:a 192k
make_source 48000 "$work/src/song48.ogg" -c:a libvorbis -q:a 5

vcd=(-b:a 224k -ar 44100 -ac 2 -f vcd -packetsize 2324 -muxrate 1411200 -muxpreload 0.44)

now() { date +%s%N; }
# Median wall time, in seconds, of the command run $runs times; the outputs go before each run.
time_median() {
    local times=() start
    for ((i = 0; i < runs; i++)); do
        rm -f "$work"/out/*
        start=$(now)
        "$@" >/dev/null
        times+=("$(($(now) - start))")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.2f", t[int((NR + 1) / 2)] / 1e9 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

engine() { # chain, source
    TMPDIR="$work/tmp" "$bench" "$1" "$2" "$work/out/" 2>"$work/engine.log" || {
        cat "$work/engine.log" >&2
        return 1
    }
}

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Median of $runs runs, wall time in seconds; ratio = engine / ffmpeg."
echo
row() { printf '| %-11s | %-14s | %6s | %-29s | %6s | %5s |\n' "$@"; }
row source output engine reference ffmpeg ratio
row ----------- -------------- -----: ----------------------------- -----: ----:
for source in "$work"/src/song44.mp3 "$work"/src/song48.ogg; do
    name=$(basename "$source")
    korvane=$(time_median engine mpeg "$source")
    native=$(time_median "${ff[@]}" -i "$source" -c:a mp2 "${vcd[@]}" "$work/out/f.vcd.mpg")
    twolame=$(time_median "${ff[@]}" -i "$source" -c:a libtwolame -psymodel 1 "${vcd[@]}" "$work/out/f.vcd.mpg")
    row "$name" .vcd.mpg "$korvane" "ffmpeg mp2" "$native" "$(ratio "$korvane" "$native")"
    row "" "" "" "ffmpeg libtwolame -psymodel 1" "$twolame" "$(ratio "$korvane" "$twolame")"
    korvane=$(time_median engine wav "$source")
    adpcm=$(time_median "${ff[@]}" -i "$source" -c:a adpcm_ima_wav -ar 44100 -ac 2 "$work/out/f.wav")
    row "$name" "IMA ADPCM .wav" "$korvane" "ffmpeg adpcm_ima_wav" "$adpcm" "$(ratio "$korvane" "$adpcm")"
done
