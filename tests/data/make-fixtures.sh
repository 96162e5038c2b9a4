#!/usr/bin/env bash
# Makes the WAV reader and writer fixtures with sox and ffmpeg, and their reference decodes.
# Every run gives the same files: sox runs in repeatable mode, the encoders are deterministic.
set -euo pipefail
cd "$(dirname "$0")"

for tool in sox ffmpeg; do
    command -v "$tool" >/dev/null || { echo "make-fixtures.sh: $tool is needed" >&2; exit 1; }
done
ffmpeg_quiet=(ffmpeg -hide_banner -loglevel error -nostdin -y)

# Sources: pink noise plus a sweep, kept well below full scale (sox clamps IMA at -32768, we at -32767).
sox -R -n -r 22050 -c 1 -b 16 wav-pcm16-mono.wav synth 0.4 pinknoise synth 0.4 sine mix 200-3000 vol 0.5
sox -R -n -r 22050 -c 2 -b 16 wav-pcm16-stereo.wav synth 0.25 pinknoise synth 0.25 sine mix 300-900 vol 0.5
sox -R wav-pcm16-mono.wav -b 8 wav-pcm8-mono.wav
sox -R wav-pcm16-stereo.wav -b 8 wav-pcm8-stereo.wav

# IMA ADPCM, decoded by sox (ffmpeg's IMA decoder rounds differently by design).
for layout in mono stereo; do
    sox -R "wav-pcm16-$layout.wav" -e ima-adpcm "wav-ima-$layout.wav"
    sox -R "wav-ima-$layout.wav" -t raw -e signed -b 16 -L "wav-ima-$layout.s16"
done

# Microsoft ADPCM, encoded and decoded by ffmpeg (sox's decoder differs from the standard one).
for layout in mono stereo; do
    "${ffmpeg_quiet[@]}" -i "wav-pcm16-$layout.wav" -c:a adpcm_ms -block_size 256 "wav-ms-$layout.wav"
    "${ffmpeg_quiet[@]}" -i "wav-ms-$layout.wav" -f s16le "wav-ms-$layout.s16"
done

# MPEG Layer 3 inside a WAVE file (format tag 0x0055), from a 44.1 kHz sweep.
sox -R -n -r 44100 -c 1 -b 16 wav-mp3-source.wav synth 0.3 sine 300-2000 vol 0.5
"${ffmpeg_quiet[@]}" -i wav-mp3-source.wav -c:a libmp3lame -b:a 64k -f wav wav-mp3.wav
tag=$(od -An -tu2 -j20 -N2 wav-mp3.wav | tr -d ' ')
[ "$tag" = 85 ] || { echo "make-fixtures.sh: wav-mp3.wav has format tag $tag, not 0x0055" >&2; exit 1; }
