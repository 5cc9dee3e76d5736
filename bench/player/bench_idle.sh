#!/usr/bin/env bash
# Starts keysound from an application folder under Xvfb, prints the time from its start to its
# visible window, lets it sit idle (its table's sounds decoded), and prints its resident memory and
# how often each of its threads woke up during 5 idle seconds.
# Usage: bench/player/bench_idle.sh [build/app] [--alsa-null] [--sounds N]
# --alsa-null: ALSA without a sound server, on its null device (for machines without a sound card).
# --sounds N: a table of N different one-second sounds instead of the folder's own.
set -euo pipefail
app=${1:-build/app}
shift || true
sounds=0
while [ $# -gt 0 ]; do
  case $1 in
    --alsa-null)
      config=$(mktemp)
      echo 'pcm.!default { type null }' > "$config"
      export ALSA_CONFIG_PATH=$config SDL_AUDIODRIVER=alsa ;;
    --sounds) sounds=$2; shift ;;
  esac
  shift
done
if [ "$sounds" -gt 0 ]; then
  table=$(mktemp -d)
  mkdir "$table/MP3"
  for i in $(seq 1 "$sounds"); do  # each its own tone, so that none is the same file
    sox -n -r 44100 -c 2 "$table/MP3/s$i.wav" synth 1 sine $((200 + i)) vol 0.3
    printf 'k%d\ts%d.wav\n' "$i" "$i"
  done > "$table/seed.tsv"
  "$app/keysound-db" init --seed "$table/seed.tsv" "$table/db1.mdb" >/dev/null
  export KEYSOUND_FOLDER=$table
fi
display=":$((500 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $pid $xvfb 2>/dev/null || true' EXIT
sleep 1
started=$(date +%s%N)
DISPLAY=$display "$app/keysound" >/dev/null 2>&1 &
pid=$!
DISPLAY=$display xdotool search --sync --onlyvisible --pid $pid >/dev/null
echo "start-up to the visible window: $(( ($(date +%s%N) - started) / 1000000 )) ms"
# The output closes a few seconds after the last sound (here: the warm-up at start), and the
# table's sounds are decoded in the background meanwhile.
sleep $((6 + sounds / 40))
switches() {
  for task in /proc/$pid/task/*; do
    printf '%s:%s %s\n' "${task##*/}" "$(tr ' ' _ < "$task/comm")" "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")"
  done
}
before=$(switches)
sleep 5
after=$(switches)
echo "idle resident memory: $(awk '/^VmRSS/ {print $2, $3}' /proc/$pid/status)"
# The decoded sounds live in memory files mapped into keysound, resident only once played: they
# count beside the resident memory.
held_kb=0
held_sounds=0
while read -r range _; do
  held_kb=$((held_kb + (0x${range#*-} - 0x${range%-*}) / 1024))
  held_sounds=$((held_sounds + 1))
done < <(grep keysound-pcm /proc/$pid/maps || true)
echo "decoded sound held: $held_kb kB in $held_sounds sounds"
echo "wake-ups per thread in 5 idle seconds:"
join <(echo "$before" | sort) <(echo "$after" | sort) | awk '{printf "  %-26s %d\n", $1, $3 - $2}'
