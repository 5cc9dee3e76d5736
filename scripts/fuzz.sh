#!/usr/bin/env bash
# Runs the libFuzzer harnesses for SECONDS each (or only HARNESS) from the seed corpora in
# fuzz/corpus/, built with clang in build-fuzz/. Jet files that crash or hang the reader, sound
# files that crash or hang the mixer's decoders, packs the readers mishandle and table files that
# crash, hang or swell the store are copied to tests/fixtures/{jet,sounds,packs,keyboardpacks,databases}/damaged/,
# where tests expect keysound to refuse each in time.
#   scripts/fuzz.sh SECONDS [jet|sound|pack|keyboardpack|database|connection_string|media_command|string_back]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [harness]}
harnesses=(${2:-jet sound pack keyboardpack database connection_string media_command string_back})

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi
if [[ " ${harnesses[*]} " == *" database "* ]] && ! command -v tclsh >/dev/null; then  # makes SQLite's sqlite3.c
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends tcl
fi
./scripts/setup.sh
[ -f build-fuzz/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKEYSOUND_FUZZ=ON
if [[ " ${harnesses[*]} " == *" sound "* ]] && mixer=$(fuzz/build-mixer.sh build-fuzz/sdl2-mixer); then
  cmake build-fuzz -DKEYSOUND_FUZZ_MIXER="$mixer" >/dev/null
fi
if [[ " ${harnesses[*]} " == *" database "* ]] && sqlite=$(fuzz/build-sqlite.sh build-fuzz/sqlite); then
  CC=clang cmake build-fuzz -DKEYSOUND_FUZZ_SQLITE="$sqlite" >/dev/null
fi
cmake --build build-fuzz --target $(printf 'fuzz_%s ' "${harnesses[@]}")

export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
for h in "${harnesses[@]}"; do
  work=build-fuzz/corpus/$h findings=build-fuzz/findings/$h
  mkdir -p "$work" "$findings"
  cp -L fuzz/corpus/"$h"/* "$work"/
  echo "== fuzz_$h for ${seconds}s"
  # Keep going after a finding, so that each run lasts its time and collects every one.
  options=(-max_total_time="$seconds" -artifact_prefix="$findings"/ -print_final_stats=1
           -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=5 -rss_limit_mb=1024)
  # libmdb crashes and loops on damaged files: the Jet seeds are whole files of a few 100 KB.
  [ "$h" = jet ] && options+=(-max_len=300000)
  [ "$h" = sound ] && options+=(-max_len=16384)
  # Packs: room for a few entries with sounds of some KB.
  [ "$h" = pack ] && options+=(-max_len=65536)
  [ "$h" = keyboardpack ] && options+=(-max_len=65536)
  # Table files of some pages; the store's own time limits (a key's lookup, a whole table's load)
  # stop the engine first, so only a hang past them counts as one.
  [ "$h" = database ] && options+=(-max_len=65536 -timeout=15)
  ./build-fuzz/fuzz/fuzz_"$h" "${options[@]}" "$work" 2>&1 | tail -n 25 || true
  found=$(find "$findings" -type f | wc -l)
  echo "== fuzz_$h: $found finding(s) in $findings"
  case "$h" in
    jet) keep=tests/fixtures/jet/damaged suffix=.mdb ;;
    sound) keep=tests/fixtures/sounds/damaged suffix=.sound ;;
    pack) keep=tests/fixtures/packs/damaged suffix=.kspack ;;
    keyboardpack) keep=tests/fixtures/keyboardpacks/damaged suffix=.zip ;;
    database) keep=tests/fixtures/databases/damaged suffix=.mdb ;;
    *) keep="" ;;
  esac
  if [ -n "$keep" ] && [ "$found" -gt 0 ]; then
    mkdir -p "$keep"
    for f in "$findings"/*; do cp "$f" "$keep/fuzz-$(basename "$f" | cut -c1-24)$suffix"; done
  fi
done
