#!/usr/bin/env bash
# The whole program as a user meets it: started under Xvfb, keys typed with xdotool, and the
# mapped sound checked in what really left the mixer (SDL's disk driver). Laid out as a portable
# folder, or as installed (bin/, libexec/keysound/, share/keysound/), where the user's own folder
# is made from the defaults at the first start. The system layouts use the installed Debian
# package as it is (debian/tests): started as the menu starts it (the desktop entry's Exec line),
# on the user's own folder, or on a shared read-only table named with --folder or KEYSOUND_FOLDER.
# Every wait is for a condition with a deadline, never a fixed pause, so that a loaded machine
# only makes the run slower.
# Usage: e2e_typing.sh portable|installed <keysound> <keysound-db> <keysound-decoder> <sample.mp3>
#        e2e_typing.sh system|system-folder|system-env
set -euo pipefail
layout=$1
work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  chmod -R u+w "$work"
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

case $layout in
  portable|installed) keysound=$2 tool=$3 decoder=$4 sample=$5 ;;
  system|system-folder|system-env) ;;
  *) fail "unknown layout $layout" ;;
esac
# The user's own folder: the user's table when no other folder is named. A session's runtime
# folder too, which a login would have made.
export XDG_DATA_HOME=$work/home XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
own_folder=$XDG_DATA_HOME/keysound

if [ "$layout" = portable ] || [ "$layout" = installed ]; then
  if [ "$layout" = portable ]; then
    bin=$work helpers=$work defaults=$work
  else
    bin=$work/usr/bin helpers=$work/usr/libexec/keysound defaults=$work/usr/share/keysound
  fi
  mkdir -p "$bin" "$helpers" "$defaults/MP3"
  cp "$keysound" "$bin/"
  cp "$decoder" "$helpers/"
  cp "$sample" "$defaults/MP3/a.mp3"
  printf 'a\ta.mp3\n' > "$work/seed.tsv"
  "$tool" init --seed "$work/seed.tsv" "$defaults/db1.mdb" >/dev/null
  start=("$bin/keysound")
else
  defaults=/usr/share/keysound
  # As the menu starts it: the desktop entry's command, without its field codes.
  read -ra start <<< "$(sed -n 's/^Exec=//p' /usr/share/applications/org.keysound.keysound.desktop | sed 's/ %[fFuU]//g')"
  [ ${#start[@]} -gt 0 ] || fail "the desktop entry has no Exec line"
fi
if [ "$layout" = system-folder ] || [ "$layout" = system-env ]; then
  # A teacher's table that nobody may change: for a user other than root it is read-only.
  shared=$work/shared
  mkdir -p "$shared/MP3"
  cp "$defaults/MP3/a.mp3" "$shared/MP3/a.mp3"
  printf 'a\ta.mp3\n' > "$work/seed.tsv"
  keysound-db init --seed "$work/seed.tsv" "$shared/db1.mdb" >/dev/null
  chmod -R a-w "$shared"
  [ "$layout" = system-folder ] && start+=(--folder "$shared")
  [ "$layout" = system-env ] && export KEYSOUND_FOLDER=$shared
  shared_before=$(cd "$shared" && find . -printf '%p %s %T@\n' | sort)
fi
if [ "$layout" != portable ]; then
  QT_QPA_PLATFORM=offscreen "${start[0]}" --help >/dev/null
  [ ! -e "$own_folder" ] || fail "--help made the user's folder"
fi

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 30 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

# SDL's disk driver announces itself on stderr; anything else keysound says there stays visible
# (the autopkgtests fail on it).
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" QT_QPA_PLATFORM=xcb "${start[@]}" \
  2> >(grep -v -e '^CRITICAL: You are using the SDL disk i/o audio driver!$' -e '^CRITICAL:  Writing to file ' >&2) &
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
case $layout in
  installed|system)
    cmp -s "$defaults/db1.mdb" "$own_folder/db1.mdb" || fail "the user's folder holds no copy of the default table" ;;
  system-folder|system-env)
    [ ! -e "$own_folder" ] || fail "a named folder was used, but the user's own folder was made"
    [ "$shared_before" = "$(cd "$shared" && find . -printf '%p %s %T@\n' | sort)" ] ||
      fail "the shared folder changed" ;;
esac
# A logout or a kill must still end the program.
kill -TERM "$app_pid"
wait_for 10 has_ended || fail "keysound ignored SIGTERM"
app_pid=""
echo "1 passed, 0 failed"
