#!/usr/bin/env bash
# The whole program as a user meets it: started from its own folder under Xvfb, keys typed with
# xdotool, and the mapped sound checked in what really left the mixer (SDL's disk driver).
# Usage: e2e_typing.sh <keysound> <keysound-db> <sample.mp3>
set -euo pipefail
keysound=$1 tool=$2 sample=$3

work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cp "$keysound" "$work/keysound"
mkdir "$work/MP3"
cp "$sample" "$work/MP3/a.mp3"
printf 'a\ta.mp3\n' > "$work/seed.tsv"
"$tool" init --seed "$work/seed.tsv" "$work/db1.mdb" >/dev/null

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" QT_QPA_PLATFORM=xcb "$work/keysound" &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "音频调用程序" | head -n 1)
xdotool windowfocus --sync "$window"
sleep 0.5
xdotool key --window "$window" Tab   # from the editor button to the key-entry box
sleep 0.3
silent_until=$(stat -c %s "$work/out.raw")
xdotool type --delay 120 "za"
sleep 1.0

kill -0 "$app_pid" || { echo "FAIL: keysound ended while typing"; exit 1; }
size=$(stat -c %s "$work/out.raw")
# Everything mixed after the keys: silence is all zero bytes, the sound is not.
if cmp -s -n "$((size - silent_until))" <(tail -c +"$((silent_until + 1))" "$work/out.raw") /dev/zero; then
  echo "FAIL: typing 'a' produced no sound"
  exit 1
fi
if ! cmp -s -n "$silent_until" "$work/out.raw" /dev/zero; then
  echo "FAIL: sound before any key was typed"
  exit 1
fi
# A logout or a kill must still end the program.
kill -TERM "$app_pid"
for _ in $(seq 30); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "FAIL: keysound ignored SIGTERM"
  exit 1
fi
app_pid=""
echo "1 passed, 0 failed"
