#!/usr/bin/env bash
# Makes the decoder fixtures (dec-*) from one generated source: a 1 s stereo tone + chirp.
# Safe to run again: every file is rebuilt the same way, bit-exact, and nothing else is touched.
set -euo pipefail
cd "$(dirname "$0")"

ff=(ffmpeg -nostdin -hide_banner -loglevel error -y)
exact=(-fflags +bitexact -flags:a +bitexact -map_metadata -1)

# Left: 440 Hz + a rising chirp; right: 660 Hz + a falling chirp, so swapped channels show.
left='0.3*sin(2*PI*440*t)+0.3*sin(2*PI*(200*t+3900*t*t))'
right='0.3*sin(2*PI*660*t)+0.3*sin(2*PI*(8000*t-3900*t*t))'
"${ff[@]}" -f lavfi -i "aevalsrc=${left}|${right}:s=44100:d=1" "${exact[@]}" -c:a pcm_s16le dec-source.wav

encode() { # output, then encoder options
    local output=$1
    shift
    "${ff[@]}" -i dec-source.wav "${exact[@]}" "$@" "$output"
}
encode dec-tone.mp3 -c:a libmp3lame -b:a 128k
encode dec-tone.mp2 -c:a mp2 -b:a 192k
encode dec-tone.ogg -c:a libvorbis -q:a 3 -page_duration 100000
encode dec-tone.wma -c:a wmav2 -b:a 128k
encode dec-mono22k.wma -c:a wmav1 -ac 1 -ar 22050 -b:a 32k
encode dec-48k.ogg -c:a libvorbis -q:a 3 -ar 48000

# No Debian encoder writes MPEG-1 Layer I, so a small writer of our own makes it.
tools=$(mktemp -d)
trap 'rm -rf "$tools"' EXIT
g++ -std=c++20 -O2 -o "$tools/mp1-writer" mp1-writer.cpp
"${ff[@]}" -i dec-source.wav -f s16le - | "$tools/mp1-writer" 44100 2 192 > dec-tone.mp1

# Damaged files: cut short, garbage with an audio name, and an MP3 with noise over its middle.
head -c 6000 dec-tone.mp3 > dec-truncated.mp3
head -c 8000 dec-tone.ogg > dec-truncated.ogg
head -c 7000 dec-tone.wma > dec-truncated.wma
"${ff[@]}" -f lavfi -i "anoisesrc=c=white:seed=7:r=8000" -t 0.512 -f u8 dec-garbage.mp3
cp dec-tone.mp3 dec-corrupt-middle.mp3
"${ff[@]}" -f lavfi -i "anoisesrc=c=white:seed=11:r=8000" -t 0.075 -f u8 - |
    dd of=dec-corrupt-middle.mp3 bs=1 seek=7000 conv=notrunc status=none
