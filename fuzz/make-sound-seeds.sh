#!/bin/sh
# Regenerates the seed sounds of the fuzz_sound harness: a short tone in each of the four formats,
# with and without the metadata the layout leaves out. Needs python3, sox, lame, flac and oggenc.
set -eu
cd "$(dirname "$0")/corpus/sound"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 0.06 sine 440 vol 0.5
lame --quiet -b 16 -m m "$work/tone.wav" plain.mp3
lame --quiet -b 16 -m m --tt Title --ta Artist --tl Album --add-id3v2 "$work/tone.wav" tagged.mp3
flac -s -f --no-padding --tag=TITLE=Title --tag=LOOPSTART=10 --tag=LOOPLENGTH=100 "$work/tone.wav" -o tagged.flac
oggenc -Q -t Title -c LOOPSTART=10 -c LOOPLENGTH=100 "$work/tone.wav" -o tagged.ogg
sox "$work/tone.wav" -e floating-point -b 32 float.wav
cp "$work/tone.wav" plain.wav
# A WAV with a sampler loop and a text chunk, as some editors write them.
python3 - "$work/tone.wav" chunks.wav <<'PY'
import struct, sys
wav = open(sys.argv[1], "rb").read()
fmt, data = wav[12:36], wav[36:]
loop = struct.pack("<6I", 0, 0, 0, 100, 0, 0)
smpl = struct.pack("<9I", 0, 0, 125000, 60, 0, 0, 0, 1, 0) + loop
info = b"INFO" + b"INAM" + struct.pack("<I", 6) + b"Title\0"
body = b"WAVE" + fmt + b"smpl" + struct.pack("<I", len(smpl)) + smpl + b"LIST" + struct.pack("<I", len(info)) + info + data
open(sys.argv[2], "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
PY
