#!/usr/bin/env bash
# Regenerates the sample key sounds in data/MP3/ (letters a-z, digits 0-9, a few words)
# by speaking them with espeak-ng, trimming/normalising with sox and encoding with lame.
# Needs espeak-ng, sox and lame; safe to re-run (same input gives byte-identical files).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$here/MP3"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

for tool in espeak-ng sox lame; do
    command -v "$tool" >/dev/null || { echo "make-samples: $tool is required" >&2; exit 1; }
done
mkdir -p "$out"

RATE=22050      # output sample rate (Hz), mono
KBPS=40         # average MP3 bit rate (ABR: its first frame is big enough for the LAME tag)
SPEED=160       # espeak-ng words per minute

# speak <voice> <ssml-or-text> <name>: writes $out/<name>.mp3
speak() {
    local voice="$1" text="$2" name="$3"
    espeak-ng -v "$voice" -s "$SPEED" -m -w "$tmp/$name.raw.wav" "$text"
    # Trim leading silence (start at the first 5 ms above 1 %), trim the trailing silence,
    # 2 ms fade-in against clicks, 30 ms fade-out, peak-normalise to -1 dBFS.
    sox -R "$tmp/$name.raw.wav" -r "$RATE" -c 1 -b 16 "$tmp/$name.trim.wav" \
        silence 1 0.005 1% reverse silence 1 0.005 0.5% reverse
    sox -R "$tmp/$name.trim.wav" "$tmp/$name.wav" fade h 0.002 -0 0.03 norm -1
    # The LAME/Xing tag is kept: it records the encoder delay so decoders can skip it.
    lame --quiet --noreplaygain -m m --abr "$KBPS" -q 2 --resample 22.05 \
        "$tmp/$name.wav" "$tmp/$name.mp3"
    mv -f "$tmp/$name.mp3" "$out/$name.mp3"
}

for c in {a..z}; do
    speak en-us "<speak><say-as interpret-as=\"characters\">$c</say-as></speak>" "$c"
done
for d in {0..9}; do
    speak en-us "$d" "$d"
done
speak en-us "hello" hello
speak en-us "apple" apple
# The plain "cmn" voice of espeak-ng 1.51 reads some characters (你, 好) as English
# pinyin text ("ni three"); its pinyin variant speaks the characters in Mandarin.
speak cmn-latn-pinyin "你好" nihao

# Check every file: decodes (lame skips the encoder delay recorded in the LAME tag),
# lasts more than 0.1 s, is under 20 KB and is audible within its first 10 ms.
for f in "$out"/*.mp3; do
    lame --quiet --decode "$f" "$tmp/check.wav"
    len="$(soxi -D "$tmp/check.wav")"
    peak10="$(sox "$tmp/check.wav" -n trim 0 0.010 stat 2>&1 | awk '/Maximum amplitude/ {print $3}')"
    size="$(wc -c <"$f")"
    if ! awk -v l="$len" -v p="$peak10" -v s="$size" 'BEGIN { exit !(l > 0.1 && p > 0.01 && s < 20480) }'; then
        echo "make-samples: $f failed the check (length ${len}s, 10 ms peak $peak10, $size bytes)" >&2
        exit 1
    fi
done

echo "make-samples: wrote $(ls "$out"/*.mp3 | wc -l) files to $out"
