#!/usr/bin/env bash
# Key-to-sink latency, idle cost and device recovery of keysound on private sound servers.
# Usage (from anywhere): bench/audio/server_bench.sh [BUILD_DIR]
# Starts its own PulseAudio, then its own PipeWire (+ wireplumber, pipewire-pulse), each on a null
# sink in a private XDG_RUNTIME_DIR, and its own Xvfb; configures nothing system-wide and ends only
# the processes it started. Environment: BENCH_DISPLAY (default :93), BENCH_KEYS (keys a round,
# default 40), BENCH_ROUNDS (turns each program takes at the keys, default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
display=${BENCH_DISPLAY:-:93}
keys=${BENCH_KEYS:-40}

packages=(pulseaudio pulseaudio-utils pipewire pipewire-bin pipewire-pulse wireplumber dbus
          libpulse-dev libxtst-dev xvfb xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" --target keysound keysound-db keysound-decoder app_folder sink_probe bare_reference >/dev/null

work=$(mktemp -d /tmp/keysound-bench.XXXXXX)
pids=()
# Ends them, forcibly after 3 s: a program that lets SDL take SIGTERM never reads its quit event.
stop_pids() {
  local p i
  for p in "$@"; do kill "$p" 2>/dev/null || true; done
  for p in "$@"; do
    for ((i = 0; i < 30; i++)); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}
trap 'stop_pids $(cat "$work/program-pids" 2>/dev/null) "${pids[@]}"; rm -rf "$work"' EXIT

# A tone that is loud from its first sample, so the onset is the program's, not the file's.
app=$work/app
mkdir -p "$app/MP3" "$work/home"
python3 - "$app/MP3/tone.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(44100)
    w.writeframes(b"".join(struct.pack("<hh", v, v) for v in
        (int(16000 * math.sin(2 * math.pi * 440 * i / 44100 + math.pi / 2)) for i in range(6615))))
PY
cp "$build/app/keysound" "$build/app/keysound-decoder" "$app/"  # a sound plays once checked
printf 'a\ttone.wav\n' > "$work/seed.tsv"
"$build/app/keysound-db" init --seed "$work/seed.tsv" "$app/db1.mdb" >/dev/null

export HOME=$work/home DISPLAY=$display
unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
Xvfb "$display" -nolisten tcp -screen 0 1024x768x24 2>/dev/null & pids+=($!)
sleep 1

probe=$build/bench/audio/sink_probe
rounds=${BENCH_ROUNDS:-2}
# Figures in ms on stdin, -1 for a key not heard -> "median p95 missed"
stats() {
  sort -n | awk '$1 < 0 { missed++; next } { v[n++] = $1 }
    END { if (!n) { print "nan nan", missed + 0; exit }
          i = int(n * 95 / 100); if (i >= n) i = n - 1
          printf "%.2f %.2f %d\n", v[int(n / 2)], v[i], missed + 0 }'
}
minus() { echo "scale=2; $1 - $2" | bc; }
# Context switches of all of a process's threads: each is one wake-up (or preemption).
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n + 0 }'; }
wakeups_per_second() { local a b; a=$(switches "$1"); sleep 10; b=$(switches "$1"); echo "scale=1; ($b - $a) / 10" | bc; }
sink_state() { pactl list sinks short | awk '$2 == "bench" { print $NF }'; }

start_program() {  # "X Y" command...: starts it, clicks into its key box at X,Y, prints its pid
  "${@:2}" >/dev/null 2>&1 &
  local pid=$! wid
  echo "$pid" >> "$work/program-pids"
  wid=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" | head -1)
  xdotool windowfocus --sync "$wid" mousemove --window "$wid" $1 click 1
  echo "$pid"
}
keysound_command=("200 168" "$app/keysound")
start_reference() { start_program "20 10" env SDL_AUDIODRIVER="$1" "$build/bench/audio/bare_reference" "$app/MP3/tone.wav"; }

report_keys() {  # label figures-file capture-delay
  local median p95 missed
  read -r median p95 missed < <(stats < "$2")
  printf '%-10s %-9s key->monitor median %6s ms  p95 %6s ms  at the sink median %6s ms  p95 %6s ms  (%s keys, missed %s)\n' \
    "$server" "$1" "$median" "$p95" "$(minus "$median" "$3")" "$(minus "$p95" "$3")" "$(wc -l < "$2")" "$missed"
  eval "${1}_median=$median ${1}_p95=$p95"
}

# The programs take turns, one at a time (two streams on one sink do not get the same buffering),
# in rounds, so that both see the machine as it was.
measure_latency() {  # driver
  local round pid capture
  capture=$("$probe" calibrate bench 20 300 | stats | cut -d' ' -f1)
  echo "$server: capture delay (tone due -> monitor arrival) median $capture ms"
  : > "$work/keysound.txt"; : > "$work/reference.txt"
  for ((round = 0; round < rounds; round++)); do
    read -r pid < <(start_program "${keysound_command[@]}")
    sleep 1; "$probe" keys bench "$keys" 300 >> "$work/keysound.txt"; stop_pids "$pid"
    read -r pid < <(start_reference "$1")
    sleep 1; "$probe" keys bench "$keys" 300 >> "$work/reference.txt"
    [ $((round + 1)) -lt "$rounds" ] && stop_pids "$pid"
  done
  report_keys keysound "$work/keysound.txt" "$capture"
  report_keys reference "$work/reference.txt" "$capture"
  echo "$server: ratio keysound/reference median $(echo "scale=3; $keysound_median / $reference_median" | bc)" \
       " p95 $(echo "scale=3; $keysound_p95 / $reference_p95" | bc)"
  sleep 12
  printf '%-10s %-9s idle: %s wake-ups/s, sink %s\n' "$server" reference "$(wakeups_per_second "$pid")" "$(sink_state)"
  stop_pids "$pid"
  capture_delay=$capture
}

measure_idle_and_recovery() {
  local pid out median p95 missed
  read -r pid < <(start_program "${keysound_command[@]}")
  sleep 12  # the output closes within 5 s, the text cursor stops blinking after 10 s
  printf '%-10s %-9s idle: %s wake-ups/s, sink %s\n' "$server" keysound "$(wakeups_per_second "$pid")" "$(sink_state)"
  read -r median p95 missed < <("$probe" keys bench 7 8000 | stats)
  printf '%-10s %-9s first key after 8 s idle: key->monitor median %s ms  p95 %s ms  at the sink median %s ms  (missed %s)\n' \
    "$server" keysound "$median" "$p95" "$(minus "$median" "$capture_delay")" "$missed"
  "$probe" keys bench 1 0 >/dev/null  # the output is open while the server goes away
  restart_server
  out=$("$probe" keys bench 3 500 | stats)
  printf '%-10s %-9s after a server restart: %s of 3 keys heard\n' "$server" keysound $((3 - ${out##* }))
  stop_pids "$pid"
}

run_server() {
  local driver=$1
  export XDG_RUNTIME_DIR=$work/run-$server
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  start_server
  pactl set-default-sink bench
  measure_latency "$driver"
  measure_idle_and_recovery
  stop_pids "${server_pids[@]}"
}

server_pids=()
start_pulseaudio() {
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-level=error \
    -L module-native-protocol-unix -L "module-null-sink sink_name=bench rate=48000" \
    -L "module-suspend-on-idle timeout=5" 2>/dev/null & server_pids=($!); pids+=($!)
  timeout 10 bash -c 'until pactl info >/dev/null 2>&1; do sleep 0.1; done'
}
start_pipewire() {
  dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/bus" --nofork --nopidfile 2>/dev/null & server_pids=($!); pids+=($!)
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
  sleep 0.3
  pipewire 2>/dev/null & server_pids+=($!); pids+=($!)
  sleep 0.3
  wireplumber 2>/dev/null & server_pids+=($!); pids+=($!)
  pipewire-pulse 2>/dev/null & server_pids+=($!); pids+=($!)
  timeout 10 bash -c 'until pactl info >/dev/null 2>&1; do sleep 0.1; done'
  pactl load-module module-null-sink sink_name=bench rate=48000 >/dev/null
  sleep 1
}
restart_server() {
  stop_pids "${server_pids[@]}"
  sleep 1
  start_server
  pactl set-default-sink bench
}

server=pulseaudio; start_server() { start_pulseaudio; }; run_server pulseaudio
server=pipewire;   start_server() { start_pipewire; };   run_server pipewire
