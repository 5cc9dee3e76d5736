#!/usr/bin/env bash
# Starts keysound from an application folder under Xvfb, lets it sit idle, and prints its resident
# memory and how often each of its threads woke up during 5 idle seconds.
# Usage: bench/player/bench_idle.sh [build/app] [--alsa-null]
# --alsa-null: ALSA without a sound server, on its null device (for machines without a sound card).
set -euo pipefail
app=${1:-build/app}
if [ "${2:-}" = --alsa-null ]; then
  config=$(mktemp)
  echo 'pcm.!default { type null }' > "$config"
  export ALSA_CONFIG_PATH=$config SDL_AUDIODRIVER=alsa
fi
display=":$((500 + RANDOM % 400))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $pid $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$app/keysound" >/dev/null 2>&1 &
pid=$!
sleep 6  # the output closes a few seconds after the last sound (here: the warm-up at start)
switches() {
  for task in /proc/$pid/task/*; do
    printf '%s:%s %s\n' "${task##*/}" "$(tr ' ' _ < "$task/comm")" "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")"
  done
}
before=$(switches)
sleep 5
after=$(switches)
echo "idle resident memory: $(awk '/^VmRSS/ {print $2, $3}' /proc/$pid/status)"
echo "wake-ups per thread in 5 idle seconds:"
join <(echo "$before" | sort) <(echo "$after" | sort) | awk '{printf "  %-26s %d\n", $1, $3 - $2}'
