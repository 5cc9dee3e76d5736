#!/usr/bin/env bash
# Key-to-sink latency, idle cost and device recovery of keysound on private sound servers.
# Usage (from anywhere): bench/audio/server_bench.sh [BUILD_DIR]
# Starts its own PulseAudio, then its own PipeWire (+ wireplumber, pipewire-pulse), each on a null
# sink in a private XDG_RUNTIME_DIR, and its own Xvfb; configures nothing system-wide and ends only
# the processes it started. Environment: BENCH_DISPLAY (default :93), BENCH_KEYS (default 40).
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
cmake --build "$build" --target keysound keysound-db app_folder sink_probe bare_reference >/dev/null

work=$(mktemp -d /tmp/keysound-bench.XXXXXX)
pids=()
stop_pids() { for p in "$@"; do kill "$p" 2>/dev/null || true; done; for p in "$@"; do wait "$p" 2>/dev/null || true; done; }
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
cp "$build/app/keysound" "$app/"
printf 'a\ttone.wav\n' > "$work/seed.tsv"
"$build/app/keysound-db" init --seed "$work/seed.tsv" "$app/db1.mdb" >/dev/null

export HOME=$work/home DISPLAY=$display
unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
Xvfb "$display" -nolisten tcp -screen 0 1024x768x24 2>/dev/null & pids+=($!)
sleep 1

probe=$build/bench/audio/sink_probe
field() { awk -v k="$1" '$1 == k { print $2 }'; }
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

measure_program() {  # label "X Y" command...
  local label=$1 pid out
  pid=$(start_program "${@:2}")
  sleep 1
  out=$("$probe" keys bench "$keys" 100)
  printf '%-10s %-9s key->monitor median %6s ms  p95 %6s ms  (missed %s; tone write->monitor %s ms)\n' \
    "$server" "$label" "$(field median <<<"$out")" "$(field p95 <<<"$out")" "$(field missed <<<"$out")" \
    "$(field offset <<<"$out")"
  eval "${label}_median=$(field median <<<"$out") ${label}_p95=$(field p95 <<<"$out")"
  sleep 12  # the output closes within 5 s, the text cursor stops blinking after 10 s
  printf '%-10s %-9s idle: %s wake-ups/s, sink %s\n' "$server" "$label" "$(wakeups_per_second "$pid")" "$(sink_state)"
  if [ "$label" = keysound ]; then
    out=$("$probe" keys bench 5 8000)
    printf '%-10s %-9s first key after 8 s idle: median %s ms  p95 %s ms  (missed %s)\n' "$server" "$label" \
      "$(field median <<<"$out")" "$(field p95 <<<"$out")" "$(field missed <<<"$out")"
    "$probe" keys bench 1 0 >/dev/null  # the output is open while the server goes away
    restart_server
    out=$("$probe" keys bench 3 500)
    printf '%-10s %-9s after a server restart: %s of 3 keys heard\n' "$server" "$label" $((3 - $(field missed <<<"$out")))
  fi
  stop_pids "$pid"
}

run_server() {
  local driver=$1
  export XDG_RUNTIME_DIR=$work/run-$server
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  start_server
  pactl set-default-sink bench
  echo "$server: capture delay alone (tone write -> monitor arrival) median $("$probe" calibrate bench 20 300 | field median) ms"
  measure_program keysound "200 168" "$app/keysound"
  measure_program reference "20 10" env SDL_AUDIODRIVER="$driver" "$build/bench/audio/bare_reference" "$app/MP3/tone.wav"
  echo "$server: ratio keysound/reference median $(echo "scale=3; $keysound_median / $reference_median" | bc)" \
       " p95 $(echo "scale=3; $keysound_p95 / $reference_p95" | bc)"
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
