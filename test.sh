#!/usr/bin/env bash
# Sets up (Debian packages), builds, and runs every test headless; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh --tests
./scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
