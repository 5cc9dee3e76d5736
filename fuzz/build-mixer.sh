#!/usr/bin/env bash
# Builds SDL2_mixer from Debian's own source with the fuzzer's coverage and sanitizers, so that
# fuzz_sound is guided inside the mixer's format readers too, not only inside keysound's layout.
# Only the four formats keysound plays, from the same decoders Debian's build uses (libFLAC,
# mpg123, vorbisfile). Prints the static library's path; prints nothing and fails when Debian's
# source packages cannot be fetched (deb-src lines in the apt sources are needed).
#   fuzz/build-mixer.sh FOLDER
set -euo pipefail
folder=$1
library=$folder/build/libSDL2_mixer.a
if [ ! -f "$library" ]; then
  mkdir -p "$folder"
  (cd "$folder" && apt-get source -qq libsdl2-mixer-2.0-0 >/dev/null 2>&1) || {
    echo "fuzz/build-mixer.sh: Debian's source of SDL2_mixer is not reachable (no deb-src?);" \
         "fuzz_sound uses the system's library, without coverage inside it" >&2
    exit 1
  }
  source=$(find "$folder" -maxdepth 1 -type d -name 'libsdl2-mixer-*' | head -n 1)
  CC=clang cmake -S "$source" -B "$folder/build" -G Ninja -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_DEPS_SHARED=OFF \
    -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF -DSDL2MIXER_INSTALL=OFF -DSDL2MIXER_CMD=OFF \
    -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_FLAC_DRFLAC=OFF \
    -DSDL2MIXER_MP3_DRMP3=OFF -DSDL2MIXER_MP3_MPG123=ON -DSDL2MIXER_VORBIS=VORBISFILE \
    -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g" >/dev/null
  cmake --build "$folder/build" >/dev/null
fi
realpath "$library"
