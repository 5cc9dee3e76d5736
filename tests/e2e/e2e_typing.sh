#!/usr/bin/env bash
# The whole program as a user meets it: started under Xvfb, keys typed with xdotool, and the
# mapped sound checked in what really left the mixer (SDL's disk driver). Laid out as a portable
# folder, or as installed (bin/, libexec/keysound/, share/keysound/), where the user's own folder
# is made from the defaults at the first start.
# Every wait is for a condition with a deadline, never a fixed pause, so that a loaded machine
# only makes the run slower.
# Usage: e2e_typing.sh portable|installed <keysound> <keysound-db> <keysound-decoder> <sample.mp3>
set -euo pipefail
layout=$1 keysound=$2 tool=$3 checker=$4 sample=$5

work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }
# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds; fails once SECONDS have passed.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}
mixed_bytes() { stat -c %s "$work/out.raw" 2>/dev/null || echo 0; }
# Silence is all zero bytes: a sound shows as a non-zero byte past the given offset.
sound_after() { [ -n "$(tail -c +"$(($1 + 1))" "$work/out.raw" 2>/dev/null | tr -d '\0' | head -c 1)" ]; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$window" ]; }
has_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

if [ "$layout" = portable ]; then
  bin=$work helpers=$work defaults=$work
else
  bin=$work/usr/bin helpers=$work/usr/libexec/keysound defaults=$work/usr/share/keysound
  export XDG_DATA_HOME=$work/home
fi
mkdir -p "$bin" "$helpers" "$defaults/MP3"
cp "$keysound" "$bin/"
cp "$checker" "$helpers/"
cp "$sample" "$defaults/MP3/a.mp3"
printf 'a\ta.mp3\n' > "$work/seed.tsv"
"$tool" init --seed "$work/seed.tsv" "$defaults/db1.mdb" >/dev/null
if [ "$layout" = installed ]; then
  QT_QPA_PLATFORM=offscreen "$bin/keysound" --help >/dev/null
  [ ! -e "$XDG_DATA_HOME/keysound" ] || fail "--help made the user's folder"
fi

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 30 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" QT_QPA_PLATFORM=xcb "$bin/keysound" &
app_pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name "音频调用程序" | head -n 1) || true
[ -n "$window" ] || fail "the main window did not appear"
xdotool windowfocus --sync "$window"
wait_for 20 has_focus || fail "the main window did not take the keyboard focus"
silent_until=$(mixed_bytes)
xdotool key --window "$window" Tab   # from the editor button to the key-entry box
xdotool type --delay 120 "za"

wait_for 30 sound_after "$silent_until" || fail "typing 'a' produced no sound"
has_ended && fail "keysound ended while typing"
if [ "$silent_until" -gt 0 ] && ! cmp -s -n "$silent_until" "$work/out.raw" /dev/zero; then
  fail "sound before any key was typed"
fi
if [ "$layout" = installed ]; then
  cmp -s "$defaults/db1.mdb" "$XDG_DATA_HOME/keysound/db1.mdb" ||
    fail "the user's folder holds no copy of the default table"
fi
# A logout or a kill must still end the program.
kill -TERM "$app_pid"
wait_for 10 has_ended || fail "keysound ignored SIGTERM"
app_pid=""
echo "1 passed, 0 failed"
