#!/usr/bin/env bash
# Configures and builds Pagewick with Ninja.
#   scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# BUILD_DIR defaults to build/. Build type RelWithDebInfo unless given.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
ninja -C "$dir" -j"${PGWK_JOBS:-2}"
