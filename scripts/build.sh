#!/usr/bin/env bash
# Configures (first time only) and builds keysound incrementally into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja
cmake --build build
