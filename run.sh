#!/usr/bin/env bash
# Sets up (Debian packages), builds, and starts keysound on the default application folder build/app/.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh
exec ./build/app/keysound "$@"
