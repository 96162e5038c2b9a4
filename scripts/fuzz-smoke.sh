#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, makes their seeds and runs each one for a while, so that
# none of them rots.
#   scripts/fuzz-smoke.sh           20 seconds each, one process
#   scripts/fuzz-smoke.sh 600 4     10 minutes each, four processes side by side on one corpus
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh clang libclang-rt-14-dev

seconds=${1:-20}
workers=${2:-1}
build=build/fuzz
seeds=$build/seeds
stats='^stat::(number_of_executed_units|average_exec_per_sec)|^Done'
CXX=clang++ cmake -S tests/fuzz -B "$build" -G Ninja >/dev/null
cmake --build "$build"

make_seeds() {
    rm -rf "$seeds"
    mkdir -p "$seeds"/{wave_fuzzer,ini_fuzzer,mplex_fuzzer,wav_input_fuzzer,wav_chain_fuzzer,decoder_fuzzer}
    cp tests/data/*.wav "$seeds/wave_fuzzer/"
    cp tests/data/*.wav "$seeds/wav_input_fuzzer/"
    cp tests/data/*.wav "$seeds/wav_chain_fuzzer/"

    # The decoder's first byte picks the name's extension (its low three bits) and the options.
    local selector=0 fixture
    for fixture in tests/data/dec-*; do
        case $fixture in
        *.mp3) selector=0 ;; *.wav) selector=1 ;; *.ogg) selector=2 ;; *.wma) selector=3 ;;
        *.mp2) selector=4 ;; *.mp1) selector=5 ;;
        esac
        for options in 0 0x48 0xb0; do
            { printf '%b' "\\x$(printf %02x $((selector | options)))"; cat "$fixture"; } \
                >"$seeds/decoder_fuzzer/$(basename "$fixture")-$options"
        done
    done

    cp resources/Lng/*.lng "$seeds/ini_fuzzer/"
    printf '\xef\xbb\xbf[Main]\r\nKey = " padded "\r\n\xef\xbb\xbfMarked=\xef\xbb\xbfvalue\r\n; note\r\n' \
        >"$seeds/ini_fuzzer/marks.ini"
    printf '[A]\nx=1\n[a]\ny="q"\n\0A\0Key\0 two\nlines ' >"$seeds/ini_fuzzer/write.ini"

    # Eight frames of a tone; the same behind an ID3v2 tag, damaged in the middle and followed by an
    # ID3v1 tag.
    local tone=tests/data/dec-tone.mp2 mp2=$seeds/mplex_fuzzer
    head -c 4180 "$tone" >"$mp2/frames.mp2"
    {
        printf 'ID3\x03\x00\x00\x00\x00\x00\x0a0123456789'
        head -c 2090 "$tone"
        printf 'damaged %.0s' {1..20}
        # Not through a pipe: a reader that stops early would end the writer by SIGPIPE.
        dd if="$tone" iflag=skip_bytes,count_bytes skip=2090 count=2090 status=none
        printf 'TAG%0125d' 0
    } >"$mp2/tagged.mp2"
}
make_seeds

for target in wave_fuzzer ini_fuzzer mplex_fuzzer wav_input_fuzzer wav_chain_fuzzer decoder_fuzzer; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    max_len=16384
    # The ini text needs no more; a WAV conversion's cost grows with its frames.
    [ "$target" != ini_fuzzer ] && [ "$target" != wav_chain_fuzzer ] || max_len=4096
    # No single allocation of a run may pass what a song costs, nor the whole process a few times that.
    options=(-max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 -malloc_limit_mb=100
        -rss_limit_mb=1024)
    # Several workers run as jobs, each with a log of its own (fuzz-N.log) that holds its statistics.
    if [ "$workers" -gt 1 ]; then options+=(-jobs="$workers" -workers="$workers"); fi
    rm -f "$build"/fuzz-*.log
    echo "== $target: $seconds s"
    if ! (cd "$build" && "./$target" "${options[@]}" "corpus/$target" "seeds/$target") >"$build/$target.log" 2>&1; then
        # With several workers the crash and its stack are in the failing worker's own log.
        tail -n 60 "$build/$target.log" $([ "$workers" -gt 1 ] && echo "$build"/fuzz-*.log) || true
        echo "$target failed: see $build/$target.log" >&2
        exit 1
    fi
    if [ "$workers" -gt 1 ]; then
        (cd "$build" && grep -E "$stats" fuzz-*.log) || true
        awk '/^stat::number_of_executed_units:/ { runs += $2 } END { print "runs of all workers: " runs }' \
            "$build"/fuzz-*.log
    else
        grep -E "$stats" "$build/$target.log" || true
    fi
done
