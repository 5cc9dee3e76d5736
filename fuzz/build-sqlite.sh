#!/usr/bin/env bash
# Makes SQLite's one-file source (sqlite3.c) from Debian's own source of the engine keysound links,
# so that fuzz_database is built with the engine inside it, with the fuzzer's coverage and
# sanitizers, and guided through the engine's reading of a table file, not only keysound's. Needs
# tclsh (Debian package tcl) to make the file. Prints the folder that holds sqlite3.c; prints
# nothing and fails when Debian's source packages cannot be fetched (deb-src lines are needed).
#   fuzz/build-sqlite.sh FOLDER
set -euo pipefail
folder=$1
made=$folder/build/sqlite3.c
if [ ! -f "$made" ]; then
  mkdir -p "$folder"
  (cd "$folder" && apt-get source -qq sqlite3 >/dev/null 2>&1) || {
    echo "fuzz/build-sqlite.sh: Debian's source of SQLite is not reachable (no deb-src?);" \
         "fuzz_database uses the system's library, without coverage inside it" >&2
    exit 1
  }
  source=$(find "$(realpath "$folder")" -maxdepth 1 -type d -name 'sqlite3-*' | head -n 1)
  mkdir -p "$folder/build"
  (cd "$folder/build" && "$source/configure" --disable-tcl --enable-fts4 --enable-fts5 >/dev/null &&
     make sqlite3.c >/dev/null)
fi
realpath "$folder/build"
